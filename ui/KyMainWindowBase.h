#ifndef KY_MAIN_WINDOW_BASE_H
#define KY_MAIN_WINDOW_BASE_H

#include "core/KyArray.h"
#include "core/KyICallback0Param.h"
#include "core/KyTypes.h"
#include "core/KyVector2s32.h"
#include "platform/KyCamera.h"
#include "platform/KyInputMgr.h"
#include "ui/KyLayout.h"

// The root layout of the 2D interface and the pointer state that the window
// procedure records: it owns the interface's orthographic camera (origin at
// the window centre, y down, one unit a pixel) and the draw signal through
// which every layout with a parent draws, once a frame. It is also the
// device the input manager polls (one pointer: the mouse).
class KyMainWindowBase : public KyLayout, public KyInputDevice {
public:
    KyMainWindowBase();
    ~KyMainWindowBase() override;

    // The 2D overlay pass: the camera, depth test and writes off, every
    // listener of the draw signal back to front, then depth back on, the
    // colour white and the model-view matrix the identity. False.
    bool draw() override;

    // The window's size type and position type are fixed.
    void setSizeType(CoordinatesType type) override;
    void setPositionType(CoordinatesType type) override;
    // The position is the window's place on the desktop, written by the
    // window procedure; setting it does nothing.
    void setPosition(const KyVector3f32& position) override;
    // The layout size with a depth of 100.
    void setSize(const KyVector3f32& size) override;

    u32 pointerCount() override { return 1; }
    // The pointer index is ignored: there is one mouse.
    KyVector2s32 mousePosition(u32 pointer) override;
    KyVector2s32 previousMousePosition(u32 pointer) override;
    u32 buttonState(u32 pointer) override;
    u32 previousButtonState(u32 pointer) override;

    virtual void setFullScreen(bool fullScreen);
    virtual bool isFullScreen();

    KyArray<KyICallback0Param*>& onDraw() { return m_onDraw; }
    KyCamera& camera() { return m_camera; }
    bool quit() const { return m_quit; }
    // The main loop ends once the flag is set: a quit button sets it as the
    // window procedure does when the window is destroyed.
    void setQuit(bool quit) { m_quit = quit; }

protected:
    // The camera's viewport and bounds for a window of width x height.
    void fitCamera(f32 width, f32 height);

    KyCamera m_camera;
    bool m_quit;
    KyVector2s32 m_mousePosition;
    KyVector2s32 m_previousMousePosition;
    u32 m_buttonState;
    u32 m_previousButtonState;
    bool m_fullScreen;
    KyArray<KyICallback0Param*> m_onDraw;
};

#endif
