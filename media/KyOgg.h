#ifndef KY_OGG_H
#define KY_OGG_H

#include <vorbis/vorbisfile.h>

#include "core/KyFile.h"
#include "media/KyISound.h"

// Ogg Vorbis decoder: vorbisfile reads the file through the engine's own
// KyFile (custom callbacks) and hands out 16-bit signed little-endian
// interleaved samples. Six-channel streams are reordered from the Vorbis 5.1
// order to the OpenAL one. Before any audio is decoded, the header packets of
// every link of the file go through KyVorbisSetupCheck: a stream the library
// would not decode safely is refused at open.
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

    // Checks the headers of every link the library found when opening; the
    // file position is left where the library expects it.
    bool checkHeaders(KyString& reason);
    // Checks the header packets of the logical stream serial, read from the
    // pages between the byte offsets start and end.
    bool checkLinkHeaders(s64 start, s64 end, long serial, KyString& reason);

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
    // No more samples: a later link of a chained file changed the layout, or
    // the library reported an error other than a hole.
    bool m_ended;
};

#endif
