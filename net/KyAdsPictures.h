#ifndef KY_ADS_PICTURES_H
#define KY_ADS_PICTURES_H

#include "core/KyMutex.h"
#include "core/KyString.h"
#include "core/KyTypes.h"
#include "core/KyWorkerPool.h"
#include "platform/KyImgResult.h"

#include <memory>
#include <string>
#include <vector>

// The pictures of an advert set read on a worker thread (one job of the
// worker pool, read ahead of the main thread's needs), in order, within
// the set's budget: none wider or higher than maxSide, and all of them
// together no more than maxPixels. The reading stops at the first picture
// that is missing, damaged, cut short or over the budget - one over it is
// refused from its header, before anything of it is decoded. Each reader
// costs what its picture needs, and the files are read no further than 8
// bytes a pixel of the budget and 64 KiB a picture in all, so a set's
// reading is bounded whatever its files hold. The verdict, with what the
// picture readers logged, goes back to the main thread, which logs it when
// it takes the verdict.
//
// Two uses: the check of a downloaded set before it replaces the shown one
// (the pictures are dropped as they are read), and the reading of a page's
// pictures ahead of its showing (kept, for the main thread to take).
//
// A pool that has no thread at all (a machine of one core) gets no job: the
// owner's frames read the pictures instead, one a call of step, so that no
// frame pays for more than one picture within the budget.
class KyAdsPictures {
public:
    struct Source {
        // The game path the page names the picture by.
        KyString path;
        // The file read (resolved on the main thread).
        KyString diskPath;
    };

    explicit KyAdsPictures(KyWorkerPool& pool = KyWorkerPool::instance());
    // Stops after the picture being read and waits for it.
    ~KyAdsPictures();
    KyAdsPictures(const KyAdsPictures&) = delete;
    KyAdsPictures& operator=(const KyAdsPictures&) = delete;

    // Starts reading the sources; what an earlier start left is dropped.
    // keep: the pictures are kept for take.
    void start(const std::vector<Source>& sources, bool keep, u32 maxSide, u64 maxPixels);
    // Whether a reading was started and not cancelled.
    bool isStarted() const { return m_started; }
    // Whether the reading has ended; never waits, never reads.
    bool isDone();
    // With a pool that has no thread, reads the next picture on the calling
    // thread; nothing otherwise.
    void step();
    // The reading is needed now: its job goes before the pool's read-ahead.
    void hurry();
    // Waits for the end of the reading (read on the calling thread when no
    // worker has taken it).
    void finish();
    // Drops the reading: stops after the picture being read and waits.
    void cancel();

    // After the end:
    // Every source was read whole and within the budget.
    bool isWhole() const { return m_whole; }
    // The line saying why not (empty when whole), and what the readers
    // logged meanwhile.
    const KyString& failure() const { return m_failure; }
    const std::string& log() const { return m_log; }
    // Pixels read in all.
    u64 pixels() const { return m_pixels; }
    const std::vector<Source>& sources() const { return m_sources; }
    // The picture read for source i (kept readings only), once; null when
    // it was not read.
    std::unique_ptr<KyImgResult> take(u32 i);

private:
    // Reads every source in order (any thread).
    void readAll();
    // Reads the next source; false when nothing more is to be read.
    bool readNext();
    // The reading has ended: its verdict goes to the main thread.
    void publish();
    bool cancelled();

    std::vector<Source> m_sources;
    bool m_keep;
    u32 m_maxSide;
    u64 m_maxPixels;
    bool m_started;
    // Read by the owner's calls of step (the pool has no thread).
    bool m_stepped;
    KyWorkerPool& m_pool;

    // The reading under way, kept by whoever reads (the job, or step): the
    // next source, the pixels read, the bytes the files may take in all and
    // those left, why it stopped and what was logged.
    size_t m_next;
    u64 m_readPixels;
    u64 m_maxBytes;
    u64 m_bytesLeft;
    KyString m_readFailure;
    std::string m_readLog;

    // Guards what follows while a worker reads.
    KyMutex m_mutex;
    bool m_done;
    bool m_cancel;
    bool m_whole;
    KyString m_failure;
    std::string m_log;
    u64 m_pixels;
    std::vector<std::unique_ptr<KyImgResult>> m_pictures;

    KyWorkerPool::Group m_job;
};

#endif
