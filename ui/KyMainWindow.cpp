#include "ui/KyMainWindow.h"

#include "core/KyLog.h"
#include "os/KyOsMessageBox.h"
#include "platform/KyAppHooks.h"
#include "platform/KyScreen.h"

namespace {

KyMainWindow* g_current = nullptr;
const KyMainWindow* g_closing = nullptr;

const char* const kFullScreenRefused = "The Fullscreen Mode Is Not Supported By\nYour Video Card.";

s32 truncated(f32 v)
{
    return static_cast<s32>(v);
}

} // namespace

KyMainWindow::KyMainWindow()
    : m_iconResourceId(DefaultIconResourceId)
    , m_redrawOnPaint(false)
    , m_paused(false)
{
    if (g_closing == this)
        g_closing = nullptr;
}

KyMainWindow::~KyMainWindow()
{
    g_closing = this;
    if (g_current == this)
        g_current = nullptr;
}

bool KyMainWindow::isClosing(const KyMainWindow* window)
{
    return window != nullptr && window == g_closing;
}

KyMainWindow* KyMainWindow::current() { return g_current; }
void KyMainWindow::setCurrent(KyMainWindow* window) { g_current = window; }

void KyMainWindow::windowProc(const KyOsMessage& message)
{
    if (g_current)
        g_current->handleMessage(message);
}

KyOsEvents& KyMainWindow::messagePump()
{
    static KyOsEvents pump;
    return pump;
}

bool KyMainWindow::pumpMessage()
{
    g_current = this;
    return messagePump().dispatchOne(m_window);
}

KyVector2s32 KyMainWindow::getDesktopRect()
{
    KyVector2s32 size;
    KyOsWindow::desktopSize(size.x, size.y);
    return size;
}

bool KyMainWindow::setName(const KyString& name)
{
    if (name.isEmpty())
        return false;
    m_name = name;
    if (m_window.exists())
        return m_window.setTitle(m_name.c_str());
    return true;
}

void KyMainWindow::setSize(const KyVector3f32& size)
{
    fitCamera(size.x, size.y);
    KyLayout::setSize(KyVector3f32(size.x, size.y, 100.0f));
    KySingleton<KyScreen>::instance()->setSize(m_userSize);
    if (m_window.exists())
        m_window.setClientSize(truncated(size.x), truncated(size.y));
}

KyOsWindow* KyMainWindow::handle()
{
    return m_window.exists() ? &m_window : nullptr;
}

void KyMainWindow::destroy()
{
    KyOsWindow::showCursor(true);
    m_window.destroy();
    m_redrawOnPaint = false;
}

bool KyMainWindow::create()
{
    g_current = this;
    if (!KyOsWindow::initVideo()) {
        logPrint("[KyMainWindow::create(const KyString& name)] Failed To Register The Window Class.\n");
        return false;
    }
    KyOsWindow::showCursor(false);

    const s32 width = truncated(m_userSize.x);
    const s32 height = truncated(m_userSize.y);
    if (!m_window.create(m_name.c_str(), width, height, m_fullScreen, &KyMainWindow::windowProc)) {
        logPrint("[KyMainWindow::create(const KyString& name)] Window Creation Error.\n");
        return false;
    }
    if (m_fullScreen && !m_window.isFullScreen()) {
        KyOsMessageBox::show(kFullScreenRefused, "KyEngine", KyOsMessageBox::Warning);
        setFullScreen(false);
    }
    m_window.show();
    m_window.raise();

    // The client area may not be what was asked (a window covering the
    // screen takes the desktop's size): the layout follows the real one.
    s32 clientWidth = 0, clientHeight = 0;
    if (m_window.clientSize(clientWidth, clientHeight) && clientWidth > 0 && clientHeight > 0 &&
        (clientWidth != width || clientHeight != height))
        setSize(KyVector3f32(static_cast<f32>(clientWidth), static_cast<f32>(clientHeight), 0.0f));

    m_camera.setScreen(KySingleton<KyScreen>::instance());
    m_camera.setProjectionMode(KyCamera::ProjectionOrthographic);
    fitCamera(m_userSize.x, m_userSize.y);
    m_redrawOnPaint = true;
    return true;
}

void KyMainWindow::handleMessage(const KyOsMessage& message)
{
    switch (message.kind) {
    case KyOsMessage::Destroy:
        m_quit = true;
        break;
    case KyOsMessage::Move:
        // Written straight into the field: no signal, no update.
        m_position.x = static_cast<f32>(message.x);
        m_position.y = static_cast<f32>(message.y);
        break;
    case KyOsMessage::Size:
        // A minimised window reports a 0 x 0 client area: keep the size it
        // had, nothing is laid out in an empty window.
        if (message.width < 1 || message.height < 1)
            break;
        setSize(KyVector3f32(static_cast<f32>(message.width), static_cast<f32>(message.height), 0.0f));
        break;
    case KyOsMessage::Activate:
        onActivate(message);
        break;
    case KyOsMessage::Paint:
        if (m_redrawOnPaint)
            KyAppHooks::renderFrameAndSwap();
        break;
    case KyOsMessage::MouseMove:
        m_previousMousePosition = m_mousePosition;
        m_mousePosition = KyVector2s32(message.x, message.y);
        break;
    case KyOsMessage::ButtonDown:
        if (u32 bit = KyOsMessage::buttonBit(message.button)) {
            m_previousButtonState = m_buttonState;
            m_buttonState |= bit;
        }
        break;
    case KyOsMessage::ButtonUp:
        if (u32 bit = KyOsMessage::buttonBit(message.button)) {
            m_previousButtonState = m_buttonState;
            m_buttonState &= ~bit;
        }
        break;
    default:
        break;
    }
}

void KyMainWindow::onActivate(const KyOsMessage& message)
{
    // A window among others keeps running when it loses the focus.
    if (!isFullScreen())
        return;
    if (!message.active || message.minimized) {
        m_window.minimize();
        setPaused(true);
    } else {
        m_window.raise();
        m_window.restore();
        coverScreen();
        setPaused(false);
    }
}

bool KyMainWindow::coverScreen()
{
    if (!m_window.exists())
        return false;
    s32 clientWidth = 0, clientHeight = 0;
    KyVector2s32 desktop = getDesktopRect();
    m_window.clientSize(clientWidth, clientHeight);
    if (desktop.x == clientWidth && desktop.y == clientHeight && m_window.isFullScreen())
        return true;
    if (m_window.setFullScreen(true))
        return true;
    KyOsMessageBox::show(kFullScreenRefused, "KyEngine", KyOsMessageBox::Warning);
    return false;
}

void KyMainWindow::setPaused(bool paused)
{
    m_paused = paused;
    m_onPauseChanged.call();
}
