#ifndef KY_LAYOUT_H
#define KY_LAYOUT_H

#include "core/KyCallback0Param.h"
#include "core/KyColor.h"
#include "core/KyMatrix4x4.h"
#include "core/KyQuaternion.h"
#include "core/KyString.h"
#include "core/KyTypes.h"
#include "core/KyVector2s32.h"
#include "core/KyVector3f32.h"
#include "platform/Ky3DObject2.h"
#include "platform/KyMesh.h"

// The base of every 2D interface element, and of the main window itself.
//
// A layout's own geometry is the unit square -0.5 .. 0.5 (x and y) of its
// local frame; its world matrix maps that square into the main window's 2D
// camera space (origin at the window centre, x right, y down, one unit a
// pixel). Its size is given in pixels or as a fraction of the parent; its
// position is always a fraction of the parent (0 .. 1 across it, 0.5 the
// centre); the anchor is the point of the layout, in fractions of its own
// size, that is placed at the position. Ratio modes keep a width / height
// ratio inside the parent.
//
// Geometry is lazy: setters only raise needsUpdate, and updateLayout rebuilds
// it when a getter, the draw pass or a hit test needs it. A layout that has a
// parent listens to the main window's draw signal with priority -(its world
// z); children are spread in depth by child order, later ones in front.
class KyLayout : public Ky3DObject2 {
public:
    enum CoordinatesType : u32 { Pixel = 0, Percent = 1 };
    enum RatioMode : u32 { None = 0, LetterBox = 1, PanScan = 2 };

    KyLayout();
    ~KyLayout() override;

    // Parent notifications: flag the layout and pass the change on to its own
    // listeners (its children among them). Return false.
    bool onParentWorldTransformationChanged() override;

    // 1: draw the outline and the anchor cross (debugging); other values draw
    // nothing of the layout itself.
    virtual void setDrawMode(u32 mode);
    virtual u32 drawMode();
    virtual bool setName(const KyString& name);
    virtual KyString name();
    virtual void setSizeType(CoordinatesType type);
    virtual CoordinatesType sizeType();
    virtual KyVector3f32 userSize();
    virtual void setRatio(f32 ratio);
    virtual f32 ratio();
    virtual void setRatioMode(RatioMode mode);
    virtual RatioMode ratioMode();
    virtual void setSafeAreaRatio(f32 ratio);
    virtual f32 safeAreaRatio();
    virtual void setPositionType(CoordinatesType type);
    virtual CoordinatesType positionType();
    virtual KyVector3f32 userPosition();
    virtual void setQuadColor(const KyColor& color);
    // Whether a window point (client pixels, origin at the top-left corner,
    // y down) lies inside the layout's quad, edges included. A pointer
    // position (x, y) of the input manager is the window point
    // (x, trunc(main window height) - y).
    virtual bool isMouseIn(const KyVector2s32& point);
    // Draws the debug outline when drawMode is 1 and the layout is visible;
    // false, so the draw signal goes on.
    virtual bool draw();
    virtual void updateLayout();
    virtual void updatePosition();
    virtual void updateSize();
    virtual void updateMesh();
    virtual void updateWorldMatrix();
    virtual bool onParentSizeChanged();

    // Detaches every child (their parent becomes none).
    void removeChildren() override;

    // A layout given another parent, or none, also leaves the child list of
    // a layout that was its parent, so no parent keeps a pointer to a layout
    // that does not know it.
    void setParent(KyI3DObject2* parent) override;
    void addChild(KyI3DObject2* child) override;
    void addChildBefore(KyI3DObject2* child, KyI3DObject2* before) override;
    void removeChild(KyI3DObject2* child) override;
    // Stores the requested position (a fraction of the parent); always flags.
    void setPosition(const KyVector3f32& position) override;
    KyVector3f32 position() override;
    KyVector3f32 worldPosition() override;
    // Stores the requested size when it differs and fires onSizeChanged.
    void setSize(const KyVector3f32& size) override;
    // The lengths in window pixels of the layout's three local unit axes.
    KyVector3f32 size() override;
    void setAnchor(const KyVector3f32& anchor) override;
    void setScale(const KyVector3f32& scale) override;
    KyVector3f32 scale() override;
    KyVector3f32 worldScale() override;
    void setRotation(const KyQuaternion& rotation) override;
    KyMatrix4x4 worldTransformationMatrix() override;
    // Updates this layout, then every child in order.
    void update() override;
    // Spreads the layout children in depth by child order.
    void updateZ() override;

    bool needsUpdate() const { return m_needsUpdate; }
    // The priority of the draw listener: -(world z).
    f32 drawPriority() { return m_drawCallback.priority(); }

protected:
    // Replaces the child layout held in slot by layout (either may be null)
    // and gives the new one the outline colour of its quad.
    void replaceChild(KyLayout*& slot, KyLayout* layout, const KyColor& outline);

    bool m_needsUpdate;
    bool m_updating;
    u32 m_drawMode;
    KyString m_name;
    CoordinatesType m_sizeType;
    KyVector3f32 m_userSize;
    f32 m_ratio;
    RatioMode m_ratioMode;
    f32 m_safeAreaRatio;
    CoordinatesType m_positionType;
    KyVector3f32 m_userPosition;
    KyMesh m_quadMesh;
    KyMesh m_anchorMesh;
    KyMatrix4x4 m_worldMatrix;
    // Members, never deleted by the signals they sit in.
    KyCallback0Param<KyLayout> m_drawCallback;
    KyCallback0Param<KyLayout> m_parentSizeCallback;

private:
    bool isMainWindow();
    // Takes the draw listener out of the main window's draw signal when it
    // is there (a search of a signal that may hold thousands of listeners).
    void leaveDrawSignal();

    bool m_inDrawSignal;
    // While this layout itself detaches a child (or all of them), the child
    // must not come back to be removed a second time.
    KyI3DObject2* m_releasing;
    bool m_releasingAll;
};

#endif
