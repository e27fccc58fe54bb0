#include "os/KyOsHeap.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <sys/resource.h>

#if defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define KY_OWN_ALLOCATOR 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define KY_OWN_ALLOCATOR 1
#endif

namespace {

long threadFaults()
{
    rusage usage;
    getrusage(RUSAGE_THREAD, &usage);
    return usage.ru_minflt;
}

} // namespace

// A texture-sized block taken after the warmer finished lands on pages the
// worker already wrote: writing all of it costs the thread next to no page
// faults (fresh memory would cost one a page, 1,024 for these 4 MiB).
TEST(OsHeap, TheNextBlocksOfTheThreadReuseTheWarmedPages)
{
    KyOsHeapWarmer::keepLargeBlocks();
    KyOsHeapWarmer warmer(24 << 20);
    warmer.finish();
    warmer.finish();
    EXPECT_TRUE(warmer.warmed());

    const long before = threadFaults();
    const std::size_t size = std::size_t(4) << 20;
    char* block = static_cast<char*>(std::malloc(size));
    ASSERT_NE(nullptr, block);
    std::memset(block, 1, size);
    const long faults = threadFaults() - before;
    std::free(block);
#ifndef KY_OWN_ALLOCATOR
    EXPECT_LT(faults, 64);
#else
    // The sanitizers' allocators map large blocks on their own.
    (void)faults;
#endif
}
