#include "ui/KyDeferredDeletion.h"

namespace {

KyArray<KyObject*>& queue()
{
    // Built on first use. At exit only the storage is freed: what was
    // queued after the last pass is not deleted.
    static KyArray<KyObject*> pending;
    return pending;
}

bool g_purging = false;

} // namespace

void KyDeferredDeletion::deleteLater(KyObject* object)
{
    // During a pass the entries already deleted stay in the queue until it
    // ends, so a destructor that queues an object deleted earlier in the
    // same pass (or the object being deleted) is ignored as well.
    if (!object || queue().contains(object))
        return;
    queue().pushBack(object);
}

void KyDeferredDeletion::deletePending()
{
    if (g_purging)
        return;
    g_purging = true;
    KyArray<KyObject*>& pending = queue();
    // The bound is read again after every deletion: destructors may queue
    // more, and those go in this same pass.
    for (u32 i = 0; i < pending.count(); ++i) {
        if (pending[i])
            delete pending[i];
    }
    pending.resize(0);
    g_purging = false;
}

const KyArray<KyObject*>& KyDeferredDeletion::pendingDeletes()
{
    return queue();
}
