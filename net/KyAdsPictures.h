#ifndef KY_ADS_PICTURES_H
#define KY_ADS_PICTURES_H

#include "core/KyString.h"
#include "core/KyTypes.h"
#include "core/KyWorkerPool.h"
#include "net/KyAdsSet.h"
#include "platform/KyImgResult.h"

#include <memory>
#include <string>
#include <vector>

// The pictures of an advert set read on a worker thread (one job of the
// worker pool, ahead of the main thread's needs), in order, within one
// allowance: none wider or higher than maxSide, all of them together no more
// than maxPixels, and their files read no further than maxBytes in all (the
// picture layer's limit, which every reader spends). A picture is whole when
// it decodes to its end within that and its file ends where the picture
// does: a file with bytes after its picture is not a whole picture. Each
// reader costs what its picture needs, so a reading is bounded whatever the
// files hold. What the readers logged, and why a picture was not whole, go
// back to the main thread, which logs them when it takes the result.
//
// Two uses: the check of a downloaded set before it replaces the shown one
// (the reading stops at the first picture that is not whole; the pictures
// are dropped as they are read), and the reading of a page's pictures ahead
// of its showing (kept, for the main thread to take; a picture that is not
// whole is left out and the others are read).
//
// The main thread never waits for the job: a reading dropped (cancel, a new
// start, the destructor) goes on to the end of the picture being read on
// its worker, and its result is dropped then. Only finish waits. When the
// pool cannot give a thread at all (none alive and none can be started),
// the owner's frames read the pictures instead, one a call of step, so that
// no frame pays for more than one picture within the budget; a reading the
// frames began is not taken by a thread that comes later.
class KyAdsPictures {
public:
    typedef KyAdsSet::Picture Source;

    explicit KyAdsPictures(KyWorkerPool& pool = KyWorkerPool::instance());
    // Drops the reading; never waits.
    ~KyAdsPictures();
    KyAdsPictures(const KyAdsPictures&) = delete;
    KyAdsPictures& operator=(const KyAdsPictures&) = delete;

    // Starts reading the sources; what an earlier start left is dropped.
    // keep: the pictures are kept for take, and one that is not whole does
    // not stop the others.
    void start(const std::vector<Source>& sources, bool keep, u32 maxSide, u64 maxPixels, u64 maxBytes);
    // Whether a reading was started and not dropped.
    bool isStarted() const { return m_reading != nullptr; }
    // Whether the reading has ended; never waits, never reads.
    bool isDone();
    // With a pool that cannot give a thread now (none alive, and none can
    // be started), or once the frames began the reading, reads the next
    // picture on the calling thread; nothing otherwise.
    void step();
    // The reading is needed now: its job goes before the pool's read-ahead.
    void hurry();
    // Waits for the end of the reading (read on the calling thread when no
    // worker has taken it). Not for the frames.
    void finish();
    // Drops the reading without waiting for it.
    void cancel();

    // After the end:
    // Every source was read whole within the allowance.
    bool isWhole() const;
    // The line saying why not (empty when whole), and what the readers
    // logged meanwhile (with, for a kept reading, why each picture left out
    // was).
    KyString failure() const;
    std::string log() const;
    // Pixels read in all.
    u64 pixels() const;
    // The sources of the reading started; none once it is dropped.
    const std::vector<Source>& sources() const;
    // The picture read for source i (kept readings only), once; null when
    // it was not read whole.
    std::unique_ptr<KyImgResult> take(u32 i);

private:
    // The reading, shared by the owner and the job that reads it, so that
    // a reading dropped by its owner ends on its worker on its own.
    struct Reading;

    std::shared_ptr<Reading> m_reading;
    KyWorkerPool& m_pool;
    KyWorkerPool::Group m_job;
};

#endif
