#ifndef KY_MAIN_WINDOW_H
#define KY_MAIN_WINDOW_H

#include "core/KySingleton.h"
#include "core/KyString.h"
#include "core/KyTypes.h"
#include "core/KyVector2s32.h"
#include "os/KyOsEvents.h"
#include "os/KyOsMessage.h"
#include "os/KyOsWindow.h"
#include "ui/KyMainWindowBase.h"

// The program's one window, reached through KySingleton<KyMainWindow>:
// creation in a window or covering the screen, the title (the layout name),
// and the window procedure. The procedure only records state: the mouse
// position and buttons, the quit flag, the paused flag of a full-screen
// window that lost the focus, the window's place and size. The input manager
// polls that state once a frame and the main loop reads quit and paused.
//
// Set the name, size and full-screen flag, then create(); the OpenGL context
// is then made on handle() (KyOpenGLContext::Initialize).
class KyMainWindow : public KySingleton<KyMainWindow>, public KyMainWindowBase {
public:
    static constexpr u16 DefaultIconResourceId = 32515;

    KyMainWindow();
    ~KyMainWindow() override;

    // An empty name is refused. The name is also the window title.
    bool setName(const KyString& name) override;
    // The layout size with a depth of 100, also given to the 2D camera, to
    // the screen object and to the window's client area.
    void setSize(const KyVector3f32& size) override;

    // Shows the system cursor again and closes the window.
    virtual void destroy();
    // Opens the window at the layout size (or covering the screen when the
    // full-screen flag is set), hides the system cursor and sets up the 2D
    // camera. False, with a log line, when no window could be opened.
    virtual bool create();
    // The window, for the OpenGL context; null before create().
    virtual KyOsWindow* handle();

    // Handles one message as the window procedure does.
    void handleMessage(const KyOsMessage& message);

    // The window procedure: hands the message to the current window.
    static void windowProc(const KyOsMessage& message);
    // The window the procedure serves; create() sets it, the main loop may.
    static KyMainWindow* current();
    static void setCurrent(KyMainWindow* window);

    // Takes one waiting message of this window and hands it to the window
    // procedure (this window becomes the current one). False when none was
    // waiting.
    bool pumpMessage();
    // The message pump of the program's window.
    static KyOsEvents& messagePump();

    // True from the start of window's destruction: layouts detached while
    // the window goes must leave its draw signal alone. Compares addresses
    // only, so it may be asked about a window that is half destroyed.
    static bool isClosing(const KyMainWindow* window);

    // Width and height of the desktop.
    static KyVector2s32 getDesktopRect();

    bool paused() const { return m_paused; }
    bool redrawOnPaint() const { return m_redrawOnPaint; }
    KyArray<KyICallback0Param*>& onPauseChanged() { return m_onPauseChanged; }
    // Icon of the program's resources; this build carries none, so the
    // window shows the system's default icon.
    void setIconResourceId(u16 id) { m_iconResourceId = id; }
    u16 iconResourceId() const { return m_iconResourceId; }

private:
    void onActivate(const KyOsMessage& message);
    // Covers the screen again when the window does not already; tells the
    // user when the system refuses.
    bool coverScreen();
    void setPaused(bool paused);

    KyOsWindow m_window;
    u32 m_iconResourceId;
    bool m_redrawOnPaint;
    bool m_paused;
    KyArray<KyICallback0Param*> m_onPauseChanged;
};

#endif
