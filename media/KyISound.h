#ifndef KY_ISOUND_H
#define KY_ISOUND_H

#include <cstddef>

#include "core/KyTypes.h"

class KyString;

// A sound file decoder: opens a file, reads its header and hands out PCM
// samples for OpenAL, either chunk by chunk (streamed music) or all at once
// (effects). The buffers it returns belong to the decoder and stay valid until
// the next decode, close or destruction. A decoder is used by one thread only.
class KyISound {
public:
    virtual ~KyISound() {}

    // Opens the file and reads its header: channels, rate, bits and the chunk
    // size. False (with a log line for a file of the right type) on failure;
    // a failed open leaves the decoder closed.
    virtual bool open(const KyString& filename) = 0;
    // Closes the file, frees the PCM buffer and resets the fields.
    virtual void close() = 0;

    virtual u8 channels() = 0;
    // Samples per second per channel.
    virtual u32 rate() = 0;
    // Bits per sample: 8 or 16 (a WAVE file may say otherwise).
    virtual u32 bits() = 0;

    // Duration of one streamed chunk in milliseconds, used by the next open.
    virtual void setBufferDuration(u32 milliseconds) = 0;
    virtual u32 bufferDuration() = 0;

    // Decodes the next chunk into the decoder's own buffer; *buffer and size
    // describe it. True when at least one byte came.
    virtual bool decode(u8** buffer, size_t& size) = 0;
    // Decodes everything left into the decoder's own buffer and returns it;
    // size is the number of bytes in it.
    virtual u8* decodeAll(size_t& size) = 0;

    // Opens the file with the first decoder that accepts it, trying Ogg
    // Vorbis, then WAVE; null when none does. The caller owns the decoder.
    static KyISound* openAny(const KyString& filename);

    // Makes sure the PCM buffer holds at least n bytes: a smaller one is
    // replaced (its bytes are not kept). False, with the buffer as it was,
    // when memory runs out.
    static bool reserveBuffer(u8*& buffer, u32& capacity, u32 n);

    // Default chunk duration: a quarter of a second.
    static constexpr u32 kDefaultBufferDuration = 250;
    // No chunk is ever larger than this; a header asking for more is refused.
    static constexpr u32 kMaxChunkSize = 16u << 20;

    // Size in bytes of one chunk of `duration` milliseconds, a whole number
    // of frames: frame = (bits / 8) * channels, bytes = frame * rate /
    // (1000 / duration). Computed in 64 bits. False when the values cannot
    // give a chunk: no channel or more than 255, fewer than 8 bits, a zero
    // rate, or a duration of 0 or above one second (1000 / duration would be
    // a division by zero), or a result of 0 bytes or above kMaxChunkSize.
    static bool computeChunkSize(u32 duration, u32 rate, u32 channels, u32 bits, u32& chunkSize)
    {
        if (channels == 0 || channels > 255 || bits < 8 || rate == 0 || duration == 0 ||
            duration > 1000)
            return false;
        u64 frame = static_cast<u64>(bits >> 3) * channels;
        u64 bytes = frame * rate / (1000 / duration);
        bytes -= bytes % frame;
        if (bytes == 0 || bytes > kMaxChunkSize)
            return false;
        chunkSize = static_cast<u32>(bytes);
        return true;
    }
};

#endif
