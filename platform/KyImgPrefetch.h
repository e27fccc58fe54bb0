#ifndef KY_IMG_PREFETCH_H
#define KY_IMG_PREFETCH_H

#include "core/KyMutex.h"
#include "core/KyPath.h"
#include "core/KyString.h"
#include "core/KyThread.h"
#include "core/KyTypes.h"
#include "platform/KyImgResult.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace KyOsThread { struct Signal; }

// Reads and decodes picture files ahead of their loading, on worker threads
// (the engine's KyThread), while the main thread does other work: the game
// asks at its start for the pictures it is about to load, and KyImg::load
// then takes each one read instead of reading it itself (waiting for a
// worker still reading it, or reading one no worker has taken on the
// calling thread). Whatever the loader would log is logged when the
// picture is taken, so the log reads as without it.
//
// The workers read only the file found when the picture was asked for and
// run the picture readers; they touch no image, no resource list, no
// OpenGL and no Lua. Requests and takes are the main thread's.
class KyImgPrefetch {
public:
    static KyImgPrefetch& instance();
    ~KyImgPrefetch();

    // Starts reading the picture of path (a game path, found as KyImg::load
    // finds it), once; nothing when it names no picture KyImg::load reads
    // or no file is found for it.
    void request(const KyString& path);
    // The picture read for path, with what its reader logged; false when
    // path was not asked for (or was taken already), and the caller reads
    // the picture itself.
    bool take(const KyString& path, std::unique_ptr<KyImgResult>& picture, std::string& log);
    // Reads on the calling thread what no worker has taken, then waits for
    // the workers: every picture asked for is read.
    void finish();
    // Waits for the workers and drops every picture not taken.
    void clear();

private:
    KyImgPrefetch();
    KyImgPrefetch(const KyImgPrefetch&) = delete;
    KyImgPrefetch& operator=(const KyImgPrefetch&) = delete;

    struct Job {
        KyPath file;
        KyString diskPath;
        KyString type;
        bool done = false;
        std::unique_ptr<KyImgResult> picture;
        std::string log;
    };

    class Worker : public KyThread {
    public:
        explicit Worker(KyImgPrefetch& owner) : busy(false), m_owner(owner) {}
        ~Worker() override;
        void run() override;

        // Running the queue (under the owner's lock); a worker that is not
        // may be started again.
        bool busy;

    private:
        KyImgPrefetch& m_owner;
    };

    // Under the lock: the next job no one has started, taken off the queue;
    // or null, the worker then no longer busy.
    Job* nextJob(Worker& worker);
    // Reads one job's picture (outside the lock), then marks it done.
    void read(Job& job);
    // Returns once a job started by a worker is done.
    void waitForDone(Job& job);

    KyMutex m_mutex;
    // Set whenever a job is done, for a take waiting on one.
    KyOsThread::Signal* m_done;
    // By the path asked for; the jobs stay where they are until taken.
    std::map<std::string, std::unique_ptr<Job>> m_jobs;
    // Jobs in the order asked for, not started yet.
    std::vector<Job*> m_queue;
    std::vector<std::unique_ptr<Worker>> m_workers;
};

#endif
