#include "ui/KyEndRefNode.h"

#include "ui/KyTextVisitor.h"

void KyEndRefNode::accept(KyTextVisitor& visitor)
{
    visitor.visit(*this);
}
