#ifndef KY_TEST_COUNTING_STREAM_H
#define KY_TEST_COUNTING_STREAM_H

#include "core/KyStream.h"
#include "core/KyTypes.h"

#include <algorithm>
#include <cstring>
#include <vector>

// A read-only memory stream that counts the bytes its reader takes, to
// measure a reader's work by what it reads rather than by the clock. Like a
// file it refuses seeks past its end.
class CountingStream : public KyStream {
public:
    explicit CountingStream(const std::vector<u8>& bytes) : m_bytes(bytes), m_at(0), m_read(0) {}

    u32 write(const void*, u32) override { return 0; }
    u32 read(void* out, u32 n) override
    {
        const u32 count = static_cast<u32>(std::min<size_t>(n, m_bytes.size() - m_at));
        std::memcpy(out, m_bytes.data() + m_at, count);
        m_at += count;
        m_read += count;
        return count;
    }
    bool seek(u32 pos) override
    {
        if (pos > m_bytes.size())
            return false;
        m_at = pos;
        return true;
    }
    u32 tell() const override { return static_cast<u32>(m_at); }
    bool eof() const override { return m_at >= m_bytes.size(); }

    u64 bytesRead() const { return m_read; }

private:
    const std::vector<u8>& m_bytes;
    size_t m_at;
    u64 m_read;
};

#endif
