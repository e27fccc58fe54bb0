#include "core/KyFileReadStream.h"

u32 KyFileReadStream::read(void* out, u32 n)
{
    const u32 got = m_file.readAt(m_at, out, n);
    m_at += got;
    return got;
}

bool KyFileReadStream::seek(u32 pos)
{
    m_at = pos;
    return true;
}
