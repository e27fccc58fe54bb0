#ifndef KY_IMG_PREFETCH_H
#define KY_IMG_PREFETCH_H

#include "core/KyMutex.h"
#include "core/KyPath.h"
#include "core/KyString.h"
#include "core/KyWorkerPool.h"
#include "platform/KyImgResult.h"

#include <map>
#include <memory>
#include <string>

namespace KyOsThread { struct Signal; }

// Reads and decodes picture files ahead of their loading, on the program's
// worker threads (KyWorkerPool), while the main thread does other work:
// the game asks at its start for the pictures it is about to load, and
// KyImg::load then takes each one read instead of reading it itself
// (waiting for a thread still reading it, or reading one no thread has
// taken on the calling thread). Whatever the loader would log is logged
// when the picture is taken, so the log reads as without it.
//
// The threads read only the file found when the picture was asked for and
// run the picture readers; they touch no image, no resource list, no
// OpenGL and no Lua. Requests and takes are the main thread's.
class KyImgPrefetch {
public:
    // Never destroyed: a picture still being read as the program ends
    // finishes on live memory.
    static KyImgPrefetch& instance();

    // Starts reading the picture of path (a game path, found as KyImg::load
    // finds it), once; nothing when it names no picture KyImg::load reads
    // or no file is found for it.
    void request(const KyString& path);
    // The picture read for path, with what its reader logged; false when
    // path was not asked for (or was taken already), and the caller reads
    // the picture itself.
    bool take(const KyString& path, std::unique_ptr<KyImgResult>& picture, std::string& log);
    // Reads on the calling thread what no thread has taken, then waits for
    // the rest: every picture asked for is read.
    void finish();
    // Drops every picture not taken, without waiting: a picture a thread
    // is reading is dropped when its reading ends.
    void clear();

private:
    KyImgPrefetch();
    ~KyImgPrefetch() = delete;
    KyImgPrefetch(const KyImgPrefetch&) = delete;
    KyImgPrefetch& operator=(const KyImgPrefetch&) = delete;

    // Held by the request and by its job in the pool, whichever goes last.
    struct Job {
        KyPath file;
        KyString diskPath;
        KyString type;
        bool started = false;
        bool done = false;
        std::unique_ptr<KyImgResult> picture;
        std::string log;
    };

    // Under the lock: marks the job started; false when it was already.
    bool claim(Job& job);
    // Reads one job's picture (outside the lock), then marks it done.
    void read(Job& job);
    // Returns once a job started elsewhere is done.
    void waitForDone(Job& job);

    KyMutex m_mutex;
    // Set whenever a job is done, for a take waiting on one.
    KyOsThread::Signal* m_done;
    // By the path asked for, until taken.
    std::map<std::string, std::shared_ptr<Job>> m_jobs;
    KyWorkerPool::Group m_group;
};

#endif
