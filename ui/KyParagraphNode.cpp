#include "ui/KyParagraphNode.h"

#include "ui/KyLineNode.h"
#include "ui/KyTextNode.h"
#include "ui/KyTextVisitor.h"

KyParagraphNode::KyParagraphNode()
    : color(1), bColor(0), fontName(KyTextNode::defaultFontName), hAlign(KyTextNode::AlignLeft)
{
}

KyParagraphNode::~KyParagraphNode()
{
    dropChildren();
}

void KyParagraphNode::dropChildren()
{
    for (KyList<KyLineNode*>::Node* n = children.headNode()->next; n != children.tailNode(); n = n->next)
        delete n->value;
    children.clear();
}

u32 KyParagraphNode::serialize(KyStream& stream)
{
    writeByte(stream, color);
    writeByte(stream, bColor);
    writeText(stream, fontName);
    writeNumber(stream, hAlign);
    writeNumber(stream, static_cast<s32>(children.count()));
    for (KyList<KyLineNode*>::Node* n = children.headNode()->next; n != children.tailNode(); n = n->next)
        n->value->serialize(stream);
    return 0;
}

bool KyParagraphNode::readFrom(KyStream& stream)
{
    s32 count = 0;
    if (!readByte(stream, color) || !readByte(stream, bColor) || !readText(stream, fontName) ||
        !readNumber(stream, hAlign) || !readNumber(stream, count))
        return false;
    if (count < 0)
        return false;
    for (s32 i = 0; i < count; ++i) {
        KyLineNode* line = new KyLineNode;
        line->deserialize(stream);
        if (line->readFailed()) {
            delete line;
            return false;
        }
        children.pushBack(line);
    }
    return true;
}

void KyParagraphNode::accept(KyTextVisitor& visitor)
{
    visitor.visit(*this);
}
