#ifndef KY_3DOBJECT2_H
#define KY_3DOBJECT2_H

#include "core/KyArray.h"
#include "core/KyCallback0Param.h"
#include "core/KyObject.h"
#include "platform/KyI3DObject2.h"

// The scene-graph node: a parent, an ordered list of children, visibility,
// position, size, anchor, scale, rotation and colour. World values are
// composed by walking up the parent chain through the interface. Changes
// travel down through signals: every child listens to its parent's
// world-transformation and world-colour signals and re-fires its own, so one
// change reaches the whole subtree.
//
// Children are not owned. A node keeps its place in the tree consistent on
// its own: adding a child that has another parent takes it out of the old
// parent's list first, adding a child twice changes nothing, and a node that
// is destroyed leaves its parent's list and releases its children.
class Ky3DObject2 : public KyObject, public KyI3DObject2 {
public:
    Ky3DObject2();
    ~Ky3DObject2() override;
    Ky3DObject2(const Ky3DObject2&) = delete;
    Ky3DObject2& operator=(const Ky3DObject2&) = delete;

    // Detaches every child (their parent becomes none) and empties the list.
    virtual void removeChildren();
    // Listeners hooked on the parent's signals: pass the change on to this
    // node's own listeners. False lets the parent's signal go on.
    virtual bool onParentWorldTransformationChanged();
    virtual bool onParentWorldColorChanged();

    // Unhooks from the old parent's signals and hooks onto the new one's;
    // attaching fires this node's transformation then colour signals. The
    // parents' child lists are not touched (addChild and removeChild do it).
    void setParent(KyI3DObject2* parent) override;
    KyI3DObject2* parent() override { return m_parent; }
    // Appends child and makes this node its parent. A null child, this node
    // itself, one of its ancestors (which would close a loop) or a child
    // already in the list is ignored; a child of another node is first
    // removed from that node.
    void addChild(KyI3DObject2* child) override;
    // Inserts child just before `before`; appends when `before` is not a
    // child. A child already in the list is moved there.
    void addChildBefore(KyI3DObject2* child, KyI3DObject2* before) override;
    // Detaches child and closes the gap; nothing when it is not a child.
    void removeChild(KyI3DObject2* child) override;
    u32 childCount() override { return m_children.count(); }
    KyI3DObject2* child(u32 index) override { return m_children[index]; }

    void setVisible(bool visible) override { m_visible = visible; }
    bool visible() override { return m_visible; }
    // False when this node's flag or the flag of any ancestor is false.
    bool worldVisible() override;

    // Fires onPositionChanged then onWorldTransformationChanged when the
    // position really changes.
    void setPosition(const KyVector3f32& position) override;
    KyVector3f32 position() override { return m_position; }
    Signal& onPositionChanged() override { return m_onPositionChanged; }
    // Plain sum of the positions up the chain (parents' scale and rotation
    // are not applied).
    KyVector3f32 worldPosition() override;

    // Fires onSizeChanged only, when the size really changes.
    void setSize(const KyVector3f32& size) override;
    KyVector3f32 size() override { return m_size; }
    Signal& onSizeChanged() override { return m_onSizeChanged; }

    void setAnchor(const KyVector3f32& anchor) override { m_anchor = anchor; }
    KyVector3f32 anchor() override { return m_anchor; }

    // Fires onWorldTransformationChanged when the scale really changes.
    void setScale(const KyVector3f32& scale) override;
    KyVector3f32 scale() override { return m_scale; }
    KyVector3f32 worldScale() override;

    // Fires onWorldTransformationChanged when the rotation really changes.
    void setRotation(const KyQuaternion& rotation) override;
    KyQuaternion rotation() override { return m_rotation; }
    // parent's world rotation (x) own rotation.
    KyQuaternion worldRotation() override;

    // Always stores and fires onWorldColorChanged, even for the same colour.
    void setColor(const KyColor& color) override;
    KyColor color() override { return m_color; }
    // Own colour modulated by the parent's world colour.
    KyColor worldColor() override;
    Signal& onWorldColorChanged() override { return m_onWorldColorChanged; }

    // T(position - anchor) . R(rotation) . S(scale).
    KyMatrix4x4 transformationMatrix() override;
    // parent's world matrix . local matrix.
    KyMatrix4x4 worldTransformationMatrix() override;
    Signal& onWorldTransformationChanged() override { return m_onWorldTransformationChanged; }

    void update() override {}
    void updateZ() override {}

protected:
    // True when node is this node's parent, grandparent, ...
    bool hasAncestor(KyI3DObject2* node);

    KyI3DObject2* m_parent;
    KyArray<KyI3DObject2*> m_children;
    bool m_visible;
    KyVector3f32 m_position;
    Signal m_onPositionChanged;
    KyVector3f32 m_size;
    Signal m_onSizeChanged;
    KyVector3f32 m_anchor;
    KyVector3f32 m_scale;
    KyQuaternion m_rotation;
    KyColor m_color;
    Signal m_onWorldColorChanged;
    Signal m_onWorldTransformationChanged;
    // Members, not heap objects: the parent's signals never delete them.
    KyCallback0Param<Ky3DObject2> m_colorListener;
    KyCallback0Param<Ky3DObject2> m_transformationListener;
};

#endif
