#include "core/KyFrameWait.h"

#include "core/KyArray.h"

namespace {

// The owners listed. Freed at exit; the pointer needs no destruction, so
// owners destroyed later (static ones) find it null and have nothing to
// leave.
KyArray<const KyFrameWait*>* g_owners = nullptr;

struct OwnersListOwner {
    ~OwnersListOwner()
    {
        delete g_owners;
        g_owners = nullptr;
    }
} g_ownersOwner;

} // namespace

KyFrameWait::KyFrameWait(std::function<bool()> waits)
    : m_waits(std::move(waits))
{
    if (!g_owners)
        g_owners = new KyArray<const KyFrameWait*>;
    g_owners->pushBack(this);
}

KyFrameWait::~KyFrameWait()
{
    if (g_owners)
        g_owners->remove(this);
}

bool KyFrameWait::isAnyWaiting()
{
    for (u32 i = 0; g_owners && i < g_owners->count(); ++i) {
        if ((*g_owners)[i]->waits())
            return true;
    }
    return false;
}
