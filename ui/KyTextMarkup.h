#ifndef KY_TEXT_MARKUP_H
#define KY_TEXT_MARKUP_H

#include "core/KyColor.h"
#include "core/KyIntrusivePtr.h"
#include "core/KyString.h"
#include "core/KyTypes.h"
#include "platform/KyFont2.h"
#include "ui/KyGlyphText.h"

class KyXmlDocument;
class TiXmlElement;
class TiXmlNode;

// The small XML text description of the text layout and the rich text
// widget: character data is the text; "br" breaks the line, "font" (file)
// names the glyph font, "color" (r, g, b, a: integers, 0, 0, 0 and 255 when
// absent) colours what follows and "section" (style: "left", "right",
// "justify" or "center") aligns the whole text. Each element acts at the
// current end of the text. Tag names and styles are compared after ASCII
// lower-casing. The two users walk the nodes differently; this holds what
// they share.
class KyTextMarkup {
public:
    // Parses "<document>" + description + "</document>" into document,
    // through KyXmlDocument's bounds (the wrapper counts as one level).
    // False, with a log line naming the caller, when it does not parse.
    static bool parse(const KyString& description, KyXmlDocument& document, const char* caller);

    // What an element did.
    enum Effect { None = 0, LineBreak, Font, MissingFont, Color, Alignment };
    // Applies element at the end of text. A "font" whose file gives no font
    // stores nothing (the font in effect stays) and logs a line naming the
    // caller; font receives the font of a "font" element that loaded.
    static Effect applyElement(const TiXmlElement& element, KyGlyphText& text, const char* caller,
                               KyIntrusivePtr<KyFont2>* font = nullptr);
    // Appends character data.
    static void appendCharacters(KyGlyphText& text, const char* data);
    // Sizes the mesh for the whole text, once the walk is done: four
    // vertices and six indices per character, as triangles. (Sizing it after
    // every run of characters would give the same mesh, reallocated once per
    // run.) Nothing for an empty text.
    static void sizeMesh(KyGlyphText& text);

    // 0 left, 1 right, 2 justify, 3 center; -1 for any other style.
    static s32 alignmentOf(const char* style);
    static KyColor colorOf(const TiXmlElement& element);
    // The glyph font of the path (normalised), through the resource
    // manager; null when no file of that path exists. A ".tef" font that is
    // not there is taken from the ".kyf" file of the same name, the form the
    // engine's glyph fonts are stored in.
    static KyIntrusivePtr<KyFont2> loadFont(const char* file);
    // The element's name in ASCII lower case.
    static KyString tagOf(const TiXmlElement& element);
};

#endif
