#include "ui/KyTextBlock.h"

#include "core/KyMath.h"
#include "ui/KyTextNode.h"
#include "ui/KyTextParser.h"

KyTextBlock::KyTextBlock()
    : rightMargin(0), leftMargin(0), topMargin(0), bottomMargin(0), target(nullptr), tree(nullptr)
{
}

KyTextBlock::~KyTextBlock()
{
    delete tree;
}

void KyTextBlock::setMargins(s32 right, s32 left, s32 top, s32 bottom)
{
    rightMargin = right;
    leftMargin = left;
    topMargin = top;
    bottomMargin = bottom;
}

void KyTextBlock::setText(KyImg* image, KyStream& stream)
{
    delete tree;
    tree = nullptr;
    target = image;
    s64 width = image ? static_cast<s64>(image->width()) : 0;
    s64 height = image ? static_cast<s64>(image->height()) : 0;
    KyTextParser parser;
    parser.boxWidth = KyMath::clampToS32(width - leftMargin - rightMargin);
    parser.boxHeight = KyMath::clampToS32(height - bottomMargin - topMargin);
    tree = parser.parse(stream);
}

void KyTextBlock::print()
{
    links.clear();
    KyTextPrinter printer(target);
    printer.topMargin = topMargin;
    printer.leftMargin = leftMargin;
    printer.links = &links;
    if (tree)
        tree->accept(printer);
}
