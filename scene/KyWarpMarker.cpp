#include "scene/KyWarpMarker.h"

#include "core/KyCallback0Param.h"

KyWarpMarker::Sprite::Sprite() : active(true), shown(false), position(0.0f, 0.0f, 0.0f), depth(0.0f) {}

KyWarpMarker::KyWarpMarker() : m_sprite(nullptr) {}

KyWarpMarker::~KyWarpMarker()
{
    setSprite(nullptr);
}

void KyWarpMarker::setSprite(Sprite* sprite)
{
    if (m_sprite) {
        KyCallback0Param<KyWarpMarker> mine(this, &KyWarpMarker::onClick);
        m_sprite->button.onClicked().removeCallback(&mine);
    }
    m_sprite = sprite;
    if (m_sprite)
        m_sprite->button.onClicked().pushBack(kyNewCallback(this, &KyWarpMarker::onClick, 0.0f));
}

bool KyWarpMarker::onClick()
{
    m_onClick.call(KyString(m_name));
    return false;
}
