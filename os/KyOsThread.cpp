#include "os/KyOsThread.h"

#include <atomic>
#include <new>
#include <pthread.h>

namespace KyOsThread {

struct Thread {
    pthread_t id;
    Procedure procedure;
    void* argument;
    // Serialises waits: a pthread can be joined only once, while a handle
    // may be waited for by several callers.
    pthread_mutex_t waitLock;
    bool joined;
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

void* trampoline(void* data)
{
    Thread* thread = static_cast<Thread*>(data);
    // The handle may be closed while the thread runs (detached thread), so
    // take what is needed before calling out.
    Procedure procedure = thread->procedure;
    void* argument = thread->argument;
    procedure(argument);
    return nullptr;
}

} // namespace

Thread* createThread(Procedure procedure, void* argument)
{
    if (!procedure)
        return nullptr;
    Thread* thread = new (std::nothrow) Thread;
    if (!thread)
        return nullptr;
    thread->procedure = procedure;
    thread->argument = argument;
    thread->joined = false;
    if (pthread_mutex_init(&thread->waitLock, nullptr) != 0) {
        delete thread;
        return nullptr;
    }
    if (pthread_create(&thread->id, nullptr, &trampoline, thread) != 0) {
        pthread_mutex_destroy(&thread->waitLock);
        delete thread;
        return nullptr;
    }
    return thread;
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
    pthread_mutex_destroy(&thread->waitLock);
    delete thread;
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

} // namespace KyOsThread
