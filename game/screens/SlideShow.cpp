#include "game/screens/SlideShow.h"

#include "core/KyCore.h"
#include "core/KyFile.h"
#include "core/KySingleton.h"
#include "game/Listeners.h"
#include "ui/KyCurve.h"

SlideShow::SlideShow(const Setup& showSetup)
    : setup(showSetup)
    , slideIndex(0)
    , slideDuration(showSetup.slideDuration)
    , m_running(false)
{
}

SlideShow::~SlideShow()
{
    removeListener(movement.onFinished, this, &SlideShow::onSlideFinished);
}

KyString SlideShow::picturePath(u32 index) const
{
    KyString path;
    path.format(setup.picturePattern, s32(index));
    return path;
}

KyString SlideShow::musicPath(const char* file)
{
    const KyString path = KyString("Videos/") + KySingleton<KyCore>::instance()->language() + "/" + file;
    if (KyFile::exists(path))
        return path;
    return KyString("Videos/en/") + file;
}

f32 SlideShow::startX(u32 index)
{
    const f32 w = slides[index % 2].size().x;
    return index % 2 ? ScreenWidth - w : 0.0f;
}

f32 SlideShow::endX(u32 index)
{
    const f32 w = slides[index % 2].size().x;
    return index % 2 ? 0.0f : ScreenWidth - w;
}

void SlideShow::begin()
{
    slideDuration = setup.slideDuration;
    slideIndex = 0;
    removeListener(movement.onFinished, this, &SlideShow::onSlideFinished);
    appendListener(movement.onFinished, this, &SlideShow::onSlideFinished);
    m_running = true;
    showSlide(0);
    startMovement(0);
    slideShown(0);
}

void SlideShow::showSlide(u32 index)
{
    slides[index % 2].load(picturePath(index), "", "");
    const u32 next = index + 1;
    if (next >= setup.pictureCount)
        return;
    KySpriteButton& behind = slides[next % 2];
    behind.load(picturePath(next), "", "");
    behind.setOpacity(1.0f);
    behind.setPosition(KyVector3f32(startX(next), 0.0f, setup.backDepth));
}

void SlideShow::startMovement(u32 index)
{
    if (index >= setup.pictureCount)
        return;
    KySpriteButton& slide = slides[index % 2];
    slide.setPosition(KyVector3f32(startX(index), 0.0f, setup.frontDepth));
    // Six curves: x from the start to the end; y; a depth that keeps the
    // slide in front; no turn; full size; opacity full for five sixths of
    // the run, then down to nothing.
    KyString stream;
    KyCurve::write(stream, {startX(index), endX(index)});
    KyCurve::write(stream, {0.0});
    KyCurve::write(stream, {setup.frontDepth});
    KyCurve::write(stream, {0.0});
    KyCurve::write(stream, {1.0});
    KyCurve::write(stream, {1.0, 1.0, 1.0, 1.0, 1.0, 1.0, 0.0});
    stream.seek(0);
    movement.load(stream, &slide, slideDuration);
    movement.play();
}

bool SlideShow::onSlideFinished()
{
    slides[slideIndex % 2].setPosition(
        KyVector3f32(slides[slideIndex % 2].position().x, 0.0f, setup.backDepth));
    ++slideIndex;
    if (slideIndex >= setup.pictureCount) {
        end();
        return false;
    }
    showSlide(slideIndex);
    startMovement(slideIndex);
    slideShown(slideIndex);
    return false;
}

void SlideShow::slideShown(u32) {}

void SlideShow::stop()
{
    if (!m_running)
        return;
    movement.stop();
    stopShow();
}

void SlideShow::stopShow()
{
    slides[0].unload();
    slides[1].unload();
    removeListener(movement.onFinished, this, &SlideShow::onSlideFinished);
    m_running = false;
}
