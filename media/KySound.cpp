#include "media/KySound.h"

#include "core/KyFile.h"
#include "core/KyLog.h"
#include "media/KyISound.h"

KySound::KySound()
    : m_sound(nullptr)
{
}

KySound::~KySound()
{
    close();
}

void KySound::close()
{
    delete m_sound;
    m_sound = nullptr;
}

bool KySound::open(const KyString& filename)
{
    close();
    if (!KyFile::exists(filename))
        return false;

    m_sound = KyISound::openAny(filename);
    if (m_sound)
        return true;

    logPrint("[KySound::open(const KyString& filename)] can't open file : %s. File type may not be "
             "supported.\n",
             filename.c_str());
    return false;
}

u8* KySound::decodeAll(size_t& size)
{
    return m_sound->decodeAll(size);
}

u32 KySound::bits()
{
    return m_sound->bits();
}

u32 KySound::rate()
{
    return m_sound->rate();
}

u8 KySound::channels()
{
    return m_sound->channels();
}
