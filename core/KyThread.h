#ifndef KY_THREAD_H
#define KY_THREAD_H

#include "core/KyMutex.h"
#include "core/KyTypes.h"

namespace KyOsThread {
struct Thread;
struct Signal;
}

// A worker thread: a derived class puts the work in run(), which reads
// stopRequested() regularly and returns once it is set. The running and
// stop-requested flags are read and written only under the object's mutex.
class KyThread {
public:
    KyThread();
    // Asks the thread to stop and waits for it to end, so that run() never
    // outlives the object. Called from the thread itself (run() deleting its
    // own object), it cannot wait and lets the thread end on its own.
    // A derived class whose run() uses its own members stops and waits in its
    // own destructor, since they are gone by the time this one runs.
    virtual ~KyThread();

    // The work of the thread.
    virtual void run() = 0;

    // Stops and waits for a thread started earlier, then starts a new one
    // running run(). A thread that cannot be created is logged.
    void start();
    // Under the mutex: running = true.
    void setRunning();
    // Under the mutex: stop requested = true; a run() waiting in
    // sleepUnlessStopped wakes at once.
    void requestStop();

    // Under the mutex: the flags.
    bool isRunning();
    bool stopRequested();

    // True while a thread handle is held (a thread was started and not yet
    // waited for).
    bool hasThread() const { return m_thread != nullptr; }
    // Waits without time limit for the thread to end, then forgets its
    // handle; nothing when no thread is held. The running flag is cleared.
    void wait();
    // Forgets the thread without waiting for it: it runs on and ends on its
    // own, and neither wait() nor the destructor waits for it any more. The
    // object must outlive whatever run() still does with it.
    void detach();

    // The procedure handed to the system: runs the object's run() and returns 0.
    static u32 threadProc(void* object);

    // How many threads the program's worker pool (KyWorkerPool) runs at
    // most, from the processors the program may run on: one is left to the
    // main thread, and at most four are taken from a machine that may be
    // shared; a single processor still gets one.
    static u32 workerLimit();

protected:
    // For run(): waits the given milliseconds, or less when a stop is
    // requested meanwhile; whether a stop is requested.
    bool sleepUnlessStopped(u32 milliseconds);

    KyMutex m_mutex;

private:
    KyThread(const KyThread&) = delete;
    KyThread& operator=(const KyThread&) = delete;

    KyOsThread::Thread* m_thread;
    // Set with the stop request, so that a sleeping run() wakes for it.
    KyOsThread::Signal* m_stopSignal;
    bool m_running;
    bool m_stopRequested;
};

#endif
