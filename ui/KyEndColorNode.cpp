#include "ui/KyEndColorNode.h"

#include "ui/KyTextVisitor.h"

void KyEndColorNode::accept(KyTextVisitor& visitor)
{
    visitor.visit(*this);
}
