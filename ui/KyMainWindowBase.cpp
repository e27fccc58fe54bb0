#include "ui/KyMainWindowBase.h"

#include "core/KySingleton.h"
#include "platform/KyRenderer.h"
#include "platform/KyScreen.h"

KyMainWindowBase::KyMainWindowBase()
    : m_quit(false)
    , m_mousePosition(0, 0)
    , m_previousMousePosition(0, 0)
    , m_buttonState(0)
    , m_previousButtonState(0)
    , m_fullScreen(false)
{
    m_name = "KyEngine Application";
    m_camera.setScreen(KySingleton<KyScreen>::instance());
    m_camera.setProjectionMode(KyCamera::ProjectionOrthographic);
}

KyMainWindowBase::~KyMainWindowBase() {}

void KyMainWindowBase::fitCamera(f32 width, f32 height)
{
    m_camera.setViewport(0, 0, static_cast<u32>(static_cast<s32>(width)), static_cast<u32>(static_cast<s32>(height)));
    m_camera.setOrthogonal(-width / 2, width / 2, height / 2, -height / 2, -2048.0f, 2048.0f);
}

bool KyMainWindowBase::draw()
{
    if (KyRenderer* renderer = KySingleton<KyRenderer>::instance())
        renderer->drawOverlay(m_camera, m_onDraw);
    return false;
}

void KyMainWindowBase::setSizeType(CoordinatesType) {}
void KyMainWindowBase::setPositionType(CoordinatesType) {}
void KyMainWindowBase::setPosition(const KyVector3f32&) {}

void KyMainWindowBase::setSize(const KyVector3f32& size)
{
    KyLayout::setSize(KyVector3f32(size.x, size.y, 100.0f));
}

KyVector2s32 KyMainWindowBase::mousePosition(u32) { return m_mousePosition; }
KyVector2s32 KyMainWindowBase::previousMousePosition(u32) { return m_previousMousePosition; }
u32 KyMainWindowBase::buttonState(u32) { return m_buttonState; }
u32 KyMainWindowBase::previousButtonState(u32) { return m_previousButtonState; }

void KyMainWindowBase::setFullScreen(bool fullScreen) { m_fullScreen = fullScreen; }
bool KyMainWindowBase::isFullScreen() { return m_fullScreen; }
