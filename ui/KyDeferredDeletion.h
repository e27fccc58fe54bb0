#ifndef KY_DEFERRED_DELETION_H
#define KY_DEFERRED_DELETION_H

#include "core/KyArray.h"
#include "core/KyObject.h"

// The engine's one queue of objects to delete at the end of the frame.
// Interface objects are often released from inside their own callbacks (a
// click that closes the screen holding the button); deleting them there
// would destroy code and signal arrays still running. They are queued
// instead, and the application empties the queue once a frame, after the
// main window has drawn (KyVideoLayout::deletePending forwards here).
//
// The queue owns what it holds: a queued object stays valid until the end
// of the frame and must not be deleted by anyone else.
class KyDeferredDeletion {
public:
    // Queues the object. Null and an object already queued (in the current
    // pass: already deleted by it, or being deleted) are ignored, so nothing
    // is ever deleted twice.
    static void deleteLater(KyObject* object);

    // Deletes every queued object, oldest first, through its virtual
    // destructor. Objects queued by those destructors are deleted in the
    // same pass. The queue is then empty; its storage stays for the next
    // frame. A call made from inside a pass does nothing.
    static void deletePending();

    // The queue itself (count and capacity are observable).
    static const KyArray<KyObject*>& pendingDeletes();

private:
    KyDeferredDeletion() = delete;
};

#endif
