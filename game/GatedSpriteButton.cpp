#include "game/GatedSpriteButton.h"

GatedSpriteButton::GatedSpriteButton()
    : m_first(1)
    , m_second(0)
{
    // The sprite button is built taking clicks; the gate holds from the
    // start.
    refresh();
}

GatedSpriteButton::~GatedSpriteButton() {}

void GatedSpriteButton::setFirstFlag(bool on)
{
    m_first = on ? 1 : 0;
    refresh();
}

void GatedSpriteButton::setSecondFlag(bool on)
{
    m_second = on ? 1 : 0;
    refresh();
}

void GatedSpriteButton::refresh()
{
    if (m_first && m_second) {
        button.setEnable(true);
        return;
    }
    button.setEnable(false);
    button.clearTouches();
}
