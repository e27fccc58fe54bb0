#ifndef KY_WAV_H
#define KY_WAV_H

#include "core/KyFile.h"
#include "media/KyISound.h"

// RIFF/WAVE decoder for uncompressed PCM. The samples are handed out as they
// are stored: 8-bit unsigned or 16-bit signed little-endian, interleaved.
class KyWav : public KyISound {
public:
    KyWav();
    ~KyWav() override;

    // Refuses (silently) any name whose extension is not exactly "wav".
    bool open(const KyString& filename) override;
    void close() override;

    u8 channels() override { return static_cast<u8>(m_channels); }
    u32 rate() override { return m_sampleRate; }
    u32 bits() override { return m_bitsPerSample; }
    void setBufferDuration(u32 milliseconds) override { m_bufferDuration = milliseconds; }
    u32 bufferDuration() override { return m_bufferDuration; }

    // Reads the next chunk of the "data" chunk (never past its end).
    bool decode(u8** buffer, size_t& size) override;
    // Reads the rest of the "data" chunk.
    u8* decodeAll(size_t& size) override;

    // The "data" chunk length, capped to what the file really holds and to a
    // whole number of frames.
    u32 dataSize() const { return m_dataSize; }
    u32 chunkSize() const { return m_chunkSize; }

private:
    KyWav(const KyWav&) = delete;
    KyWav& operator=(const KyWav&) = delete;

    // Parses the chunks up to the first sample; null on success, else the
    // reason for the log line.
    const char* readHeader();
    void resetFields();

    KyFile m_file;
    u32 m_bufferDuration;
    // The "fmt " chunk as read.
    u32 m_fmtSize;
    u16 m_audioFormat;
    u16 m_channels;
    u32 m_sampleRate;
    u32 m_byteRate;
    u16 m_blockAlign;
    u16 m_bitsPerSample;
    u32 m_dataSize;
    u8* m_pcm;
    u32 m_chunkSize;
    // Capacity of m_pcm in bytes.
    u32 m_pcmCapacity;
    // Bytes of the "data" chunk not yet handed out.
    u32 m_dataLeft;
};

#endif
