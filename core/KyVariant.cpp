#include "core/KyVariant.h"

KyVariant::KyVariant()
{
    clear();
}

KyVariant::KyVariant(bool value)
{
    clear();
    m_type = TypeBool;
    m_payload.asBool = value;
}

KyVariant::KyVariant(s32 value)
{
    clear();
    m_type = TypeS32;
    m_payload.asS32 = value;
}

KyVariant::KyVariant(u32 value)
{
    clear();
    m_type = TypeU32;
    m_payload.asU32 = value;
}

KyVariant::KyVariant(s64 value)
{
    clear();
    m_type = TypeS64;
    m_payload.asS64 = value;
}

KyVariant::KyVariant(u64 value)
{
    clear();
    m_type = TypeU64;
    m_payload.asU64 = value;
}

KyVariant::KyVariant(f64 value)
{
    clear();
    m_type = TypeF64;
    m_payload.asF64 = value;
}

KyVariant::KyVariant(const KyString& value)
{
    clear();
    m_type = TypeString;
    m_payload.object = new KyString(value);
    m_ownsObject = 1;
}

KyVariant::KyVariant(const char* value)
{
    clear();
    m_type = TypeString;
    m_payload.object = new KyString(value ? value : "");
    m_ownsObject = 1;
}

KyVariant::KyVariant(const KyVariant& other)
{
    clear();
    assign(other);
}

KyVariant::~KyVariant()
{
    release();
}

KyVariant KyVariant::fromF32(f32 value)
{
    KyVariant v;
    v.m_type = TypeF32;
    v.m_payload.asF32 = value;
    return v;
}

KyVariant& KyVariant::operator=(const KyVariant& other)
{
    if (&other != this)
        assign(other);
    return *this;
}

void KyVariant::assign(const KyVariant& other)
{
    if (&other == this)
        return;
    release();
    m_payload = other.m_payload;
    m_type = other.m_type;
    m_word = other.m_word;
    m_ownsObject = other.m_ownsObject;
    if (other.m_type == TypeString) {
        const KyString* text = static_cast<const KyString*>(other.m_payload.object);
        m_payload.object = new KyString(text ? *text : KyString());
        m_ownsObject = 1;
    }
}

void KyVariant::clear()
{
    m_payload.asU64 = 0;
    m_type = TypeNone;
    m_word = 0;
    m_ownsObject = 0;
}

void KyVariant::release()
{
    if (m_ownsObject && m_payload.object)
        delete m_payload.object;
    clear();
}

bool KyVariant::toBool() const
{
    return m_type == TypeBool ? m_payload.asBool : false;
}

s32 KyVariant::toS32() const
{
    return m_type == TypeS32 ? m_payload.asS32 : 0;
}

u32 KyVariant::toU32() const
{
    return m_type == TypeU32 ? m_payload.asU32 : 0;
}

s64 KyVariant::toS64() const
{
    return m_type == TypeS64 ? m_payload.asS64 : 0;
}

u64 KyVariant::toU64() const
{
    return m_type == TypeU64 ? m_payload.asU64 : 0;
}

f32 KyVariant::toF32() const
{
    return m_type == TypeF32 ? m_payload.asF32 : 0.0f;
}

f64 KyVariant::toF64() const
{
    return m_type == TypeF64 ? m_payload.asF64 : 0.0;
}

KyString KyVariant::toString() const
{
    if (m_type != TypeString || !m_payload.object)
        return KyString("");
    return *static_cast<const KyString*>(m_payload.object);
}
