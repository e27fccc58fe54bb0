#ifndef KY_SOUND_H
#define KY_SOUND_H

#include <cstddef>

#include "core/KyTypes.h"

class KyISound;
class KyString;

// Opens a sound file for whole-file decoding (effects): picks the decoder by
// trying Ogg Vorbis, then WAVE. The forwarders expect an open decoder.
class KySound {
public:
    KySound();
    ~KySound();

    // False, without a message, when the file does not exist; false with a
    // message when no decoder accepts it.
    bool open(const KyString& filename);
    // Deletes the decoder (and the samples it holds).
    void close();
    bool isOpen() const { return m_sound != nullptr; }

    u8* decodeAll(size_t& size);
    u32 bits();
    u32 rate();
    u8 channels();

private:
    KySound(const KySound&) = delete;
    KySound& operator=(const KySound&) = delete;

    KyISound* m_sound;
};

#endif
