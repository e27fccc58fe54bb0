#include "ui/KyTextNode.h"

#include "ui/KyParagraphNode.h"
#include "ui/KyTextVisitor.h"

const char* const KyTextNode::defaultFontName = "Common/Fonts/Typo1.font";

KyTextNode::KyTextNode()
    : color(1), bColor(0), fontName(defaultFontName), vAlign(AlignTop), hAlign(AlignLeft), height(0),
      vOffset(0)
{
}

KyTextNode::~KyTextNode()
{
    dropChildren();
}

void KyTextNode::dropChildren()
{
    for (KyList<KyParagraphNode*>::Node* n = children.headNode()->next; n != children.tailNode(); n = n->next)
        delete n->value;
    children.clear();
}

u32 KyTextNode::serialize(KyStream& stream)
{
    writeByte(stream, color);
    writeByte(stream, bColor);
    writeText(stream, fontName);
    writeNumber(stream, vAlign);
    writeNumber(stream, hAlign);
    writeNumber(stream, height);
    writeNumber(stream, vOffset);
    writeNumber(stream, static_cast<s32>(children.count()));
    for (KyList<KyParagraphNode*>::Node* n = children.headNode()->next; n != children.tailNode(); n = n->next)
        n->value->serialize(stream);
    return 0;
}

bool KyTextNode::readFrom(KyStream& stream)
{
    s32 count = 0;
    if (!readByte(stream, color) || !readByte(stream, bColor) || !readText(stream, fontName) ||
        !readNumber(stream, vAlign) || !readNumber(stream, hAlign) || !readNumber(stream, height) ||
        !readNumber(stream, vOffset) || !readNumber(stream, count))
        return false;
    if (count < 0)
        return false;
    for (s32 i = 0; i < count; ++i) {
        KyParagraphNode* paragraph = new KyParagraphNode;
        paragraph->deserialize(stream);
        if (paragraph->readFailed()) {
            delete paragraph;
            return false;
        }
        children.pushBack(paragraph);
    }
    return true;
}

void KyTextNode::accept(KyTextVisitor& visitor)
{
    visitor.visit(*this);
}
