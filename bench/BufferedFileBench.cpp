// Reading a 64 MiB file whole through KyBufferedFile (opened, read to its end
// in the chunk size given, closed), its reader thread loading ahead while the
// calling thread reads, against one fread of the whole file into a fresh
// buffer. The file sits in the page cache after the first pass: the figures
// are those of the engine's own work, not of the disk.

#include "bench/BenchStatistics.h"
#include "bench/BenchTempFolder.h"
#include "core/KyBufferedFile.h"
#include "core/KyString.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

const u32 kBytes = 64u << 20;

struct Fixture {
    BenchTempFolder folder;
    std::string path;

    Fixture()
    {
        if (!folder.isReady())
            return;
        path = folder.file("file.bin");
        std::vector<u8> bytes(kBytes);
        u32 seed = 5;
        for (u8& b : bytes) {
            seed = seed * 1664525u + 1013904223u;
            b = u8(seed >> 24);
        }
        std::FILE* f = std::fopen(path.c_str(), "wb");
        if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size())
            path.clear();
        if (f)
            std::fclose(f);
    }
};

Fixture& fixture()
{
    static Fixture f;
    return f;
}

void BM_FileFreadWhole(benchmark::State& state)
{
    const std::string& path = fixture().path;
    for (auto _ : state) {
        std::FILE* f = std::fopen(path.c_str(), "rb");
        std::unique_ptr<u8[]> buffer(new u8[kBytes]);
        const size_t got = f ? std::fread(buffer.get(), 1, kBytes, f) : 0;
        if (f)
            std::fclose(f);
        if (got != kBytes)
            state.SkipWithError("short read");
        benchmark::DoNotOptimize(buffer.get());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * kBytes);
}

// Argument: the chunk size of each read.
void BM_FileBufferedRead(benchmark::State& state)
{
    const KyString path(fixture().path.c_str());
    const u32 chunk = u32(state.range(0));
    std::vector<u8> out(chunk);
    for (auto _ : state) {
        KyBufferedFile file;
        if (!file.Open_2(path, KyFile::ModeRead)) {
            state.SkipWithError("cannot open");
            break;
        }
        u64 total = 0;
        while (u32 got = file.read(out.data(), chunk))
            total += got;
        file.close();
        if (total != kBytes)
            state.SkipWithError("short read");
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * kBytes);
}

} // namespace

BENCHMARK(BM_FileFreadWhole)->Unit(benchmark::kMillisecond)->UseRealTime()->ComputeStatistics("min", benchMinimum);
BENCHMARK(BM_FileBufferedRead)
    ->Arg(4096)
    ->Arg(kBytes)
    ->ArgName("chunk")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->ComputeStatistics("min", benchMinimum);
