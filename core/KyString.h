#ifndef KY_STRING_H
#define KY_STRING_H

#include "core/KyObject.h"
#include "core/KyStream.h"
#include "core/KyTypes.h"

// The engine's text type: a byte string that is also a growable memory
// stream (in text mode, so the stream operators format numbers as decimal
// text into it). The stream's buffer and size are the text's buffer and
// capacity. The buffer holds capacity + 1 bytes, is null until something is
// reserved, and grows to exactly the size asked for, never more. Copies
// are deep.
class KyString : public KyObject, public KyStream {
public:
    KyString();
    // A null pointer gives an empty string in binary mode.
    KyString(const char* text);
    // n bytes (NULs included); a null pointer gives an empty string in
    // binary mode.
    KyString(const char* bytes, u32 n);
    KyString(const KyString& other);
    // The decimal text of value.
    KyString(s32 value);
    ~KyString() override;

    // Pointer just after the last ':', '/' or '\\'; the whole text when
    // there is none.
    virtual const char* getFileName() const;
    // Pointer just after the last '.', "" when the text is shorter than 3
    // or has no '.' past its first character.
    virtual const char* getExtension() const;
    // Cuts the text just after the last separator (which stays); a text
    // without separator becomes "".
    virtual void removeFileName();
    // Removes everything up to and including the last separator.
    virtual void removeDirectory();
    // Cuts at the last '.' anywhere in the text (the '.' goes).
    virtual void removeExtension();
    virtual void setExtension(const KyString& extension);
    virtual void makeLower();
    virtual KyString toLower() const;
    virtual void makeUpper();
    virtual KyString toUpper() const;
    // Never null: "" while there is no buffer.
    virtual const char* c_str() const;
    virtual u32 length() const;

    // Assignments reset the stream position; a null pointer changes nothing.
    virtual KyString& operator=(const char* text);
    virtual KyString& operator=(const KyString& other);
    // Appends; the source may be this string or point into it.
    virtual KyString& operator+=(char c);
    virtual KyString& operator+=(const char* text);
    virtual KyString& operator+=(const KyString& other);

    // Characters first through last inclusive, stopping at the end.
    virtual KyString extract(u32 first, u32 last) const;
    // count characters from pos, clamped at the end; "" when pos is past it.
    virtual KyString substr(u32 pos, u32 count) const;
    // Grows the buffer to hold exactly n characters; never shrinks.
    virtual void reserve(u32 n);

    // Replaces the text with n bytes; position 0.
    void assign(const char* bytes, u32 n);
    // The byte at i, 0 past the end.
    char at(u32 i) const;
    // Whether needle occurs; its byte offset goes to offset when non-null.
    bool find(const KyString& needle, u32* offset = nullptr) const;
    int compareN(const KyString& other, u32 n) const;
    // Replaces the text with printf-style output of any length; "" when the
    // format cannot be produced. The output goes in through the stream
    // write, so the position ends after it and later stream writes append.
    void format(const char* fmt, ...)
#if defined(__GNUC__)
        __attribute__((format(printf, 2, 3)))
#endif
        ;

    u32 capacity() const { return m_size; }
    bool isEmpty() const { return m_length == 0; }

    // Stream operations over the text.
    u32 write(const void* data, u32 n) override;
    u32 read(void* out, u32 n) override;
    bool seek(u32 pos) override;
    u32 tell() const override;
    bool eof() const override;

protected:
    char* text() { return reinterpret_cast<char*>(m_buffer); }
    const char* text() const { return reinterpret_cast<const char*>(m_buffer); }
    // Index just after the last ':', '/' or '\\', or 0 when there is none;
    // found tells which.
    u32 fileNameStart(bool* found = nullptr) const;
    // Index of the last '.' in the text, or -1.
    s32 lastDot() const;
    // Cuts the text at n characters.
    void truncate(u32 n);
    // Appends n bytes from bytes, which may point into this string's buffer.
    void appendBytes(const char* bytes, u32 n);

    u32 m_length;
};

KyString operator+(const KyString& a, const KyString& b);

// Comparisons work on the texts up to their first NUL, as unsigned bytes.
bool operator==(const KyString& a, const KyString& b);
bool operator==(const char* a, const KyString& b);
bool operator==(const KyString& a, const char* b);
// Different lengths always differ.
bool operator!=(const KyString& a, const KyString& b);
bool operator!=(const char* a, const KyString& b);
bool operator!=(const KyString& a, const char* b);
// strcmp order (a proper prefix first): the key order of sorted maps.
bool operator<(const KyString& a, const KyString& b);

#endif
