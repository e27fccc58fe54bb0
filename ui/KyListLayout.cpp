#include "ui/KyListLayout.h"

#include <cfloat>

namespace {

// Below this a list extent counts as empty: children then sit at its centre
// instead of being divided by it.
const f32 kMinimumExtent = 1.1920929e-07f;

KyVector3f32 componentMax(const KyVector3f32& a, const KyVector3f32& b)
{
    return KyVector3f32(a.x > b.x ? a.x : b.x, a.y > b.y ? a.y : b.y, a.z > b.z ? a.z : b.z);
}

// Bounds one component of the gap: the maximum first, then the minimum.
f32 boundGap(f32 gap, f32 smallest, f32 largest)
{
    if (gap > largest)
        return largest;
    if (gap < smallest)
        return smallest;
    return gap;
}

} // namespace

KyListLayout::KyListLayout()
    : direction(0.0f, 1.0f, 0.0f)
    , minimumMargin(-1000000.0f, -1000000.0f, -1000000.0f)
    , maximumMargin(FLT_MAX, FLT_MAX, FLT_MAX)
{
}

KyListLayout::~KyListLayout() {}

void KyListLayout::updateLayout()
{
    if (!m_needsUpdate || m_updating || !parent())
        return;
    m_needsUpdate = false;
    m_updating = true;

    updateZ();
    CoordinatesType requestedType = m_sizeType;
    KyVector3f32 requestedSize = m_userSize;

    updateSize();
    updateMesh();
    updatePosition();
    updateWorldMatrix();

    placeChildren();

    m_sizeType = requestedType;
    m_userSize = requestedSize;
    m_updating = false;
}

void KyListLayout::placeChildren()
{
    const u32 n = childCount();

    const KyVector3f32 zero(0.0f, 0.0f, 0.0f);
    KyVector3f32 advance = zero;
    KyVector3f32 extent = zero;
    for (u32 i = 0; i < n; ++i) {
        KyVector3f32 s = child(i)->size();
        extent = componentMax(extent, advance + s);
        advance = advance + s * direction;
    }

    KyVector3f32 listSize = size();
    KyVector3f32 gap = zero;
    if (n > 1)
        gap = (listSize - extent) / f32(n - 1);

    KyVector3f32 largest = maximumMargin * listSize;
    KyVector3f32 smallest = minimumMargin * listSize;
    gap.x = boundGap(gap.x, smallest.x, largest.x);
    gap.y = boundGap(gap.y, smallest.y, largest.y);
    gap.z = boundGap(gap.z, smallest.z, largest.z);

    // An empty list has no gaps at all: it takes size 0 whatever the
    // margins say.
    const u32 gapCount = n > 0 ? n - 1 : 0;
    m_sizeType = Pixel;
    m_userSize = gap * f32(gapCount) + extent;
    updateSize();
    updateWorldMatrix();

    advance = zero;
    for (u32 i = 0; i < n; ++i) {
        KyI3DObject2* node = child(i);
        KyVector3f32 s = node->size();
        node->setAnchor(KyVector3f32(0.5f, 0.5f, 0.5f));
        KyVector3f32 centre = advance + s / 2.0f;
        if (KyLayout* layout = dynamic_cast<KyLayout*>(node)) {
            layout->setPositionType(Percent);
            KyVector3f32 l = size();
            if (l.x > kMinimumExtent && l.y > kMinimumExtent && l.z > kMinimumExtent)
                layout->setPosition(centre / l);
            else
                layout->setPosition(KyVector3f32(0.5f, 0.5f, 0.0f));
        } else {
            node->setPosition(centre);
        }
        advance = advance + s * direction + gap;
    }
}
