#include "ui/KyStringNode.h"

#include "ui/KyTextVisitor.h"

u32 KyStringNode::serialize(KyStream& stream)
{
    KyWordNode::serialize(stream);
    writeText(stream, text);
    return 0;
}

bool KyStringNode::readFrom(KyStream& stream)
{
    return readText(stream, text);
}

void KyStringNode::accept(KyTextVisitor& visitor)
{
    visitor.visit(*this);
}
