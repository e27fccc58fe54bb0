#ifndef KY_OGG_H
#define KY_OGG_H

#include <vorbis/vorbisfile.h>

#include "core/KyFile.h"
#include "media/KyISound.h"

// Ogg Vorbis decoder: vorbisfile reads the file through the engine's own
// KyFile (custom callbacks) and hands out 16-bit signed little-endian
// interleaved samples. Six-channel streams are reordered from the Vorbis 5.1
// order to the OpenAL one.
class KyOgg : public KyISound {
public:
    KyOgg();
    ~KyOgg() override;

    // Refuses (silently) any name whose extension is not exactly "ogg".
    bool open(const KyString& filename) override;
    void close() override;

    u8 channels() override { return m_channels; }
    u32 rate() override { return m_rate; }
    u32 bits() override { return m_bits; }
    void setBufferDuration(u32 milliseconds) override { m_bufferDuration = milliseconds; }
    u32 bufferDuration() override { return m_bufferDuration; }

    bool decode(u8** buffer, size_t& size) override;
    u8* decodeAll(size_t& size) override;

    u32 chunkSize() const { return m_chunkSize; }

    // Largest amount decodeAll hands out; anything beyond is dropped, so a
    // tiny file that expands without end cannot exhaust memory.
    static constexpr size_t kMaxDecodeAll = size_t(128) << 20;

private:
    KyOgg(const KyOgg&) = delete;
    KyOgg& operator=(const KyOgg&) = delete;

    // The vorbisfile callbacks; the data source is the KyFile.
    static size_t readCallback(void* ptr, size_t size, size_t count, void* source);
    static int seekCallback(void* source, ogg_int64_t offset, int whence);
    static int closeCallback(void* source);
    static long tellCallback(void* source);

    void reorder51(size_t size);

    KyFile m_file;
    u32 m_bufferDuration;
    u8 m_channels;
    u32 m_rate;
    u32 m_bits;
    ov_callbacks m_callbacks;
    OggVorbis_File m_vf;
    u32 m_chunkSize;
    u8* m_pcm;
    // Capacity of m_pcm in bytes.
    u32 m_pcmCapacity;
    // m_vf holds an open stream (ov_clear is due).
    bool m_vfOpen;
    // A later link of a chained file changed the layout: no more samples.
    bool m_ended;
};

#endif
