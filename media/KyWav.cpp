#include "media/KyWav.h"

#include <cstdlib>
#include <cstring>

#include "core/KyLog.h"
#include "core/KyPath.h"

namespace {

const char* const kCorrupted = "File is corrupted or truncated.";
const char* const kBadDuration = "Invalid buffer duration.";

u16 littleU16(const u8* p)
{
    return static_cast<u16>(p[0] | (p[1] << 8));
}

u32 littleU32(const u8* p)
{
    return static_cast<u32>(p[0]) | (static_cast<u32>(p[1]) << 8) |
           (static_cast<u32>(p[2]) << 16) | (static_cast<u32>(p[3]) << 24);
}

bool readExact(KyFile& file, void* out, u32 n)
{
    return file.read(out, n) == n;
}

bool readU16(KyFile& file, u16& value)
{
    u8 b[2];
    if (!readExact(file, b, 2))
        return false;
    value = littleU16(b);
    return true;
}

bool readU32(KyFile& file, u32& value)
{
    u8 b[4];
    if (!readExact(file, b, 4))
        return false;
    value = littleU32(b);
    return true;
}

} // namespace

KyWav::KyWav()
    : m_bufferDuration(kDefaultBufferDuration)
    , m_pcm(nullptr)
{
    resetFields();
}

KyWav::~KyWav()
{
    close();
}

void KyWav::resetFields()
{
    m_fmtSize = 0;
    m_audioFormat = 1;
    m_channels = 2;
    m_sampleRate = 44100;
    m_byteRate = 0;
    m_blockAlign = 0;
    m_bitsPerSample = 16;
    m_dataSize = 0;
    m_chunkSize = 0;
    m_pcmCapacity = 0;
    m_dataLeft = 0;
}

void KyWav::close()
{
    m_file.close();
    std::free(m_pcm);
    m_pcm = nullptr;
    // The chunk duration is kept: it is set before the open that uses it.
    resetFields();
}

bool KyWav::open(const KyString& filename)
{
    close();
    if (KyPath(filename).extension() != "wav")
        return false;

    if (!m_file.Open_2(filename, 1)) {
        logPrint("[KyWav::open(const KyString& filename)] File %s exist but can't be opened.\n",
                 filename.c_str());
        return false;
    }

    const char* error = readHeader();
    if (error) {
        logPrint("[KyWav::open(const KyString& filename)] file name : %s error : %s\n",
                 filename.c_str(), error);
        close();
        return false;
    }
    return true;
}

const char* KyWav::readHeader()
{
    u8 tag[4] = {0, 0, 0, 0};
    if (!readExact(m_file, tag, 4) || std::memcmp(tag, "RIFF", 4) != 0)
        return "Only RIFF type reconized.";
    u32 riffSize = 0;
    if (!readU32(m_file, riffSize))
        return kCorrupted;
    if (!readExact(m_file, tag, 4) || std::memcmp(tag, "WAVE", 4) != 0)
        return "Only WAVE format reconized.";

    const u64 fileSize = m_file.GetFileSize();
    bool fmtSeen = false;
    for (;;) {
        if (m_file.tell() >= fileSize || !readExact(m_file, tag, 4))
            return kCorrupted;

        if (std::memcmp(tag, "fmt ", 4) == 0) {
            if (!readU32(m_file, m_fmtSize) || m_fmtSize < 16)
                return kCorrupted;
            if (!readU16(m_file, m_audioFormat))
                return kCorrupted;
            if (m_audioFormat != 1)
                return "Only PCM format reconized.";
            if (!readU16(m_file, m_channels) || !readU32(m_file, m_sampleRate) ||
                !readU32(m_file, m_byteRate) || !readU16(m_file, m_blockAlign) ||
                !readU16(m_file, m_bitsPerSample))
                return kCorrupted;
            // Skip whatever a longer fmt chunk holds, and its pad byte.
            u64 next = static_cast<u64>(m_file.tell()) - 16 + m_fmtSize + (m_fmtSize & 1);
            if (next > fileSize || !m_file.seek(static_cast<u32>(next)))
                return kCorrupted;
            fmtSeen = true;
        } else if (std::memcmp(tag, "data", 4) == 0) {
            if (!fmtSeen || !readU32(m_file, m_dataSize))
                return kCorrupted;
            if (m_channels == 0 || m_channels > 255 || m_bitsPerSample < 8 || m_sampleRate == 0)
                return kCorrupted;
            if (m_bufferDuration == 0 || m_bufferDuration > 1000)
                return kBadDuration;
            if (!computeChunkSize(m_bufferDuration, m_sampleRate, m_channels, m_bitsPerSample,
                                  m_chunkSize))
                return kCorrupted;
            // Only what the file really holds, in whole frames.
            u64 left = fileSize - m_file.tell();
            if (m_dataSize > left)
                m_dataSize = static_cast<u32>(left);
            u32 frame = (m_bitsPerSample >> 3) * m_channels;
            m_dataSize -= m_dataSize % frame;
            m_dataLeft = m_dataSize;
            return nullptr;
        } else {
            // Any other chunk is skipped by its size plus the pad byte.
            u32 size = 0;
            if (!readU32(m_file, size))
                return kCorrupted;
            u64 next = static_cast<u64>(m_file.tell()) + size + (size & 1);
            if (next > fileSize || !m_file.seek(static_cast<u32>(next)))
                return kCorrupted;
        }
    }
}

bool KyWav::decode(u8** buffer, size_t& size)
{
    logPrint("[KyWav::decode(u8** buffer, size_t& bufferSize)] Not yet tested.\n");
    size = 0;
    *buffer = m_pcm;
    if (!m_file.isOpen() || !reserveBuffer(m_pcm, m_pcmCapacity, m_chunkSize))
        return false;
    *buffer = m_pcm;
    u32 want = m_dataLeft < m_chunkSize ? m_dataLeft : m_chunkSize;
    u32 got = want ? m_file.read(m_pcm, want) : 0;
    m_dataLeft -= got;
    u32 frame = (m_bitsPerSample >> 3) * m_channels;
    size = got - got % frame;
    return size != 0;
}

u8* KyWav::decodeAll(size_t& size)
{
    size = 0;
    std::free(m_pcm);
    m_pcm = nullptr;
    m_pcmCapacity = 0;
    if (!m_file.isOpen() || !reserveBuffer(m_pcm, m_pcmCapacity, m_dataLeft))
        return m_pcm;
    u32 got = m_dataLeft ? m_file.read(m_pcm, m_dataLeft) : 0;
    m_dataLeft -= got;
    u32 frame = (m_bitsPerSample >> 3) * m_channels;
    size = got - got % frame;
    return m_pcm;
}
