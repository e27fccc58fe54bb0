#include "os/KyOsThread.h"

#include <atomic>
#include <new>
#include <pthread.h>
#include <sched.h>
#include <thread>
#include <time.h>

namespace KyOsThread {

struct Thread {
    pthread_t id;
    Procedure procedure;
    void* argument;
    // Serialises waits: a pthread can be joined only once, while a handle
    // may be waited for by several callers.
    pthread_mutex_t waitLock;
    bool joined;
    // Held by the creator until the handle is complete; the new thread takes
    // it once before it starts its procedure.
    pthread_mutex_t startLock;
    // The handle and the starting thread each hold a reference; the last one
    // to let go frees the record.
    std::atomic<int> references;
};

struct Signal {
    pthread_mutex_t lock;
    pthread_cond_t changed;
    bool set;
};

struct Mutex {
    pthread_mutex_t lock;
    // Written only by the owner while it holds the lock; read by anyone, so
    // that a thread can tell whether it is the owner.
    std::atomic<pthread_t> owner;
    std::atomic<bool> owned;
    std::uint32_t depth;
};

namespace {

std::atomic<bool> g_creationRefused{false};

void release(Thread* thread)
{
    if (thread->references.fetch_sub(1) == 1) {
        pthread_mutex_destroy(&thread->startLock);
        pthread_mutex_destroy(&thread->waitLock);
        delete thread;
    }
}

void* trampoline(void* data)
{
    Thread* thread = static_cast<Thread*>(data);
    // Wait for the creator to finish filling in the handle.
    pthread_mutex_lock(&thread->startLock);
    Procedure procedure = thread->procedure;
    void* argument = thread->argument;
    pthread_mutex_unlock(&thread->startLock);
    // The handle may be closed while the thread runs (detached thread), so
    // nothing of it is used after this point.
    release(thread);
    procedure(argument);
    return nullptr;
}

} // namespace

void setCreationRefused(bool refused)
{
    g_creationRefused.store(refused);
}

std::uint32_t processorCount()
{
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) == 0) {
        const int count = CPU_COUNT(&set);
        if (count > 0)
            return std::uint32_t(count);
    }
    // More processors than the set holds, or no affinity to read.
    const unsigned cores = std::thread::hardware_concurrency();
    return cores > 0 ? cores : 1;
}

bool createThread(Procedure procedure, void* argument, Thread** handle)
{
    *handle = nullptr;
    if (!procedure || g_creationRefused.load())
        return false;
    Thread* thread = new (std::nothrow) Thread;
    if (!thread)
        return false;
    thread->procedure = procedure;
    thread->argument = argument;
    thread->joined = false;
    thread->references.store(2);
    if (pthread_mutex_init(&thread->waitLock, nullptr) != 0) {
        delete thread;
        return false;
    }
    if (pthread_mutex_init(&thread->startLock, nullptr) != 0) {
        pthread_mutex_destroy(&thread->waitLock);
        delete thread;
        return false;
    }
    pthread_mutex_lock(&thread->startLock);
    if (pthread_create(&thread->id, nullptr, &trampoline, thread) != 0) {
        pthread_mutex_unlock(&thread->startLock);
        pthread_mutex_destroy(&thread->startLock);
        pthread_mutex_destroy(&thread->waitLock);
        delete thread;
        return false;
    }
    *handle = thread;
    pthread_mutex_unlock(&thread->startLock);
    return true;
}

bool waitThread(Thread* thread)
{
    if (!thread)
        return false;
    if (isCurrentThread(thread))
        return false; // a thread waiting for itself would never wake up
    pthread_mutex_lock(&thread->waitLock);
    bool ok = thread->joined;
    if (!ok && pthread_join(thread->id, nullptr) == 0) {
        thread->joined = true;
        ok = true;
    }
    pthread_mutex_unlock(&thread->waitLock);
    return ok;
}

void closeThread(Thread* thread)
{
    if (!thread)
        return;
    pthread_mutex_lock(&thread->waitLock);
    if (!thread->joined)
        pthread_detach(thread->id);
    pthread_mutex_unlock(&thread->waitLock);
    release(thread);
}

bool isCurrentThread(const Thread* thread)
{
    return thread && pthread_equal(thread->id, pthread_self());
}

Mutex* createMutex()
{
    Mutex* mutex = new (std::nothrow) Mutex;
    if (!mutex)
        return nullptr;
    pthread_mutexattr_t attributes;
    bool ok = pthread_mutexattr_init(&attributes) == 0;
    if (ok) {
        ok = pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_RECURSIVE) == 0
            && pthread_mutex_init(&mutex->lock, &attributes) == 0;
        pthread_mutexattr_destroy(&attributes);
    }
    if (!ok) {
        delete mutex;
        return nullptr;
    }
    mutex->owned.store(false);
    mutex->depth = 0;
    return mutex;
}

bool lockMutex(Mutex* mutex)
{
    if (!mutex || pthread_mutex_lock(&mutex->lock) != 0)
        return false;
    if (mutex->depth++ == 0) {
        mutex->owner.store(pthread_self());
        mutex->owned.store(true);
    }
    return true;
}

bool ownsMutex(const Mutex* mutex)
{
    return mutex && mutex->owned.load() && pthread_equal(mutex->owner.load(), pthread_self());
}

bool unlockMutex(Mutex* mutex)
{
    if (!ownsMutex(mutex))
        return false;
    if (--mutex->depth == 0)
        mutex->owned.store(false);
    if (pthread_mutex_unlock(&mutex->lock) != 0) {
        // Still held: put the bookkeeping back as it was.
        if (mutex->depth++ == 0)
            mutex->owned.store(true);
        return false;
    }
    return true;
}

void closeMutex(Mutex* mutex)
{
    if (!mutex)
        return;
    while (ownsMutex(mutex))
        unlockMutex(mutex);
    pthread_mutex_destroy(&mutex->lock);
    delete mutex;
}

Signal* createSignal()
{
    Signal* signal = new (std::nothrow) Signal;
    if (!signal)
        return nullptr;
    pthread_condattr_t attributes;
    bool ok = pthread_condattr_init(&attributes) == 0;
    if (ok) {
        // Waits are timed on the monotonic clock, which no clock change moves.
        ok = pthread_condattr_setclock(&attributes, CLOCK_MONOTONIC) == 0 &&
             pthread_cond_init(&signal->changed, &attributes) == 0;
        pthread_condattr_destroy(&attributes);
    }
    if (ok && pthread_mutex_init(&signal->lock, nullptr) != 0) {
        pthread_cond_destroy(&signal->changed);
        ok = false;
    }
    if (!ok) {
        delete signal;
        return nullptr;
    }
    signal->set = false;
    return signal;
}

void setSignal(Signal* signal)
{
    if (!signal)
        return;
    pthread_mutex_lock(&signal->lock);
    signal->set = true;
    pthread_cond_broadcast(&signal->changed);
    pthread_mutex_unlock(&signal->lock);
}

void clearSignal(Signal* signal)
{
    if (!signal)
        return;
    pthread_mutex_lock(&signal->lock);
    signal->set = false;
    pthread_mutex_unlock(&signal->lock);
}

bool waitSignal(Signal* signal, std::uint32_t milliseconds)
{
    if (!signal)
        return false;
    timespec until;
    clock_gettime(CLOCK_MONOTONIC, &until);
    until.tv_sec += time_t(milliseconds / 1000);
    until.tv_nsec += long(milliseconds % 1000) * 1000000L;
    if (until.tv_nsec >= 1000000000L) {
        until.tv_sec += 1;
        until.tv_nsec -= 1000000000L;
    }
    pthread_mutex_lock(&signal->lock);
    while (!signal->set) {
        if (pthread_cond_timedwait(&signal->changed, &signal->lock, &until) != 0)
            break;
    }
    const bool set = signal->set;
    pthread_mutex_unlock(&signal->lock);
    return set;
}

void closeSignal(Signal* signal)
{
    if (!signal)
        return;
    pthread_cond_destroy(&signal->changed);
    pthread_mutex_destroy(&signal->lock);
    delete signal;
}

} // namespace KyOsThread
