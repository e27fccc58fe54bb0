#include "ui/KyLineNode.h"

#include "ui/KyTextVisitor.h"
#include "ui/KyWordNode.h"

KyLineNode::KyLineNode() : width(0), height(0), offset(0), gapExtra(0), gapRemainder(0)
{
}

KyLineNode::~KyLineNode()
{
    dropChildren();
}

void KyLineNode::dropChildren()
{
    for (KyList<KyWordNode*>::Node* n = children.headNode()->next; n != children.tailNode(); n = n->next)
        delete n->value;
    children.clear();
}

u32 KyLineNode::serialize(KyStream& stream)
{
    writeNumber(stream, width);
    writeNumber(stream, height);
    writeNumber(stream, offset);
    writeNumber(stream, gapExtra);
    writeNumber(stream, gapRemainder);
    writeNumber(stream, static_cast<s32>(children.count()));
    for (KyList<KyWordNode*>::Node* n = children.headNode()->next; n != children.tailNode(); n = n->next)
        n->value->serialize(stream);
    return 0;
}

bool KyLineNode::readFrom(KyStream& stream)
{
    s32 count = 0;
    if (!readNumber(stream, width) || !readNumber(stream, height) || !readNumber(stream, offset) ||
        !readNumber(stream, gapExtra) || !readNumber(stream, gapRemainder) || !readNumber(stream, count))
        return false;
    if (count < 0)
        return false;
    // Every node takes at least its id from the stream, so a count larger
    // than what is there fails at the stream's end, never before.
    for (s32 i = 0; i < count; ++i) {
        s32 id = 0;
        if (!readNumber(stream, id))
            return false;
        KyWordNode* node = KyWordNode::create(id);
        if (!node)
            return false;
        node->deserialize(stream);
        if (node->readFailed()) {
            delete node;
            return false;
        }
        children.pushBack(node);
    }
    return true;
}

void KyLineNode::accept(KyTextVisitor& visitor)
{
    visitor.visit(*this);
}
