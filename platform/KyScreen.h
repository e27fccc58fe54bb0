#ifndef KY_SCREEN_H
#define KY_SCREEN_H

#include "core/KyArray.h"
#include "core/KyColor.h"
#include "core/KyICallback0Param.h"
#include "core/KyObject.h"
#include "core/KyTypes.h"
#include "core/KyVector3f32.h"

class KyRenderer;

// What the window, the input and the cameras share about the screen,
// reached through KySingleton<KyScreen>::instance(): its size in pixels
// (kept by the main window), the renderer cameras draw with (set by the
// application) and the clear colour.
class KyScreen : public KyObject {
public:
    typedef KyArray<KyICallback0Param*> Signal;

    KyScreen();
    ~KyScreen() override;
    KyScreen(const KyScreen&) = delete;
    KyScreen& operator=(const KyScreen&) = delete;

    // Fires onResize when the size really changes.
    void setSize(const KyVector3f32& size);
    const KyVector3f32& size() const { return m_size; }
    f32 width() const { return m_size.x; }
    f32 height() const { return m_size.y; }
    Signal& onResize() { return m_onResize; }

    void setRenderer(KyRenderer* renderer) { m_renderer = renderer; }
    KyRenderer* renderer() const { return m_renderer; }

    // Stores the clear colour and, once the screen has a renderer, hands it
    // to OpenGL. The float form takes 0..1 per channel, each stored as the
    // byte trunc(f * 255) (low 8 bits), in the order r, g, b, a.
    void setClearColor(const KyColor& color);
    void setClearColor(f32 r, f32 g, f32 b, f32 a);
    const KyColor& clearColor() const { return m_clearColor; }

private:
    KyVector3f32 m_size;
    KyRenderer* m_renderer;
    Signal m_onResize;
    KyColor m_clearColor;
};

#endif
