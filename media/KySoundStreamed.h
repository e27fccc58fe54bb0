#ifndef KY_SOUND_STREAMED_H
#define KY_SOUND_STREAMED_H

#include <cstddef>

#include "core/KyTypes.h"

class KyISound;
class KyString;

// Opens a sound file for chunk-by-chunk decoding (streamed music): picks the
// decoder by trying Ogg Vorbis, then WAVE. The forwarders expect an open
// decoder (isOpen()).
class KySoundStreamed {
public:
    KySoundStreamed();
    ~KySoundStreamed();

    // False with a message when no decoder accepts the file.
    bool open(const KyString& filename);
    // Deletes the decoder.
    void close();
    bool isOpen() const { return m_sound != nullptr; }

    bool decode(u8** buffer, size_t& size);
    u32 rate();
    u8 channels();
    u32 bits();

private:
    KySoundStreamed(const KySoundStreamed&) = delete;
    KySoundStreamed& operator=(const KySoundStreamed&) = delete;

    KyISound* m_sound;
};

#endif
