#include "media/KyISound.h"

#include <cstdlib>

#include "core/KyString.h"
#include "media/KyOgg.h"
#include "media/KyWav.h"

KyISound* KyISound::openAny(const KyString& filename)
{
    KyISound* sound = new KyOgg();
    if (sound->open(filename))
        return sound;
    delete sound;

    sound = new KyWav();
    if (sound->open(filename))
        return sound;
    delete sound;
    return nullptr;
}

bool KyISound::reserveBuffer(u8*& buffer, u32& capacity, u32 n)
{
    if (buffer && capacity >= n)
        return true;
    u8* block = static_cast<u8*>(std::malloc(n ? n : 1));
    if (!block)
        return false;
    std::free(buffer);
    buffer = block;
    capacity = n;
    return true;
}
