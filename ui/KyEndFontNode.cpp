#include "ui/KyEndFontNode.h"

#include "ui/KyTextVisitor.h"

void KyEndFontNode::accept(KyTextVisitor& visitor)
{
    visitor.visit(*this);
}
