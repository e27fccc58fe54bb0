#ifndef KY_TEXT_TREE_H
#define KY_TEXT_TREE_H

#include "core/KySerialize.h"
#include "core/KyStream.h"
#include "core/KyString.h"
#include "core/KyTypes.h"

class KyTextVisitor;

// Base of every node of a rich-text tree: a text node holds paragraphs, a
// paragraph lines, a line word nodes (words and colour, font and link
// markers). Every node writes itself to a stream and reads itself back.
//
// Stream form: numbers travel with the stream's number operators (4 bytes
// little-endian in binary mode); colour bytes travel raw in both modes; a
// string is its length as a number followed by its bytes. In text mode every
// number is followed by one space, so that a number is never glued to the
// number or the bytes after it and the form reads back.
//
// Reading checks every length, count and id against what the stream really
// holds: a damaged or short stream makes deserialize fail, which readFailed
// reports; the node then holds no children.
class KyTextTree : public KySerialize {
public:
    KyTextTree() : m_readFailed(false) {}
    ~KyTextTree() override {}

    // Writes the node; returns 0.
    u32 serialize(KyStream& stream) override;
    void deserialize(KyStream& stream) override;
    // Calls the visitor's operation for the node's own class.
    virtual void accept(KyTextVisitor& visitor);

    // Whether the last deserialize met bad input.
    bool readFailed() const { return m_readFailed; }

    // The stream form's building blocks, shared by every node.
    static void writeNumber(KyStream& stream, s32 value);
    // False when no number (with its text-mode separator) is there.
    static bool readNumber(KyStream& stream, s32& value);
    static void writeByte(KyStream& stream, u8 value);
    static bool readByte(KyStream& stream, u8& value);
    // Writes the text up to its first NUL, preceded by that length.
    static void writeText(KyStream& stream, const KyString& text);
    // False for a negative length or fewer bytes than announced; text is
    // then unchanged. The bytes are read in slices, so a huge announced
    // length costs no more memory than the stream really holds.
    static bool readText(KyStream& stream, KyString& text);

protected:
    // Reads what serialize wrote; false on bad input.
    virtual bool readFrom(KyStream& stream);
    // Forgets the children read so far after a failed read.
    virtual void dropChildren() {}

private:
    KyTextTree(const KyTextTree&) = delete;
    KyTextTree& operator=(const KyTextTree&) = delete;

    bool m_readFailed;
};

#endif
