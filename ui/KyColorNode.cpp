#include "ui/KyColorNode.h"

#include "ui/KyTextVisitor.h"

u32 KyColorNode::serialize(KyStream& stream)
{
    KyWordNode::serialize(stream);
    writeByte(stream, color);
    writeByte(stream, bColor);
    return 0;
}

bool KyColorNode::readFrom(KyStream& stream)
{
    u8 glyphs = 0;
    u8 background = 0;
    if (!readByte(stream, glyphs) || !readByte(stream, background))
        return false;
    color = glyphs;
    bColor = background;
    return true;
}

void KyColorNode::accept(KyTextVisitor& visitor)
{
    visitor.visit(*this);
}
