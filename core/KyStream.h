#ifndef KY_STREAM_H
#define KY_STREAM_H

#include "core/KyTypes.h"

class KyString;

// The engine's byte stream. Memory strings, files and buffered files
// implement it; serialisers write and read through it. The text-mode flag
// decides how the number operators below travel: as decimal text (non-zero)
// or as raw little-endian bytes (0, the default).
class KyStream {
public:
    KyStream();
    // Clears the position, the two spare words and the size and frees the
    // buffer owned by the stream.
    virtual ~KyStream();

    KyStream(const KyStream&) = delete;
    KyStream& operator=(const KyStream&) = delete;

    // Stores n bytes at the current position; returns the count stored.
    virtual u32 write(const void* data, u32 n) = 0;
    // Copies up to n bytes from the current position; returns the count
    // copied, 0 at the end.
    virtual u32 read(void* out, u32 n) = 0;
    // Moves to an absolute position; false when refused.
    virtual bool seek(u32 pos) = 0;
    virtual u32 tell() const = 0;
    // Whether the position is at or past the end.
    virtual bool eof() const = 0;

    void setTextMode(u32 mode) { m_textMode = mode; }
    u32 textMode() const { return m_textMode; }

    // printf-style output through a block of bufferSize bytes: whatever does
    // not fit is cut, and only the bytes before the first NUL are written at
    // the current position. Returns the count written.
    u32 printf(const char* format, u32 bufferSize, ...)
#if defined(__GNUC__)
        __attribute__((format(printf, 2, 4)))
#endif
        ;

    // Skips blanks, returns the next word and leaves the stream on the
    // first byte of the word after it.
    KyString readWord();
    // Returns the text up to the next '\n' (consumed, not kept); every '\r'
    // is dropped.
    KyString readLine();

    // Decimal text parses at the current position. Each returns the number
    // of bytes consumed and stores the value only when that count is not 0;
    // the byte that ends the number is left to be read again.
    u32 parseU32(u32& value);
    u32 parseU16(u16& value);
    u32 parseS32(s32& value);
    u32 parseF64(f64& value);
    // Single precision throughout.
    u32 parseF32(f32& value);

protected:
    // Reads one byte; false at the end of the stream.
    bool readByte(u8& byte);
    // Moves back over the byte just read so the next operation reads it again.
    void stepBack();
    // Reads an optional leading '-'; returns the bytes consumed (0 or 1).
    u32 parseSign(bool& negative);
    template <typename Unsigned>
    u32 parseUnsigned(Unsigned& value);
    template <typename Real>
    u32 parseReal(Real& value);

    u32 m_position;
    u32 m_textMode;
    u8 m_flag;
    u32 m_word0;
    u32 m_word1;
    // Allocated size of m_buffer (a string's capacity).
    u32 m_size;
    // Owned block, freed with array delete by the destructor.
    u8* m_buffer;
};

// Writers: text mode writes decimal text (no separator, no NUL), binary mode
// the value's bytes in memory order. Each returns the stream so they chain.
KyStream& operator<<(KyStream& out, s32 value);
KyStream& operator<<(KyStream& out, u32 value);
// Text mode: "%f", six decimals, at any magnitude.
KyStream& operator<<(KyStream& out, f64 value);
// One raw byte in both modes.
KyStream& operator<<(KyStream& out, u8 value);
// One raw byte in both modes (a character is text, not a number).
KyStream& operator<<(KyStream& out, char value);
// The bytes up to, not including, the NUL; nothing for a null pointer.
KyStream& operator<<(KyStream& out, const char* text);
// Copies src from its position to its end into out.
KyStream& operator<<(KyStream& out, KyStream& src);

// Readers: binary mode reads the value's bytes (the target changes only
// when all of them were there); text mode parses decimal text and assigns
// the target only when at least one byte was consumed. u8 is one raw byte
// in both modes.
KyStream& operator>>(KyStream& in, u32& value);
KyStream& operator>>(KyStream& in, s32& value);
KyStream& operator>>(KyStream& in, u16& value);
KyStream& operator>>(KyStream& in, f64& value);
KyStream& operator>>(KyStream& in, f32& value);
KyStream& operator>>(KyStream& in, u8& value);

// readWord and readLine hand out strings: make them usable to whoever
// includes only the stream.
#include "core/KyString.h"

#endif
