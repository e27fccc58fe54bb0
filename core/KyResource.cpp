#include "core/KyResource.h"

#include "core/KyResourceManager.h"
#include "core/KySingleton.h"

#include <atomic>

namespace {

// Pictures decoded on worker threads make their palettes there: the names
// are counted without a race.
std::atomic<u64> s_nameCounter{0};

} // namespace

KyResource::KyResource()
    : m_useCount(0)
    , m_listed(false)
{
    generateName();
}

KyResource::~KyResource()
{
    if (m_listed && KySingleton<KyResourceManager>::exists())
        KySingleton<KyResourceManager>::instance()->remove(this);
}

void KyResource::generateName()
{
    static const char digits[] = "0123456789ABCDEF";
    char name[17];
    u64 value = s_nameCounter.fetch_add(1);
    for (int i = 15; i >= 0; --i) {
        name[i] = digits[value & 0xF];
        value >>= 4;
    }
    name[16] = '\0';
    m_path = KyPath(name);
}

void KyResource::retain()
{
    ++m_useCount;
}

void KyResource::release()
{
    if (m_useCount == 0)
        return;
    if (--m_useCount > 0)
        return;
    if (m_listed && KySingleton<KyResourceManager>::exists())
        KySingleton<KyResourceManager>::instance()->remove(this);
    delete this;
}

void KyResource::setPath(const KyString& path)
{
    m_path = path;
}

void KyResource::lowerCasePath()
{
    m_path.makeLower();
}

u64 KyResource::nameCounter()
{
    return s_nameCounter;
}

void kyIntrusiveRetain(KyResource* resource)
{
    resource->retain();
}

void kyIntrusiveRelease(KyResource* resource)
{
    resource->release();
}
