#include "ui/KyTextPrinter.h"

#include "core/KyMath.h"
#include "ui/KyColorNode.h"
#include "ui/KyEndColorNode.h"
#include "ui/KyEndFontNode.h"
#include "ui/KyEndRefNode.h"
#include "ui/KyFontNode.h"
#include "ui/KyLineNode.h"
#include "ui/KyParagraphNode.h"
#include "ui/KyRefNode.h"
#include "ui/KyStringNode.h"
#include "ui/KyTextNode.h"

namespace {

template <class T>
void popFront(KyList<T>& list)
{
    list.eraseNode(list.headNode()->next);
}

template <class T>
void popDownTo(KyList<T>& list, u32 count)
{
    while (list.count() > count)
        popFront(list);
}

template <class T>
T front(const KyList<T>& list, const T& fallback)
{
    return list.isEmpty() ? fallback : list.headNode()->next->value;
}

} // namespace

KyTextPrinter::KyTextPrinter(KyImg* image)
    : target(image), links(nullptr), linkLeft(-1), linkRight(0), linkBottom(0), linkTop(0), topMargin(0),
      leftMargin(0), penY(0), penX(0), gapsLeft(0), gapExtra(0), m_colorFloor(0), m_fontFloor(0), m_full(false)
{
}

KyFont* KyTextPrinter::currentFont() const
{
    return fontStack.isEmpty() ? nullptr : fontStack.headNode()->next->value.get();
}

s32 KyTextPrinter::fontLineHeight() const
{
    KyFont* font = currentFont();
    return font ? KyMath::clampToS32(static_cast<s64>(font->characterHeight()) + font->lineSpacing()) : 0;
}

void KyTextPrinter::pushFont(const KyString& name)
{
    // A font that does not load leaves the one in use.
    KyIntrusivePtr<KyFont> font = KyFont::fromName(name);
    if (!font && !fontStack.isEmpty())
        font = fontStack.headNode()->next->value;
    fontStack.pushFront(font);
}

void KyTextPrinter::recordLink()
{
    if (!links)
        return;
    KyLinkRegion region;
    region.href = href;
    region.left = linkLeft;
    region.right = linkRight;
    region.bottom = linkBottom;
    region.top = linkTop;
    links->pushBack(region);
}

void KyTextPrinter::visit(KyTextNode& node)
{
    s64 height = target ? static_cast<s64>(target->height()) : 0;
    penY = KyMath::clampToS32(height - topMargin - node.vOffset);
    linkLeft = -1;
    m_full = false;
    for (KyList<KyParagraphNode*>::Node* n = node.children.headNode()->next; n != node.children.tailNode();
         n = n->next) {
        u32 colors = colorStack.count();
        u32 fonts = fontStack.count();
        bColorStack.pushFront(node.bColor);
        colorStack.pushFront(node.color);
        pushFont(node.fontName);
        n->value->accept(*this);
        popDownTo(bColorStack, colors);
        popDownTo(colorStack, colors);
        popDownTo(fontStack, fonts);
    }
    colorStack.clear();
    bColorStack.clear();
    fontStack.clear();
    penX = 0;
    penY = 0;
    gapsLeft = 0;
    gapExtra = 0;
}

void KyTextPrinter::visit(KyParagraphNode& node)
{
    u32 colors = colorStack.count();
    u32 fonts = fontStack.count();
    bColorStack.pushFront(node.bColor);
    colorStack.pushFront(node.color);
    pushFont(node.fontName);
    u32 colorFloor = m_colorFloor;
    u32 fontFloor = m_fontFloor;
    m_colorFloor = colorStack.count();
    m_fontFloor = fontStack.count();

    for (KyList<KyLineNode*>::Node* n = node.children.headNode()->next; n != node.children.tailNode(); n = n->next) {
        if (m_full)
            break;
        KyLineNode* line = n->value;
        s64 y = static_cast<s64>(penY) - line->height;
        if (y < 0) {
            m_full = true;
            break;
        }
        penY = static_cast<s32>(y);
        if (linkLeft >= 0)
            recordLink();
        if (linkLeft >= 0 || linkLeft == -2) {
            linkLeft = -2;
            linkRight = 0;
            linkBottom = penY;
            linkTop = KyMath::clampToS32(static_cast<s64>(penY) + fontLineHeight());
        }
        line->accept(*this);
    }

    // Whatever the paragraph left open goes with it.
    m_colorFloor = colorFloor;
    m_fontFloor = fontFloor;
    popDownTo(bColorStack, colors);
    popDownTo(colorStack, colors);
    popDownTo(fontStack, fonts);
}

void KyTextPrinter::visit(KyLineNode& node)
{
    penX = KyMath::clampToS32(static_cast<s64>(leftMargin) + node.offset);
    gapsLeft = node.gapRemainder;
    gapExtra = node.gapExtra;
    for (KyList<KyWordNode*>::Node* n = node.children.headNode()->next; n != node.children.tailNode(); n = n->next)
        n->value->accept(*this);
}

void KyTextPrinter::visit(KyStringNode& node)
{
    KyFont* font = currentFont();
    u8 color = front<u8>(colorStack, 1);
    u8 background = front<u8>(bColorStack, 0);
    if (linkLeft == -2) {
        linkLeft = penX;
        linkRight = penX;
    }
    s64 x = penX;
    s32 spacing = font ? font->spacing() : 0;
    if (font) {
        for (u32 i = 0; i < node.text.length(); ++i) {
            u8 c = static_cast<u8>(node.text.at(i));
            font->drawChar(c, KyMath::clampToS32(x), penY, target, background, color);
            x += static_cast<s64>(font->glyphWidth(c) & 0xFF) + spacing;
        }
    }
    x -= spacing;
    if (x < 0)
        x = 0;
    s32 space = font ? static_cast<s32>(font->glyphWidth(' ') & 0xFF) : 0;
    x += static_cast<s64>(gapExtra) + space + (gapsLeft > 0 ? 1 : 0);
    if (gapsLeft > 0)
        --gapsLeft;
    penX = KyMath::clampToS32(x);
    if (linkLeft >= 0)
        linkRight = penX;
}

void KyTextPrinter::visit(KyColorNode& node)
{
    bColorStack.pushFront(node.bColor);
    colorStack.pushFront(node.color);
}

void KyTextPrinter::visit(KyEndColorNode&)
{
    if (colorStack.count() > m_colorFloor) {
        popFront(bColorStack);
        popFront(colorStack);
    }
}

void KyTextPrinter::visit(KyFontNode& node)
{
    pushFont(node.fontName);
    if (linkLeft >= 0)
        linkTop = KyMath::clampToS32(static_cast<s64>(linkBottom) + fontLineHeight());
}

void KyTextPrinter::visit(KyEndFontNode&)
{
    if (fontStack.count() > m_fontFloor)
        popFront(fontStack);
}

void KyTextPrinter::visit(KyRefNode& node)
{
    href = node.href;
    linkBottom = penY;
    linkLeft = -2;
    linkRight = 0;
    linkTop = KyMath::clampToS32(static_cast<s64>(penY) + fontLineHeight());
}

void KyTextPrinter::visit(KyEndRefNode&)
{
    // An end without an open link has no region to give.
    if (linkLeft != -1)
        recordLink();
    linkLeft = -1;
}
