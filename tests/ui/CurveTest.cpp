#include "core/KyString.h"
#include "platform/Ky3DObject2.h"
#include "tests/ui/AnimationFixture.h"
#include "ui/KyCurve.h"
#include "ui/KyCurveAnim.h"
#include "ui/KyCurveAnim2.h"
#include "ui/KyLayout.h"

#include <tinyxml.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

KyCurve curveOf(std::initializer_list<f64> values)
{
    KyCurve curve;
    for (f64 v : values)
        curve.values.pushBack(v);
    return curve;
}

std::vector<f64> valuesOf(const KyCurve& curve)
{
    return std::vector<f64>(curve.values.begin(), curve.values.end());
}

KyCurve parsed(const char* xml)
{
    TiXmlElement element("Interpolation");
    element.Parse(xml, nullptr, TIXML_ENCODING_UTF8);
    KyCurve curve;
    curve.parse(&element);
    return curve;
}

// The stream form written by hand: count, then doubles.
KyString streamForm(u32 count, std::initializer_list<f64> values)
{
    KyString s;
    s.setTextMode(0);
    s.write(&count, 4);
    for (f64 v : values)
        s.write(&v, 8);
    s.seek(0);
    return s;
}

// An owner with a float setter, as fading objects have.
struct Fader {
    std::vector<f32> applied;
    std::string* log = nullptr;
    void setLevel(f32 v)
    {
        applied.push_back(v);
        if (log)
            *log += "v";
    }
};

struct Colored : Ky3DObject2 {
    std::vector<KyColor> applied;
    void setColor(const KyColor& c) override
    {
        applied.push_back(c);
        Ky3DObject2::setColor(c);
    }
};

} // namespace

TEST(CurveTest, SamplesLinearlyOverTheDuration)
{
    KyCurve ramp = curveOf({0.0, 1.0});
    EXPECT_DOUBLE_EQ(0.25, ramp.valueAt(250, 1000));
    EXPECT_DOUBLE_EQ(1.0, ramp.valueAt(1000, 1000));
    EXPECT_DOUBLE_EQ(1.0, ramp.valueAt(5000, 1000));
    EXPECT_DOUBLE_EQ(0.0, ramp.valueAt(-30, 1000)); // before the start: the first value

    KyCurve bump = curveOf({0.0, 1.0, 0.0});
    EXPECT_DOUBLE_EQ(1.0, bump.valueAt(500, 1000));
    EXPECT_DOUBLE_EQ(0.5, bump.valueAt(750, 1000));

    KyCurve single = curveOf({0.7});
    for (f64 t : {-5.0, 0.0, 300.0, 2000.0})
        EXPECT_DOUBLE_EQ(0.7, single.valueAt(t, 1000));
    EXPECT_DOUBLE_EQ(0.7, single.valueAt(-1, 0)); // no division by a zero duration
    EXPECT_DOUBLE_EQ(0.0, ramp.valueAt(NAN, 1000));
    EXPECT_DOUBLE_EQ(1.0, ramp.valueAt(-5000, -1000)); // a negative duration never reads past the end

    EXPECT_DOUBLE_EQ(0.0, KyCurve().valueAt(500, 1000));
}

TEST(CurveTest, ParsesCommaSeparatedNumbersAndAppends)
{
    EXPECT_EQ((std::vector<f64>{0.0, 0.5, 1.0}), valuesOf(parsed("<Interpolation>0, 0.5 ,1</Interpolation>")));
    EXPECT_EQ((std::vector<f64>{0.0, 0.25, 0.75, 1.0}),
              valuesOf(parsed("<Interpolation>0,0.25, 0.75,1</Interpolation>")));
    // Spaces alone do not separate: only the first number is read.
    EXPECT_EQ((std::vector<f64>{0.0}), valuesOf(parsed("<Interpolation>0 0.5 1</Interpolation>")));
    EXPECT_EQ((std::vector<f64>{2.0, 3.0}), valuesOf(parsed("<Interpolation>,, 2,,3,</Interpolation>")));
    EXPECT_TRUE(parsed("<Interpolation></Interpolation>").isEmpty());
    EXPECT_TRUE(parsed("<Interpolation><b/></Interpolation>").isEmpty());

    KyCurve curve = curveOf({9.0});
    curve.parse("1,2");
    EXPECT_EQ((std::vector<f64>{9.0, 1.0, 2.0}), valuesOf(curve));
    curve.parse(static_cast<const TiXmlElement*>(nullptr));
    EXPECT_EQ(3u, curve.count());
}

TEST(CurveTest, StreamFormRoundTripsWhateverTheStreamMode)
{
    KyCurve curve = curveOf({0.0, -1.5, 1e300});
    KyString s; // a memory string is in text mode
    const u32 mode = s.textMode();
    EXPECT_EQ(4u + 3u * 8u, curve.serialize(s));
    EXPECT_EQ(mode, s.textMode());
    s.seek(0);
    KyCurve back = curveOf({7.0});
    back.deserialize(s);
    EXPECT_EQ(valuesOf(curve), valuesOf(back));
    EXPECT_EQ(mode, s.textMode());

    // Written straight from the values: the same bytes, the mode kept.
    KyString direct;
    EXPECT_EQ(4u + 3u * 8u, KyCurve::write(direct, {0.0, -1.5, 1e300}));
    EXPECT_EQ(mode, direct.textMode());
    EXPECT_EQ(std::string(s.c_str(), s.length()), std::string(direct.c_str(), direct.length()));
}

TEST(CurveTest, ReadingKeepsOnlyTheValuesReallyThere)
{
    // A count of 5 with two values: two values, not five.
    KyString shortStream = streamForm(5, {1.0, 2.0});
    KyCurve curve = curveOf({7.0});
    curve.deserialize(shortStream);
    EXPECT_EQ((std::vector<f64>{1.0, 2.0}), valuesOf(curve));

    // A damaged count allocates nothing near four billion doubles.
    KyString damaged = streamForm(0xFFFFFFFFu, {3.0});
    curve.deserialize(damaged);
    EXPECT_EQ((std::vector<f64>{3.0}), valuesOf(curve));
    EXPECT_LE(curve.values.capacity(), 1024u);

    // Too short even for the count: an empty curve.
    KyString tiny;
    tiny.setTextMode(0);
    tiny.write("\x02\x00", 2);
    tiny.seek(0);
    curve.deserialize(tiny);
    EXPECT_TRUE(curve.isEmpty());

    // Exactly what the count says, across the block size.
    u32 n = 2500;
    std::string bytes(reinterpret_cast<const char*>(&n), 4);
    for (u32 i = 0; i < n; ++i) {
        f64 v = i;
        bytes.append(reinterpret_cast<const char*>(&v), 8);
    }
    KyString big(bytes.data(), u32(bytes.size()));
    big.seek(0);
    curve.deserialize(big);
    ASSERT_EQ(2500u, curve.count());
    EXPECT_EQ(2499.0, curve.values[2499]);
}

TEST_F(AnimationTest, FloatCurveAnimationAppliesTheValueThenStopsAndFinishes)
{
    Fader fader;
    std::string order;
    fader.log = &order;
    KyCurveAnim<Fader, f32> anim;
    EXPECT_EQ(0.0f, anim.duration);
    EXPECT_EQ(nullptr, anim.owner);
    anim.load(curveOf({0.0, 1.0}), 1000.0f, &fader, &Fader::setLevel);
    SignalLog log;
    log.listen(anim.onStop, "S");
    log.listen(anim.onFinished, "F");
    anim.play();

    frameAfter(250);
    ASSERT_EQ(1u, fader.applied.size());
    EXPECT_FLOAT_EQ(0.25f, fader.applied[0]);
    EXPECT_FLOAT_EQ(250.0f, anim.elapsed);

    // The finishing update applies the value for the duration, then stops,
    // then fires on-finished.
    fader.log = &log.text;
    frameAfter(800);
    EXPECT_EQ("vSF", log.text);
    EXPECT_FLOAT_EQ(1.0f, fader.applied.back());
    EXPECT_FALSE(anim.isRunning());
    frameAfter(100);
    EXPECT_EQ(2u, fader.applied.size());
}

TEST_F(AnimationTest, AnEmptyCurveSetsNothingButStillEnds)
{
    Fader fader;
    KyCurveAnim<Fader> anim;
    anim.load(KyCurve(), 100.0f, &fader, &Fader::setLevel);
    SignalLog log;
    log.listen(anim.onStop, "S");
    log.listen(anim.onFinished, "F");
    anim.play();
    frameAfter(50);
    frameAfter(60);
    EXPECT_TRUE(fader.applied.empty());
    EXPECT_EQ("SF", log.text);

    KyCurveAnim2<Ky3DObject2, KyColor> colour; // no target, no curve
    colour.duration = 10.0f;
    SignalLog log2;
    log2.listen(colour.onFinished, "F");
    colour.play();
    frameAfter(20);
    EXPECT_EQ("F", log2.text);
}

TEST_F(AnimationTest, ColourAnimationBlendsWithTheByteRules)
{
    KyCurveAnim2<Ky3DObject2, KyColor> anim;
    EXPECT_EQ(KyColor(0, 0, 0, 255), anim.startValue);
    EXPECT_EQ(KyColor(0, 0, 0, 255), anim.endValue);
    EXPECT_EQ(0.0f, anim.duration);

    Colored object;
    anim.startValue = KyColor(255, 255, 255, 255);
    anim.endValue = KyColor(255, 255, 255, 255);
    anim.duration = 1000.0f;
    KyArray<f32> list;
    list.pushBack(0.0f);
    list.pushBack(1.0f);
    anim.setCurve(list);
    EXPECT_EQ((std::vector<f64>{0.0, 1.0}), valuesOf(anim.curve));
    anim.target = &object;
    anim.setter = &Ky3DObject2::setColor;
    anim.play();
    frameAfter(500);
    ASSERT_EQ(1u, object.applied.size());
    // Two truncated halves of 127.5.
    EXPECT_EQ(KyColor(254, 254, 254, 254), object.applied[0]);
    frameAfter(500);
    EXPECT_EQ(KyColor(255, 255, 255, 255), object.applied.back());
    EXPECT_FALSE(anim.isRunning());
}

TEST_F(AnimationTest, RotationAnimationTurnsBetweenNormalisedQuaternions)
{
    KyCurveAnim2<Ky3DObject2, KyQuaternion> anim;
    EXPECT_EQ(KyQuaternion(0, 0, 0, 1), anim.startValue);
    EXPECT_EQ(KyQuaternion(0, 0, 0, 1), anim.endValue);

    Ky3DObject2 object;
    anim.startValue = KyQuaternion(0, 0, 0, 2);                 // identity, twice too long
    anim.endValue = KyQuaternion(0, 0, 3.0f, 3.0f);             // 90 degrees about z, not normalised
    anim.duration = 100.0f;
    anim.curve = curveOf({0.0, 1.0});
    anim.setTarget(&object);
    anim.setter = &Ky3DObject2::setRotation;
    anim.play();
    frameAfter(50);
    KyQuaternion half = object.rotation();
    const f32 s = std::sin(0.3926991f); // 45 degrees halfway: sin and cos of 22.5 degrees
    EXPECT_NEAR(s, half.z, 1e-5);
    EXPECT_NEAR(std::cos(0.3926991f), half.w, 1e-5);
    EXPECT_EQ(KyQuaternion(0, 0, 0, 2), anim.startValue); // stored values untouched
    frameAfter(50);
    EXPECT_NEAR(std::sqrt(0.5f), object.rotation().z, 1e-5);
}

TEST_F(AnimationTest, VectorAnimationMovesByTheCurve)
{
    KyCurveAnim2<Ky3DObject2, KyVector3f32> anim;
    EXPECT_EQ(KyVector3f32(0, 0, 0), anim.startValue);
    Ky3DObject2 object;
    anim.startValue = KyVector3f32(10, 20, 0);
    anim.endValue = KyVector3f32(110, -20, 4);
    anim.duration = 200.0f;
    anim.curve = curveOf({0.0, 1.0, 0.5});
    anim.playOn(&object);
    anim.setter = &Ky3DObject2::setPosition;
    frameAfter(100); // curve value 1
    EXPECT_EQ(KyVector3f32(110, -20, 4), object.position());
    frameAfter(150); // past the end: the last value, 0.5
    EXPECT_EQ(KyVector3f32(60, 0, 2), object.position());
    EXPECT_FALSE(anim.isRunning());
}

TEST_F(AnimationTest, LayoutPositionAndAnchorAnimations)
{
    KyLayout layout;
    KyCurveAnim2<KyLayout, KyVector3f32> slide;
    slide.startValue = KyVector3f32(0.5f, 0.5f, 0.5f);
    slide.endValue = KyVector3f32(0.5f, -0.5f, 0.5f);
    slide.duration = 300.0f;
    KyArray<f32> list;
    list.pushBack(0.0f);
    list.pushBack(1.0f);
    slide.setCurve(list);
    slide.setter = &KyLayout::setPosition;
    slide.playOn(&layout);
    frameAfter(150);
    EXPECT_EQ(KyVector3f32(0.5f, 0.0f, 0.5f), layout.userPosition());

    KyCurveAnim2<KyLayout, KyVector3f32> anchor;
    anchor.endValue = KyVector3f32(1.0f, 1.0f, 0.0f);
    anchor.duration = 100.0f;
    anchor.setCurve(list);
    anchor.setter = &KyLayout::setAnchor;
    anchor.playOn(&layout);
    frameAfter(150);
    EXPECT_EQ(KyVector3f32(1.0f, 1.0f, 0.0f), layout.anchor());
    EXPECT_EQ(KyVector3f32(0.5f, -0.5f, 0.5f), layout.userPosition());
    EXPECT_FALSE(slide.isRunning());
    EXPECT_FALSE(anchor.isRunning());
}
