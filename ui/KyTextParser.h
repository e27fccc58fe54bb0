#ifndef KY_TEXT_PARSER_H
#define KY_TEXT_PARSER_H

#include "core/KyIntrusivePtr.h"
#include "core/KyObject.h"
#include "core/KyStream.h"
#include "core/KyString.h"
#include "core/KyTypes.h"
#include "platform/KyFont.h"
#include "ui/KyTextToken.h"

#include <vector>

class KyColorNode;
class KyFontNode;
class KyLineNode;
class KyParagraphNode;
class KyRefNode;
class KyTextNode;

// Reads the rich-text tag markup and lays it out into a node tree for a box
// of boxWidth x boxHeight pixels, measuring with the bitmap fonts it names:
//
//   <t hAlign=center vAlign=down><p color=5>Un <c color=9>mot</c> <br> et
//   <f font=Fonts/Big.font>un autre</f> <a href=aide>lien</a></p></t>
//
// Tags: "t" the whole text (optional), "p" a paragraph, "c" colours, "f" a
// font, "a" a link, "br" a line break. Attributes are "name=value" words;
// other tags and malformed tags stay in the text as words. Line breaking,
// line widths and alignment figures are decided here; the printer only
// replays them.
//
//   KyTextParser parser;
//   parser.boxWidth = 200;
//   parser.boxHeight = 50;
//   KyTextNode* tree = parser.parse(stream);   // the caller's; null: rejected
class KyTextParser : public KyObject {
public:
    KyTextParser();
    ~KyTextParser() override;

    // The laid-out tree (the caller's to delete), or null when the markup is
    // rejected: empty, starting with a close tag, with tokens left after the
    // last paragraph, a nested or unclosed "t", or a paragraph whose font
    // does not load (logged).
    KyTextNode* parse(KyStream& stream);

    // Reads the whole stream into text and cuts it into tokens.
    void tokenize(KyStream& stream);
    // Makes the next token current; false (and no current token) at the end.
    bool next();

    // Width a word takes in the current font: its glyph widths and the
    // spacing between them.
    s32 measure(const KyString& word) const;

    // The token being looked at; null once the tokens are exhausted.
    KyTextToken* current;
    // The whole markup.
    KyString text;
    // Scan position in text.
    u32 pos;
    // The scanner reached the final NUL.
    bool atEnd;
    KyTextTokenList tokens;
    // Index of the next token to fetch.
    u32 cursor;
    // The font every measurement uses.
    KyIntrusivePtr<KyFont> font;
    s32 boxWidth;
    s32 boxHeight;
    // Words placed on the current line.
    s32 lineWords;
    // Height of the finished lines.
    s32 totalHeight;

private:
    KyTextParser(const KyTextParser&) = delete;
    KyTextParser& operator=(const KyTextParser&) = delete;

    // An entry of a paragraph's marker stack: the kind of marker opened and
    // the font in use after it.
    struct Marker {
        bool isFont;
        KyIntrusivePtr<KyFont> font;
    };

    void scanWords();
    void scanTag();
    // Appends the tokens of the tag content text[first, last); false when
    // the content is not one of the tags.
    bool readTag(u32 first, u32 last);
    // Appends the separator-delimited words of text[first, last).
    void cutWords(u32 first, u32 last, u32 kind);
    void pushToken(u32 kind, u32 first, u32 last);

    bool isOpen(const char* name) const;
    bool isClose(const char* name) const;
    bool isKind(u32 kind) const;
    // Consumes the current tag token, any attributes after it and its tag
    // end.
    void skipTag();

    KyTextNode* parseText();
    KyParagraphNode* parseParagraph(KyTextNode* text);
    void parseLines(KyParagraphNode* paragraph, const KyIntrusivePtr<KyFont>& paragraphFont);

    // Tag readers: each reads the attributes that follow and consumes the
    // tag end.
    void readTextTag(KyTextNode* text);
    void readParagraphTag(KyParagraphNode* paragraph);
    KyColorNode* readColorTag();
    KyFontNode* readFontTag();
    KyRefNode* readRefTag();
    // Offers every attribute token to apply until the tag end, which is
    // consumed.
    template <class Apply>
    void readAttributes(Apply apply);

    // The font of that file through the resource manager; null when it does
    // not load.
    KyIntrusivePtr<KyFont> loadFont(const KyString& name) const;

    KyLineNode* newLine() const;
    void closeLine(KyParagraphNode* paragraph, KyLineNode* line);
    // The line's width loses the trailing space, not below 0.
    static void dropTrailingSpace(KyLineNode* line, s32 lastSpace);

    KyTextTokenList::Node* m_currentNode;
    bool m_failed;
};

#endif
