#include "ui/KyTextTree.h"

#include "ui/KyTextVisitor.h"

#include <cstring>
#include <vector>

namespace {

// Bytes read at once when a string is read back.
const u32 kTextSlice = 4096;

} // namespace

u32 KyTextTree::serialize(KyStream&)
{
    return 0;
}

void KyTextTree::deserialize(KyStream& stream)
{
    dropChildren();
    m_readFailed = !readFrom(stream);
    if (m_readFailed)
        dropChildren();
}

bool KyTextTree::readFrom(KyStream&)
{
    return true;
}

void KyTextTree::accept(KyTextVisitor& visitor)
{
    visitor.visit(*this);
}

void KyTextTree::writeNumber(KyStream& stream, s32 value)
{
    stream << value;
    if (stream.textMode())
        stream << ' ';
}

bool KyTextTree::readNumber(KyStream& stream, s32& value)
{
    if (!stream.textMode()) {
        s32 raw = 0;
        if (stream.read(&raw, sizeof(raw)) != sizeof(raw))
            return false;
        value = raw;
        return true;
    }
    // A sign alone is no number: the parse must have taken a digit.
    u32 before = stream.tell();
    s32 parsed = 0;
    u32 consumed = stream.parseS32(parsed);
    if (consumed == 0)
        return false;
    if (consumed == 1) {
        u8 first = 0;
        stream.seek(before);
        if (stream.read(&first, 1) != 1 || first == '-')
            return false;
    }
    u8 separator = 0;
    if (stream.read(&separator, 1) != 1 || separator != ' ')
        return false;
    value = parsed;
    return true;
}

void KyTextTree::writeByte(KyStream& stream, u8 value)
{
    stream << value;
}

bool KyTextTree::readByte(KyStream& stream, u8& value)
{
    return stream.read(&value, 1) == 1;
}

void KyTextTree::writeText(KyStream& stream, const KyString& text)
{
    // The length is the one of the bytes really written: a NUL inside the
    // text would otherwise leave the stream out of step with its lengths.
    u32 length = static_cast<u32>(strnlen(text.c_str(), text.length()));
    writeNumber(stream, static_cast<s32>(length));
    if (length)
        stream.write(text.c_str(), length);
}

bool KyTextTree::readText(KyStream& stream, KyString& text)
{
    s32 length = 0;
    if (!readNumber(stream, length) || length < 0)
        return false;
    std::vector<char> bytes;
    u32 left = static_cast<u32>(length);
    while (left > 0) {
        u32 slice = left < kTextSlice ? left : kTextSlice;
        size_t at = bytes.size();
        bytes.resize(at + slice);
        if (stream.read(bytes.data() + at, slice) != slice)
            return false;
        left -= slice;
    }
    bytes.push_back('\0');
    text = bytes.data();
    return true;
}
