#ifndef KY_VARIANT_H
#define KY_VARIANT_H

#include "core/KyString.h"
#include "core/KyTypes.h"

// A small tagged value: a boolean, a 32- or 64-bit integer (signed or
// unsigned), a real in single or double precision, or a string. A typed read
// returns the value only when the variant holds exactly that type, and that
// type's zero otherwise: nothing is converted. A string is held as an owned
// heap copy, so every variant owns its own text.
class KyVariant {
public:
    enum Type {
        TypeNone = 0,
        TypeBool = 1,
        TypeS32 = 2,
        TypeU32 = 3,
        TypeS64 = 4,
        TypeU64 = 5,
        TypeF32 = 6,
        TypeF64 = 7,
        TypeString = 9
    };

    KyVariant();
    KyVariant(bool value);
    KyVariant(s32 value);
    KyVariant(u32 value);
    KyVariant(s64 value);
    KyVariant(u64 value);
    KyVariant(f64 value);
    KyVariant(const KyString& value);
    // A string variant; without this a character string would become a bool.
    KyVariant(const char* value);
    KyVariant(const KyVariant& other);
    ~KyVariant();

    // A float would otherwise widen to the f64 constructor.
    static KyVariant fromF32(f32 value);

    // Frees an owned string first; assigning a variant to itself does
    // nothing.
    KyVariant& operator=(const KyVariant& other);
    // Makes this variant a copy of other (a string gets its own heap copy),
    // freeing what this variant owned before.
    void assign(const KyVariant& other);

    u32 type() const { return m_type; }
    bool ownsObject() const { return m_ownsObject != 0; }

    bool toBool() const;
    s32 toS32() const;
    u32 toU32() const;
    s64 toS64() const;
    u64 toU64() const;
    f32 toF32() const;
    f64 toF64() const;
    // A copy of the text; "" when the variant is not a string.
    KyString toString() const;

private:
    union Payload {
        bool asBool;
        s32 asS32;
        u32 asU32;
        s64 asS64;
        u64 asU64;
        f32 asF32;
        f64 asF64;
        KyObject* object;
    };

    void clear();
    void release();

    Payload m_payload;
    u32 m_type;
    u32 m_word;
    u8 m_ownsObject;
};

#endif
