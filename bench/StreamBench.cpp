// Reading a 64 MiB memory string through the stream interface, in chunks of
// 4 KiB and of 1 byte, against a stream whose read is one memcpy; and
// copying the whole string into another stream with the stream-to-stream
// operator. Both streams are read through a KyStream reference, so both pay
// the same virtual call per chunk.

#include "bench/BenchStatistics.h"
#include "core/KyStream.h"
#include "core/KyString.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

const u32 kBytes = 64u << 20;

// The baseline: a read-only stream over a block, read with memcpy.
class MemcpyStream : public KyStream {
public:
    MemcpyStream(const u8* data, u32 size) : m_data(data), m_length(size) {}

    u32 write(const void*, u32) override { return 0; }
    u32 read(void* out, u32 n) override
    {
        const u32 available = m_length - m_position;
        if (n > available)
            n = available;
        std::memcpy(out, m_data + m_position, n);
        m_position += n;
        return n;
    }
    bool seek(u32 pos) override
    {
        if (pos > m_length)
            return false;
        m_position = pos;
        return true;
    }
    u32 tell() const override { return m_position; }
    bool eof() const override { return m_position >= m_length; }

private:
    const u8* m_data;
    u32 m_length;
};

// 64 MiB of varied bytes, as a string and as a plain block.
struct Fixture {
    std::vector<u8> bytes;
    KyString text;

    Fixture() : bytes(kBytes)
    {
        u32 seed = 1;
        for (u8& b : bytes) {
            seed = seed * 1664525u + 1013904223u;
            b = u8(seed >> 24);
        }
        text.write(bytes.data(), kBytes);
    }
};

Fixture& fixture()
{
    static Fixture f;
    return f;
}

void readAll(benchmark::State& state, KyStream& stream)
{
    const u32 chunk = u32(state.range(0));
    std::vector<u8> out(chunk);
    for (auto _ : state) {
        stream.seek(0);
        u64 total = 0;
        while (u32 got = stream.read(out.data(), chunk))
            total += got;
        if (total != kBytes)
            state.SkipWithError("short read");
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * kBytes);
}

void BM_StreamReadMemcpy(benchmark::State& state)
{
    MemcpyStream stream(fixture().bytes.data(), kBytes);
    KyStream* base = &stream;
    benchmark::DoNotOptimize(base);
    readAll(state, *base);
}

void BM_StreamReadKyString(benchmark::State& state)
{
    KyStream* base = &fixture().text;
    benchmark::DoNotOptimize(base);
    readAll(state, *base);
}

// The whole string into a string through operator<<(stream, stream). The
// target is reserved first: a string grows to exactly the size asked for, so
// growing it write by write would measure the reallocations instead.
void BM_StreamCopyKyString(benchmark::State& state)
{
    KyString& source = fixture().text;
    for (auto _ : state) {
        KyString copy;
        copy.reserve(kBytes);
        source.seek(0);
        copy << source;
        if (copy.length() != kBytes)
            state.SkipWithError("short copy");
        benchmark::DoNotOptimize(copy.c_str());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * kBytes);
}

} // namespace

BENCHMARK(BM_StreamReadMemcpy)->Arg(4096)->Arg(1)->ArgName("chunk")->Unit(benchmark::kMillisecond)
    ->ComputeStatistics("min", benchMinimum);
BENCHMARK(BM_StreamReadKyString)->Arg(4096)->Arg(1)->ArgName("chunk")->Unit(benchmark::kMillisecond)
    ->ComputeStatistics("min", benchMinimum);
BENCHMARK(BM_StreamCopyKyString)->Unit(benchmark::kMillisecond)->ComputeStatistics("min", benchMinimum);
