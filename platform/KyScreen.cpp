#include "platform/KyScreen.h"

#include "platform/KyRenderer.h"

KyScreen::KyScreen() : m_size(0.0f, 0.0f, 0.0f), m_renderer(nullptr), m_clearColor(0, 0, 0, 255) {}

KyScreen::~KyScreen() {}

void KyScreen::setSize(const KyVector3f32& size)
{
    if (size == m_size)
        return;
    m_size = size;
    m_onResize.call();
}

void KyScreen::setClearColor(const KyColor& color)
{
    m_clearColor = color;
    if (m_renderer)
        m_renderer->setClearColor(color);
}

void KyScreen::setClearColor(f32 r, f32 g, f32 b, f32 a)
{
    setClearColor(KyColor(KyColor::truncToByte(r * 255.0), KyColor::truncToByte(g * 255.0),
                          KyColor::truncToByte(b * 255.0), KyColor::truncToByte(a * 255.0)));
}
