#include "core/KyThread.h"

#include "core/KyLog.h"
#include "os/KyOsThread.h"

#include <algorithm>

KyThread::KyThread()
    : m_thread(nullptr)
    , m_stopSignal(KyOsThread::createSignal())
    , m_running(false)
    , m_stopRequested(false)
{
}

KyThread::~KyThread()
{
    requestStop();
    if (m_thread) {
        if (!KyOsThread::isCurrentThread(m_thread))
            KyOsThread::waitThread(m_thread);
        // From the thread itself the handle is closed without a wait, which
        // detaches the thread: it ends when its run() returns.
        KyOsThread::closeThread(m_thread);
        m_thread = nullptr;
    }
    KyOsThread::closeSignal(m_stopSignal);
}

void KyThread::start()
{
    requestStop();
    wait();

    // The flags are set before the new thread exists, so it can never see the
    // stop request meant for the previous one, nor find itself not running.
    m_mutex.Lock();
    bool wasRunning = m_running;
    m_stopRequested = false;
    KyOsThread::clearSignal(m_stopSignal);
    m_mutex.Unlock();
    setRunning();

    // The handle is stored before run() begins: run() may destroy the object.
    if (!KyOsThread::createThread(&KyThread::threadProc, this, &m_thread)) {
        logPrint("ERROR; return code from CreateThread() is %d\n", 0);
        m_mutex.Lock();
        m_running = wasRunning;
        m_mutex.Unlock();
        return;
    }
}

void KyThread::setRunning()
{
    m_mutex.Lock();
    m_running = true;
    m_mutex.Unlock();
}

void KyThread::requestStop()
{
    m_mutex.Lock();
    m_stopRequested = true;
    KyOsThread::setSignal(m_stopSignal);
    m_mutex.Unlock();
}

bool KyThread::sleepUnlessStopped(u32 milliseconds)
{
    KyOsThread::waitSignal(m_stopSignal, milliseconds);
    return stopRequested();
}

bool KyThread::isRunning()
{
    m_mutex.Lock();
    bool running = m_running;
    m_mutex.Unlock();
    return running;
}

bool KyThread::stopRequested()
{
    m_mutex.Lock();
    bool stop = m_stopRequested;
    m_mutex.Unlock();
    return stop;
}

void KyThread::wait()
{
    if (!m_thread)
        return;
    KyOsThread::waitThread(m_thread);
    KyOsThread::closeThread(m_thread);
    m_thread = nullptr;
    m_mutex.Lock();
    m_running = false;
    m_mutex.Unlock();
}

void KyThread::detach()
{
    if (!m_thread)
        return;
    // Closing a handle not waited for detaches its thread.
    KyOsThread::closeThread(m_thread);
    m_thread = nullptr;
}

u32 KyThread::workerLimit()
{
    // One processor still gets a worker: the system shares it with the main
    // thread, and the frames go on while the worker reads.
    const u32 processors = KyOsThread::processorCount();
    return processors > 1 ? std::min(4u, processors - 1) : 1u;
}

u32 KyThread::threadProc(void* object)
{
    static_cast<KyThread*>(object)->run();
    return 0;
}
