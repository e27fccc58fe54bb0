#ifndef GAME_SLIDE_SHOW_H
#define GAME_SLIDE_SHOW_H

#include "core/KyString.h"
#include "core/KyTypes.h"
#include "platform/Ky3DObject.h"
#include "ui/KyMovement2.h"
#include "ui/KySpriteButton.h"

// What the introduction and the ending share: a numbered run of pictures,
// each panning sideways across the 480-unit screen for one slide duration
// and fading out in the last sixth of it, while the next picture waits
// behind, loaded ahead. Two slides take turns: picture i shows on slide
// i mod 2. Even pictures pan from x = 0 to 480 - w, odd ones back (w the
// picture's width).
class SlideShow : public Ky3DObject {
public:
    // The screen the pictures pan across.
    static constexpr f32 ScreenWidth = 480.0f;

    struct Setup {
        // The pictures' path, formatted with the index.
        const char* picturePattern;
        u32 pictureCount;
        f32 slideDuration;
        // Depth of the slide on show and of the slide behind.
        f32 frontDepth;
        f32 backDepth;
    };

    ~SlideShow() override;

    // The movement's finished listener: the next picture, or the end.
    bool onSlideFinished();
    // Ends a show that runs without its last steps: the game is being left.
    virtual void stop();

    bool isRunning() const { return m_running; }
    KyString picturePath(u32 index) const;
    // "Videos/" + the core's language + "/" + file, or the same in "en"
    // when the language has no such file.
    static KyString musicPath(const char* file);

    const Setup setup;
    // The picture on show.
    u32 slideIndex;
    KySpriteButton slides[2];
    f32 slideDuration;
    KyMovement2 movement;

protected:
    explicit SlideShow(const Setup& setup);

    // Shows picture 0 and starts its movement; a show already running
    // starts again from its first picture without listening twice.
    void begin();
    // Unloads both slides and stops listening.
    void stopShow();

    // The last picture has run: each show ends in its own way.
    virtual void end() = 0;
    // Picture index has just come on show.
    virtual void slideShown(u32 index);

private:
    SlideShow(const SlideShow&) = delete;
    SlideShow& operator=(const SlideShow&) = delete;

    // Loads picture i on its slide and picture i + 1, when there is one, on
    // the other, waiting at its start behind.
    void showSlide(u32 index);
    // Puts picture i at its start in front and pans it.
    void startMovement(u32 index);
    f32 startX(u32 index);
    f32 endX(u32 index);

    bool m_running;
};

#endif
