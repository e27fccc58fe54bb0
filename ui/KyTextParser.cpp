#include "ui/KyTextParser.h"

#include "core/KyLog.h"
#include "core/KyMath.h"
#include "core/KyPath.h"
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

#include <cstring>
#include <vector>

namespace {

const u32 kReadBlock = 1024;
const char* const kTagNames[] = {"br", "f", "c", "a", "t", "p"};


// The value of attribute when it starts with prefix ("name=").
bool attributeValue(const KyString& attribute, const char* prefix, KyString& value)
{
    u32 n = static_cast<u32>(std::strlen(prefix));
    if (attribute.length() < n || std::strncmp(attribute.c_str(), prefix, n) != 0)
        return false;
    value = KyString(attribute.c_str() + n);
    return true;
}

// A palette index: the low 8 bits of a decimal number (optional '-', then
// digits). A value without digits leaves the index as it was.
void readIndex(const KyString& value, u8& index)
{
    const char* digits = value.c_str();
    if (*digits == '-')
        ++digits;
    if (*digits < '0' || *digits > '9')
        return;
    KyString number(value);
    number.setTextMode(1);
    number.seek(0);
    s32 parsed = 0;
    number >> parsed;
    index = static_cast<u8>(parsed & 0xFF);
}

s32 horizontalAlignment(const KyString& value)
{
    if (value == "justify")
        return KyTextNode::AlignJustify;
    if (value == "center")
        return KyTextNode::AlignCenter;
    if (value == "right")
        return KyTextNode::AlignRight;
    return KyTextNode::AlignLeft;
}

s32 verticalAlignment(const KyString& value)
{
    if (value == "center")
        return KyTextNode::AlignMiddle;
    if (value == "down")
        return KyTextNode::AlignDown;
    return KyTextNode::AlignTop;
}

} // namespace

KyTextParser::KyTextParser()
    : current(nullptr), pos(0), atEnd(false), cursor(0), boxWidth(0), boxHeight(0), lineWords(0),
      totalHeight(0), m_currentNode(nullptr), m_failed(false)
{
}

KyTextParser::~KyTextParser()
{
}

// ---- tokenizer ------------------------------------------------------------

void KyTextParser::tokenize(KyStream& stream)
{
    std::vector<char> bytes;
    char block[kReadBlock];
    while (!stream.eof()) {
        u32 n = stream.read(block, kReadBlock);
        if (n == 0)
            break;
        bytes.insert(bytes.end(), block, block + n);
    }
    text.assign(bytes.data(), static_cast<u32>(bytes.size()));

    pos = 0;
    atEnd = false;
    current = nullptr;
    m_currentNode = nullptr;
    cursor = 0;
    tokens.clear();
    while (!atEnd) {
        scanWords();
        if (atEnd)
            break;
        scanTag();
    }
}

void KyTextParser::pushToken(u32 kind, u32 first, u32 last)
{
    KyTextToken token;
    tokens.push(makeString(token, kind, text.c_str() + first, last - first));
}

void KyTextParser::scanWords()
{
    const char* s = text.c_str();
    u32 start = pos;
    for (;;) {
        char c = s[pos];
        if (c == '\0' || c == '<') {
            if (pos > start)
                pushToken(KyTokenWord, start, pos);
            if (c == '\0')
                atEnd = true;
            else
                ++pos;
            return;
        }
        if (isTextSeparator(c)) {
            if (pos > start)
                pushToken(KyTokenWord, start, pos);
            skipWhitespace(s, pos);
            start = pos;
            continue;
        }
        ++pos;
    }
}

void KyTextParser::scanTag()
{
    const char* s = text.c_str();
    u32 open = pos - 1;
    u32 end = pos;
    while (s[end] != '\0' && s[end] != '>' && s[end] != '<')
        ++end;
    if (s[end] == '>') {
        if (!readTag(pos, end))
            cutWords(open, end + 1, KyTokenWord);
        pos = end + 1;
        return;
    }
    // An unfinished tag is text; a '<' that cut it opens the next tag.
    cutWords(open, end, KyTokenWord);
    pos = end;
    if (s[end] == '\0')
        atEnd = true;
}

void KyTextParser::cutWords(u32 first, u32 last, u32 kind)
{
    const char* s = text.c_str();
    u32 i = first;
    while (i < last) {
        while (i < last && isTextSeparator(s[i]))
            ++i;
        u32 start = i;
        while (i < last && !isTextSeparator(s[i]))
            ++i;
        if (i > start)
            pushToken(kind, start, i);
    }
}

bool KyTextParser::readTag(u32 first, u32 last)
{
    const char* s = text.c_str();
    bool close = first < last && s[first] == '/';
    u32 nameStart = close ? first + 1 : first;
    u32 nameEnd = nameStart;
    while (nameEnd < last && !isTextSeparator(s[nameEnd]))
        ++nameEnd;
    u32 length = nameEnd - nameStart;
    bool known = false;
    for (const char* name : kTagNames) {
        if (length == std::strlen(name) && std::strncmp(s + nameStart, name, length) == 0)
            known = true;
    }
    if (!known)
        return false;
    pushToken(close ? KyTokenCloseTag : KyTokenOpenTag, nameStart, nameEnd);
    u32 at = nameEnd;
    skipWhitespace(s, at);
    cutWords(at < last ? at : last, last, KyTokenAttribute);
    pushToken(KyTokenTagEnd, last, last);
    return true;
}

bool KyTextParser::next()
{
    if (cursor < tokens.count()) {
        m_currentNode = cursor == 0 || !m_currentNode ? tokens.entries().headNode()->next : m_currentNode->next;
        current = &m_currentNode->value;
        ++cursor;
        return true;
    }
    current = nullptr;
    return false;
}

// ---- parser ---------------------------------------------------------------

bool KyTextParser::isKind(u32 kind) const
{
    return current && current->key == kind;
}

bool KyTextParser::isOpen(const char* name) const
{
    return isKind(KyTokenOpenTag) && current->value == name;
}

bool KyTextParser::isClose(const char* name) const
{
    return isKind(KyTokenCloseTag) && current->value == name;
}

void KyTextParser::skipTag()
{
    next();
    while (isKind(KyTokenAttribute))
        next();
    if (isKind(KyTokenTagEnd))
        next();
}

KyTextNode* KyTextParser::parse(KyStream& stream)
{
    tokenize(stream);
    m_failed = false;
    if (!next())
        return nullptr;
    lineWords = 0;
    totalHeight = 0;
    KyTextNode* tree = parseText();
    // The last paragraph's font is not needed any more.
    font.reset();
    if (!tree)
        return nullptr;
    tree->height = totalHeight;
    s64 offset = 0;
    if (tree->vAlign == KyTextNode::AlignMiddle)
        offset = (static_cast<s64>(boxHeight) - tree->height) / 2;
    else if (tree->vAlign == KyTextNode::AlignDown)
        offset = static_cast<s64>(boxHeight) - tree->height;
    tree->vOffset = offset < 0 ? 0 : KyMath::clampToS32(offset);
    return tree;
}

KyTextNode* KyTextParser::parseText()
{
    bool explicitText = false;
    KyTextNode* tree = nullptr;
    if (isOpen("t")) {
        next();
        tree = new KyTextNode;
        readTextTag(tree);
        explicitText = true;
    } else if (isKind(KyTokenOpenTag) || isKind(KyTokenWord)) {
        tree = new KyTextNode;
    } else {
        return nullptr;
    }

    while (KyParagraphNode* paragraph = parseParagraph(tree))
        tree->children.pushBack(paragraph);

    bool accepted = !m_failed;
    if (accepted && explicitText) {
        accepted = isClose("t");
        if (accepted) {
            skipTag();
            accepted = current == nullptr;
        }
    } else if (accepted) {
        accepted = current == nullptr;
    }
    if (!accepted) {
        delete tree;
        return nullptr;
    }
    return tree;
}

KyParagraphNode* KyTextParser::parseParagraph(KyTextNode* tree)
{
    if (!current || m_failed)
        return nullptr;
    // A "t" inside the text would start an endless run of empty paragraphs:
    // it ends the paragraphs and the text is rejected.
    bool explicitParagraph = isOpen("p");
    if (!explicitParagraph && !isKind(KyTokenWord) && !(isKind(KyTokenOpenTag) && current->value != "t"))
        return nullptr;

    KyParagraphNode* paragraph = new KyParagraphNode;
    paragraph->color = tree->color;
    paragraph->bColor = tree->bColor;
    paragraph->fontName = tree->fontName;
    paragraph->hAlign = tree->hAlign;
    if (explicitParagraph) {
        next();
        readParagraphTag(paragraph);
    }

    KyIntrusivePtr<KyFont> paragraphFont = loadFont(paragraph->fontName);
    if (!paragraphFont) {
        KyPath path(paragraph->fontName);
        path.normalize();
        logPrint("[KyTextParser::parse] Police introuvable : %s\n", path.c_str());
        m_failed = true;
        delete paragraph;
        return nullptr;
    }
    font = paragraphFont;
    parseLines(paragraph, paragraphFont);
    return paragraph;
}

void KyTextParser::parseLines(KyParagraphNode* paragraph, const KyIntrusivePtr<KyFont>& paragraphFont)
{
    std::vector<Marker> markers;
    s32 lastSpace = 0;
    KyLineNode* line = newLine();
    while (current) {
        u32 kind = current->key;
        if (kind == KyTokenWord) {
            s32 width = measure(current->value);
            s32 space = font ? static_cast<s32>(font->glyphWidth(' ') & 0xFF) : 0;
            if (static_cast<s64>(line->width) + width > boxWidth) {
                if (line->children.isEmpty()) {
                    // No empty line before a word wider than the box.
                    delete line;
                } else {
                    dropTrailingSpace(line, lastSpace);
                    closeLine(paragraph, line);
                }
                line = newLine();
                line->width = KyMath::clampToS32(static_cast<s64>(space) + width);
            } else {
                line->width = KyMath::clampToS32(static_cast<s64>(line->width) + space + width);
            }
            lastSpace = space;
            line->children.pushBack(new KyStringNode(current->value));
            ++lineWords;
            next();
        } else if (isOpen("c")) {
            next();
            line->children.pushBack(readColorTag());
            markers.push_back(Marker{false, font});
        } else if (isOpen("f")) {
            next();
            KyFontNode* node = readFontTag();
            // A font that does not load leaves the current one in use.
            KyIntrusivePtr<KyFont> loaded = loadFont(node->fontName);
            if (loaded) {
                font = loaded;
                if (line->height < font->characterHeight())
                    line->height = font->characterHeight();
            }
            line->children.pushBack(node);
            markers.push_back(Marker{true, font});
        } else if (isOpen("a")) {
            next();
            line->children.pushBack(readRefTag());
            markers.push_back(Marker{false, font});
        } else if (isOpen("br")) {
            skipTag();
            dropTrailingSpace(line, lastSpace);
            closeLine(paragraph, line);
            line = newLine();
        } else if (isClose("c") || isClose("f") || isClose("a")) {
            bool fontEnd = current->value == "f";
            if (current->value == "c")
                line->children.pushBack(new KyEndColorNode);
            else if (fontEnd)
                line->children.pushBack(new KyEndFontNode);
            else
                line->children.pushBack(new KyEndRefNode);
            skipTag();
            // Markers of this paragraph only: an unbalanced end marker never
            // reaches what the paragraph itself set.
            if (!markers.empty())
                markers.pop_back();
            if (fontEnd) {
                font = paragraphFont;
                for (auto it = markers.rbegin(); it != markers.rend(); ++it) {
                    if (it->isFont) {
                        font = it->font;
                        break;
                    }
                }
            }
        } else if (kind == KyTokenAttribute || kind == KyTokenTagEnd) {
            // Left over from a malformed tag: nothing to lay out.
            next();
        } else {
            // "p", "t" or a close "br": the paragraph ends here.
            break;
        }
    }
    if (line->children.isEmpty()) {
        delete line;
    } else {
        dropTrailingSpace(line, lastSpace);
        closeLine(paragraph, line);
    }
}

template <class Apply>
void KyTextParser::readAttributes(Apply apply)
{
    while (current) {
        if (isKind(KyTokenTagEnd)) {
            next();
            return;
        }
        if (!isKind(KyTokenAttribute))
            return;
        apply(current->value);
        next();
    }
}

void KyTextParser::readTextTag(KyTextNode* tree)
{
    readAttributes([tree](const KyString& attribute) {
        KyString value;
        if (attributeValue(attribute, "color=", value))
            readIndex(value, tree->color);
        else if (attributeValue(attribute, "bColor=", value))
            readIndex(value, tree->bColor);
        else if (attributeValue(attribute, "font=", value))
            tree->fontName = value;
        else if (attributeValue(attribute, "vAlign=", value))
            tree->vAlign = verticalAlignment(value);
        else if (attributeValue(attribute, "hAlign=", value))
            tree->hAlign = horizontalAlignment(value);
    });
}

void KyTextParser::readParagraphTag(KyParagraphNode* paragraph)
{
    readAttributes([paragraph](const KyString& attribute) {
        KyString value;
        if (attributeValue(attribute, "color=", value))
            readIndex(value, paragraph->color);
        else if (attributeValue(attribute, "bColor=", value))
            readIndex(value, paragraph->bColor);
        else if (attributeValue(attribute, "font=", value))
            paragraph->fontName = value;
        else if (attributeValue(attribute, "hAlign=", value))
            paragraph->hAlign = horizontalAlignment(value);
    });
}

KyColorNode* KyTextParser::readColorTag()
{
    KyColorNode* node = new KyColorNode;
    readAttributes([node](const KyString& attribute) {
        KyString value;
        if (attributeValue(attribute, "color=", value))
            readIndex(value, node->color);
        else if (attributeValue(attribute, "bColor=", value))
            readIndex(value, node->bColor);
    });
    return node;
}

KyFontNode* KyTextParser::readFontTag()
{
    KyFontNode* node = new KyFontNode;
    readAttributes([node](const KyString& attribute) {
        KyString value;
        if (attributeValue(attribute, "font=", value))
            node->fontName = value;
    });
    return node;
}

KyRefNode* KyTextParser::readRefTag()
{
    KyRefNode* node = new KyRefNode;
    readAttributes([node](const KyString& attribute) {
        KyString value;
        if (attributeValue(attribute, "href=", value))
            node->href = value;
    });
    return node;
}

KyIntrusivePtr<KyFont> KyTextParser::loadFont(const KyString& name) const
{
    return KyFont::fromName(name);
}

s32 KyTextParser::measure(const KyString& word) const
{
    if (!font)
        return 0;
    s64 width = 0;
    for (u32 i = 0; i < word.length(); ++i)
        width += static_cast<s64>(font->glyphWidth(static_cast<u8>(word.at(i))) & 0xFF) + font->spacing();
    width -= font->spacing();
    return width < 0 ? 0 : KyMath::clampToS32(width);
}

KyLineNode* KyTextParser::newLine() const
{
    KyLineNode* line = new KyLineNode;
    if (font)
        line->height = KyMath::clampToS32(static_cast<s64>(font->characterHeight()) + font->lineSpacing());
    return line;
}

void KyTextParser::dropTrailingSpace(KyLineNode* line, s32 lastSpace)
{
    s64 width = static_cast<s64>(line->width) - lastSpace;
    line->width = width < 0 ? 0 : KyMath::clampToS32(width);
}

void KyTextParser::closeLine(KyParagraphNode* paragraph, KyLineNode* line)
{
    s64 free = static_cast<s64>(boxWidth) - line->width;
    switch (paragraph->hAlign) {
    case KyTextNode::AlignCenter:
        line->offset = KyMath::clampToS32(free / 2);
        break;
    case KyTextNode::AlignRight:
        line->offset = KyMath::clampToS32(free);
        break;
    case KyTextNode::AlignJustify: {
        // A line of fewer than two words has no gap to stretch.
        s64 gaps = lineWords > 1 ? lineWords - 1 : 0;
        if (gaps > 0) {
            line->gapExtra = KyMath::clampToS32(free / gaps);
            line->gapRemainder = KyMath::clampToS32(free % gaps);
        }
        break;
    }
    default:
        break;
    }
    totalHeight = KyMath::clampToS32(static_cast<s64>(totalHeight) + line->height);
    lineWords = 0;
    paragraph->children.pushBack(line);
}
