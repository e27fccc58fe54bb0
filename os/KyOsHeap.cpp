#include "os/KyOsHeap.h"

#include "os/KyOsThread.h"

#include <cstdint>
#include <cstdlib>
#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

namespace {

// Blocks below this size come from the heap; the C library's largest.
const int kHeapBlockLimit = 32 << 20;
// The free memory the heap keeps at its end before it gives any back.
const int kKeptFreeMemory = 64 << 20;
const std::uintptr_t kLargePage = std::uintptr_t(2) << 20;

void adviseLargePages(char* block, std::size_t size)
{
#ifdef MADV_HUGEPAGE
    const std::uintptr_t start = (std::uintptr_t(block) + kLargePage - 1) & ~(kLargePage - 1);
    const std::uintptr_t end = (std::uintptr_t(block) + size) & ~(kLargePage - 1);
    // Only an advice: a system without large pages leaves the pages small.
    if (end > start)
        madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);
#else
    (void)block;
    (void)size;
#endif
}

} // namespace

void KyOsHeapWarmer::keepLargeBlocks()
{
    mallopt(M_MMAP_THRESHOLD, kHeapBlockLimit);
    mallopt(M_TRIM_THRESHOLD, kKeptFreeMemory);
}

KyOsHeapWarmer::KyOsHeapWarmer(std::size_t bytes)
{
    while (bytes > 0 && m_count < MaxBlocks) {
        const std::size_t size = bytes < BlockBytes ? bytes : BlockBytes;
        char* block = static_cast<char*>(std::malloc(size));
        if (!block)
            break;
        m_blocks[m_count] = block;
        m_sizes[m_count] = size;
        ++m_count;
        bytes -= size;
    }
    if (m_count > 0 && !KyOsThread::createThread(&KyOsHeapWarmer::run, this, &m_thread))
        m_thread = nullptr;
}

KyOsHeapWarmer::~KyOsHeapWarmer()
{
    finish();
}

std::uint32_t KyOsHeapWarmer::run(void* data)
{
    KyOsHeapWarmer* warmer = static_cast<KyOsHeapWarmer*>(data);
    const long page = sysconf(_SC_PAGESIZE);
    const std::size_t step = page > 0 ? std::size_t(page) : 4096;
    for (std::size_t b = 0; b < warmer->m_count; ++b) {
        char* block = warmer->m_blocks[b];
        adviseLargePages(block, warmer->m_sizes[b]);
        // Volatile: the writes are the point, and the block is freed unread.
        volatile char* bytes = block;
        for (std::size_t i = 0; i < warmer->m_sizes[b]; i += step)
            bytes[i] = 0;
    }
    warmer->m_warmed = true;
    return 0;
}

void KyOsHeapWarmer::finish()
{
    if (m_thread) {
        KyOsThread::waitThread(m_thread);
        KyOsThread::closeThread(m_thread);
        m_thread = nullptr;
    }
    for (std::size_t b = 0; b < m_count; ++b)
        std::free(m_blocks[b]);
    m_count = 0;
}
