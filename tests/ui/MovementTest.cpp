#include "core/KyString.h"
#include "platform/Ky3DObject.h"
#include "tests/ui/AnimationFixture.h"
#include "ui/KyMovement2.h"
#include "ui/KyMovement3.h"

#include <tinyxml.h>

#include <string>

namespace {

// Parses one element from text, as the interface loader hands it over.
class Xml {
public:
    explicit Xml(const char* text) : element("")
    {
        element.Parse(text, nullptr, TIXML_ENCODING_UTF8);
    }
    TiXmlElement element;
};

// Writes six curves in the stream form, as the game does for slide shows.
KyString sixCurves(std::initializer_list<std::initializer_list<f64>> curves)
{
    KyString s;
    s.setTextMode(0);
    for (const auto& curve : curves) {
        u32 n = u32(curve.size());
        s.write(&n, 4);
        for (f64 v : curve)
            s.write(&v, 8);
    }
    s.seek(0);
    return s;
}

const char* kSlideX = "<movement2><Duration>1000</Duration>"
                      "<PositionX><StartValue>0</StartValue><EndValue>100</EndValue>"
                      "<Interpolation>0,1</Interpolation></PositionX></movement2>";

} // namespace

TEST_F(AnimationTest, Movement2ReachesItsKeyframesThenStopsAndFinishes)
{
    Xml xml(kSlideX);
    KyMovement2 movement;
    movement.loadXml(&xml.element);
    EXPECT_EQ(1000.0, movement.duration);
    Ky3DObject widget;
    widget.setPosition(KyVector3f32(7, 8, 9));
    SignalLog log;
    log.listen(movement.onStop, "S");
    log.listen(movement.onFinished, "F");
    movement.playOn(&widget);

    frameAfter(500);
    EXPECT_EQ(KyVector3f32(50, 8, 9), widget.position());
    frameAfter(500);
    EXPECT_EQ(KyVector3f32(100, 8, 9), widget.position());
    EXPECT_TRUE(movement.finished);
    EXPECT_EQ("", log.text); // the end values first; the stop comes next frame
    frameAfter(16);
    EXPECT_EQ("SF", log.text);
    EXPECT_FALSE(movement.isRunning());
    EXPECT_EQ(KyVector3f32(100, 8, 9), widget.position());

    // Played again it runs in full once more.
    widget.setPosition(KyVector3f32(0, 0, 0));
    movement.play();
    frameAfter(250);
    EXPECT_EQ(KyVector3f32(25, 0, 0), widget.position());
    EXPECT_TRUE(movement.isRunning());
    frameAfter(750);
    frameAfter(1);
    EXPECT_EQ("SFSF", log.text);
}

TEST_F(AnimationTest, Movement2ChannelsSetRotationScaleAndOpacity)
{
    Xml xml("<movement2><Duration>200</Duration>"
            "<RotationZ><StartValue>0</StartValue><EndValue>90</EndValue><Interpolation>0,1</Interpolation></RotationZ>"
            "<ScaleXY><StartValue>1</StartValue><EndValue>3</EndValue><Interpolation>0,1</Interpolation></ScaleXY>"
            "<Opacity><StartValue>1</StartValue><EndValue>0</EndValue><Interpolation>0,1</Interpolation></Opacity>"
            "<PositionY><EndValue>50</EndValue></PositionY>" // no curve: no effect
            "</movement2>");
    KyMovement2 movement;
    movement.loadXml(&xml.element);
    Ky3DObject widget;
    widget.setPosition(KyVector3f32(1, 2, 3));
    widget.setScale(KyVector3f32(1, 1, 5));
    movement.playOn(&widget);
    frameAfter(100);
    EXPECT_FLOAT_EQ(45.0f, widget.rotation());
    EXPECT_EQ(KyVector3f32(2, 2, 5), widget.scale()); // z scale left alone
    EXPECT_FLOAT_EQ(0.5f, widget.opacity());
    EXPECT_EQ(KyVector3f32(1, 2, 3), widget.position());
    movement.stop();
}

TEST_F(AnimationTest, Movement2BeforeItsStartIsAtElapsedZero)
{
    Xml xml(kSlideX);
    KyMovement2 movement;
    movement.loadXml(&xml.element);
    Ky3DObject widget;
    widget.setPosition(KyVector3f32(40, 0, 0));
    movement.playOn(&widget);
    movement.update(movement.startTime - 300.0);
    EXPECT_EQ(0.0, movement.elapsed);
    EXPECT_EQ(KyVector3f32(0, 0, 0), widget.position());
    movement.stop();
}

TEST_F(AnimationTest, MovementWithoutATargetStillFinishes)
{
    Xml xml(kSlideX);
    KyMovement2 two;
    two.loadXml(&xml.element);
    KyMovement3 three;
    three.loadXml(&xml.element);
    SignalLog log;
    log.listen(two.onFinished, "2");
    log.listen(three.onFinished, "3");
    two.play();
    three.play();
    frameAfter(1000);
    frameAfter(1);
    EXPECT_EQ("23", log.text);
}

TEST_F(AnimationTest, Movement3MovesRelativelyFromWhereTheWidgetStands)
{
    Xml xml("<movement3><Duration>400</Duration>"
            "<PositionX><StartValue>77</StartValue><EndValue>100</EndValue><Interpolation>0,1</Interpolation></PositionX>"
            "<ScaleXY><EndValue>1</EndValue><Interpolation>0,0.5</Interpolation></ScaleXY>"
            "</movement3>");
    KyMovement3 movement;
    movement.loadXml(&xml.element);
    EXPECT_EQ(100.0f, movement.channels[KyMovementShared::PositionX].endValue);
    EXPECT_EQ(1.0f, movement.channels[KyMovementShared::Opacity].endValue);
    Ky3DObject widget;
    widget.setPosition(KyVector3f32(20, 5, 0));
    widget.setScale(KyVector3f32(1, 2, 7));
    SignalLog log;
    log.listen(movement.onStop, "S");
    log.listen(movement.onFinished, "F");
    movement.playOn(&widget);
    frameAfter(100);
    EXPECT_EQ(KyVector3f32(45, 5, 0), widget.position());
    widget.setPosition(KyVector3f32(widget.position().x, 50, 0)); // moved by someone else meanwhile
    frameAfter(300);
    EXPECT_EQ(KyVector3f32(120, 50, 0), widget.position());
    EXPECT_EQ(KyVector3f32(1.5f, 2.5f, 7), widget.scale());
    frameAfter(1);
    EXPECT_EQ("SF", log.text);

    movement.playOn(&widget);
    frameAfter(400);
    frameAfter(1);
    EXPECT_FLOAT_EQ(220.0f, widget.position().x);
    EXPECT_EQ("SFSF", log.text);
}

TEST_F(AnimationTest, MovementsLoadSixCurvesFromAStream)
{
    Ky3DObject slide;
    slide.setPosition(KyVector3f32(0, 0, 0));
    slide.setScale(KyVector3f32(1, 1, 1));
    KyString curves = sixCurves({{0.0, 120.0}, {0.0}, {0.0}, {0.0}, {1.0}, {1, 1, 1, 1, 1, 1, 0}});
    KyMovement2 movement;
    SignalLog log;
    log.listen(movement.onStop, "S");
    movement.play();
    movement.load(curves, &slide, 600.0); // stops first
    EXPECT_EQ("S", log.text);
    EXPECT_FALSE(movement.isRunning());
    EXPECT_EQ(&slide, movement.target);
    EXPECT_EQ(7u, movement.channels[KyMovementShared::Opacity].curve.count());
    movement.play();
    frameAfter(300);
    // Channels blend from their start 0.0 to their end 1.0 by the curve.
    EXPECT_FLOAT_EQ(60.0f, slide.position().x);
    EXPECT_FLOAT_EQ(1.0f, slide.opacity());
    frameAfter(250);
    EXPECT_FLOAT_EQ(0.5f, slide.opacity());
    movement.stop();

    KyMovement3 relative;
    curves.seek(0);
    relative.load(curves, &slide, 600.0);
    EXPECT_EQ(2u, relative.channels[KyMovementShared::PositionX].curve.count());
    EXPECT_EQ(0.0f, relative.channels[KyMovementShared::PositionX].lastValue);
}
