#include "media/KySoundStreamed.h"

#include "core/KyLog.h"
#include "core/KyString.h"
#include "media/KyISound.h"

KySoundStreamed::KySoundStreamed()
    : m_sound(nullptr)
{
}

KySoundStreamed::~KySoundStreamed()
{
    close();
}

void KySoundStreamed::close()
{
    delete m_sound;
    m_sound = nullptr;
}

bool KySoundStreamed::open(const KyString& filename)
{
    close();

    m_sound = KyISound::openAny(filename);
    if (m_sound)
        return true;

    logPrint("[KySoundStreamed::open(const KyString& filename)] can't open file : %s. File type may "
             "not be supported.\n",
             filename.c_str());
    return false;
}

bool KySoundStreamed::decode(u8** buffer, size_t& size)
{
    return m_sound->decode(buffer, size);
}

u32 KySoundStreamed::rate()
{
    return m_sound->rate();
}

u8 KySoundStreamed::channels()
{
    return m_sound->channels();
}

u32 KySoundStreamed::bits()
{
    return m_sound->bits();
}
