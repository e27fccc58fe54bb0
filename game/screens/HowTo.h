#ifndef GAME_HOW_TO_H
#define GAME_HOW_TO_H

#include "core/KyString.h"
#include "core/KyTypes.h"
#include "ui/KySprite.h"
#include "ui/KySpriteButton.h"

// The help pictures the player clicks through, one at a time over the whole
// screen, with a quit button. The pictures are
// "2D/bd/Colored/" + language + one of the names of the table, in order; the
// empty last entry ends the run. Widgets in the 2D interface's 480 x 320
// units.
class HowTo {
public:
    static const u32 PictureCount = 12;
    // The pictures' file-name tails; the last one is empty.
    static const KyString pictures[PictureCount];

    HowTo();
    ~HowTo();

    void enter();
    // Unloads the background and both buttons and stops listening to the
    // transition.
    void leave();

    // The path of the picture at the index, then the index moves on.
    KyString nextImagePath();

    bool onNext();
    bool onClose();
    bool onPortraitClosed();

    u32 pictureIndex;
    KySprite background;
    KySpriteButton quitButton;
    KySpriteButton pictureButton;

private:
    HowTo(const HowTo&) = delete;
    HowTo& operator=(const HowTo&) = delete;
};

#endif
