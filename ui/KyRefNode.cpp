#include "ui/KyRefNode.h"

#include "ui/KyTextVisitor.h"

u32 KyRefNode::serialize(KyStream& stream)
{
    KyWordNode::serialize(stream);
    writeText(stream, href);
    return 0;
}

bool KyRefNode::readFrom(KyStream& stream)
{
    return readText(stream, href);
}

void KyRefNode::accept(KyTextVisitor& visitor)
{
    visitor.visit(*this);
}
