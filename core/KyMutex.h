#ifndef KY_MUTEX_H
#define KY_MUTEX_H

#include <atomic>

namespace KyOsThread { struct Mutex; }

// The engine's one lock: recursive, owned by the thread that took it. Its
// failures are programming or system errors and are thrown as the message
// text (a plain const char*), never returned.
class KyMutex {
public:
    // Throws "KyMutex::KyMutex : CreateMutex error" when the system mutex
    // cannot be created.
    KyMutex();
    ~KyMutex();

    // Waits without time limit; throws "KyMutex::Lock : WaitForSingleObject error".
    void Lock();
    // Releases one level; throws "KyMutex::Unlock : ReleaseMutex error" when
    // the calling thread does not hold the mutex.
    void Unlock();

    // True between a Lock and the next Unlock.
    bool isLocked() const { return m_locked.load(); }

private:
    KyMutex(const KyMutex&) = delete;
    KyMutex& operator=(const KyMutex&) = delete;

    std::atomic<bool> m_locked;
    KyOsThread::Mutex* m_handle;
};

// Holds a KyMutex for the lifetime of a scope.
class KyMutexLock {
public:
    explicit KyMutexLock(KyMutex& mutex) : m_mutex(mutex) { m_mutex.Lock(); }
    ~KyMutexLock() noexcept(false) { m_mutex.Unlock(); }

private:
    KyMutexLock(const KyMutexLock&) = delete;
    KyMutexLock& operator=(const KyMutexLock&) = delete;

    KyMutex& m_mutex;
};

#endif
