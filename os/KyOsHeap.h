#ifndef KY_OS_HEAP_H
#define KY_OS_HEAP_H

#include <cstddef>
#include <cstdint>

namespace KyOsThread {
struct Thread;
}

// Writes the heap's next pages ahead of the thread that will use them.
//
// The first write to a fresh page of memory costs the process a page fault;
// on virtual machines a fault can cost ten microseconds and more. The game's
// start writes tens of megabytes of fresh memory on the main thread once
// its window is up (decoded pictures, the storage of textures in software
// drivers, the scripts' tables), while the main thread spends the time
// before that waiting for the graphics driver to load, with the other cores
// idle. A warmer takes a block of the calling thread's heap at once, has a
// worker thread write one byte in each of its pages (asking for large pages
// where the system gives them) and, once finished, gives the block back to
// the heap. The next allocations of the calling thread, whoever makes them,
// reuse the written pages - provided the heap keeps them (keepLargeBlocks):
// otherwise the blocks are maps of their own, given back to the system when
// freed, and a fresh map faults again.
//
// Allocators other than the C library's (the sanitizers') ignore the
// settings; the warmer then only costs its worker's time.
class KyOsHeapWarmer {
public:
    // Has the C library's heap keep large blocks, for the whole process:
    // blocks of up to 32 MiB are taken from the heap rather than mapped on
    // their own, and the heap is not trimmed below 64 MiB of free memory.
    // Freed memory then stays with the process.
    static void keepLargeBlocks();

    // Takes `bytes` from the heap, in blocks of at most 16 MiB (128 MiB in
    // all at most), and starts writing them; with no memory or no thread,
    // leaves them unwritten.
    explicit KyOsHeapWarmer(std::size_t bytes);
    // Finishes, as finish() does.
    ~KyOsHeapWarmer();

    // Waits for the worker and gives the blocks back to the heap. Call it
    // on the thread that made the warmer, before the work that will use the
    // memory. A second call does nothing.
    void finish();

    // Whether the worker wrote every page before finish() (for tests).
    bool warmed() const { return m_warmed; }

    KyOsHeapWarmer(const KyOsHeapWarmer&) = delete;
    KyOsHeapWarmer& operator=(const KyOsHeapWarmer&) = delete;

private:
    static const std::size_t BlockBytes = std::size_t(16) << 20;
    static const std::size_t MaxBlocks = 8;

    char* m_blocks[MaxBlocks] = {};
    std::size_t m_sizes[MaxBlocks] = {};
    std::size_t m_count = 0;
    KyOsThread::Thread* m_thread = nullptr;
    bool m_warmed = false;

    static std::uint32_t run(void* warmer);
};

#endif
