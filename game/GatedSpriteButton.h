#ifndef GAME_GATED_SPRITE_BUTTON_H
#define GAME_GATED_SPRITE_BUTTON_H

#include "core/KyTypes.h"
#include "ui/KySpriteButton.h"

// A sprite button that takes clicks only while two conditions both hold, each
// kept by its owner in a flag. Built with the first flag set and the second
// clear, so it starts disabled. Setting either flag enables the embedded
// button when both are set and disables it otherwise; disabling also drops
// the press in progress and the touches it was following.
class GatedSpriteButton : public KySpriteButton {
public:
    GatedSpriteButton();
    ~GatedSpriteButton() override;

    void setFirstFlag(bool on);
    void setSecondFlag(bool on);
    bool firstFlag() const { return m_first != 0; }
    bool secondFlag() const { return m_second != 0; }

private:
    // Enables or disables the embedded button from the two flags.
    void refresh();

    u8 m_first;
    u8 m_second;
};

#endif
