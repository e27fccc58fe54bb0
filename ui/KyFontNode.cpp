#include "ui/KyFontNode.h"

#include "ui/KyTextNode.h"
#include "ui/KyTextVisitor.h"

KyFontNode::KyFontNode() : fontName(KyTextNode::defaultFontName)
{
}

u32 KyFontNode::serialize(KyStream& stream)
{
    KyWordNode::serialize(stream);
    writeText(stream, fontName);
    return 0;
}

bool KyFontNode::readFrom(KyStream& stream)
{
    return readText(stream, fontName);
}

void KyFontNode::accept(KyTextVisitor& visitor)
{
    visitor.visit(*this);
}
