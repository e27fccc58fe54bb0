#include "core/KyMutex.h"

#include "os/KyOsThread.h"

KyMutex::KyMutex()
    : m_locked(false)
    , m_handle(KyOsThread::createMutex())
{
    if (!m_handle)
        throw "KyMutex::KyMutex : CreateMutex error";
}

KyMutex::~KyMutex()
{
    if (m_handle) {
        KyOsThread::closeMutex(m_handle);
        m_handle = nullptr;
    }
    m_locked = false;
}

void KyMutex::Lock()
{
    if (!KyOsThread::lockMutex(m_handle))
        throw "KyMutex::Lock : WaitForSingleObject error";
    m_locked = true;
}

void KyMutex::Unlock()
{
    // Only the owner may release; the flag is cleared while the lock is still
    // held so that the next owner's Lock cannot be overwritten.
    if (!KyOsThread::ownsMutex(m_handle))
        throw "KyMutex::Unlock : ReleaseMutex error";
    m_locked = false;
    if (!KyOsThread::unlockMutex(m_handle))
        throw "KyMutex::Unlock : ReleaseMutex error";
}
