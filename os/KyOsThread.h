#ifndef KY_OS_THREAD_H
#define KY_OS_THREAD_H

#include <cstdint>

// Threads, mutexes and waits over pthreads, with the behaviour the engine
// expects from them:
// - a thread handle can be waited for once and then closed; closing a handle
//   whose thread was not waited for detaches the thread;
// - mutexes are recursive and owned by the thread that locked them, so only
//   the owner can release them.
namespace KyOsThread {

struct Thread;
struct Mutex;
struct Signal;

typedef std::uint32_t (*Procedure)(void* argument);

// Starts a thread running procedure(argument) at once. The handle is stored in
// *handle before the procedure begins, so the new thread may use it (or free
// its owner) from its first instruction; *handle is null and the result
// false when the system refuses to create the thread.
bool createThread(Procedure procedure, void* argument, Thread** handle);
// For tests: while set, createThread fails as when the system refuses to
// create a thread.
void setCreationRefused(bool refused);

// Waits without time limit for the thread to end. True once it has ended
// (also when it had already been waited for); false when the wait failed,
// for instance when called from the thread itself.
bool waitThread(Thread* thread);
// Frees the handle; a thread not waited for is detached and runs on.
void closeThread(Thread* thread);
// True when the calling thread is the one behind the handle.
bool isCurrentThread(const Thread* thread);
// The processors the calling thread may run on (its affinity, so a program
// started under taskset sees only those); at least 1.
std::uint32_t processorCount();

// Creates a recursive mutex, not owned; null on failure.
Mutex* createMutex();
// Waits without time limit for the mutex; false when the wait failed.
bool lockMutex(Mutex* mutex);
// Releases one level of ownership; false when the caller does not own it.
bool unlockMutex(Mutex* mutex);
// True when the calling thread holds the mutex.
bool ownsMutex(const Mutex* mutex);
// Frees the mutex; levels still held by the calling thread are released first.
void closeMutex(Mutex* mutex);

// A flag that threads can wait on, up to a time limit, and that wakes them
// at once when it is set. Made clear; null on failure.
Signal* createSignal();
// Sets the flag and wakes every thread waiting on it.
void setSignal(Signal* signal);
// Clears the flag.
void clearSignal(Signal* signal);
// Waits until the flag is set, at most the given milliseconds of the
// monotonic clock; whether it is set.
bool waitSignal(Signal* signal, std::uint32_t milliseconds);
void closeSignal(Signal* signal);

} // namespace KyOsThread

#endif
