#include "ui/KyTextMarkup.h"

#include "core/KyLog.h"
#include "core/KyPath.h"
#include "core/KyResourceManager.h"
#include "core/KySingleton.h"
#include "core/KyXmlDocument.h"

#include <tinyxml.h>

#include <cstring>

bool KyTextMarkup::parse(const KyString& description, KyXmlDocument& document, const char* caller)
{
    const KyString wrapped = KyString("<document>") + description + KyString("</document>");
    if (!document.parse(wrapped, TIXML_ENCODING_LEGACY) || !document.RootElement()) {
        logPrint("[%s] the text does not parse: %s (row %d, column %d)\n", caller, document.errorText(),
                 document.errorRow(), document.errorColumn());
        return false;
    }
    return true;
}

KyString KyTextMarkup::tagOf(const TiXmlElement& element)
{
    return KyString(element.Value()).toLower();
}

s32 KyTextMarkup::alignmentOf(const char* style)
{
    if (!style)
        return -1;
    const KyString lower = KyString(style).toLower();
    if (lower == "left")
        return KyGlyphText::Left;
    if (lower == "right")
        return KyGlyphText::Right;
    if (lower == "justify")
        return KyGlyphText::Justify;
    if (lower == "center")
        return KyGlyphText::Center;
    return -1;
}

KyColor KyTextMarkup::colorOf(const TiXmlElement& element)
{
    int r = 0;
    int g = 0;
    int b = 0;
    int a = 255;
    element.QueryIntAttribute("r", &r);
    element.QueryIntAttribute("g", &g);
    element.QueryIntAttribute("b", &b);
    element.QueryIntAttribute("a", &a);
    return KyColor(u8(r & 0xFF), u8(g & 0xFF), u8(b & 0xFF), u8(a & 0xFF));
}

KyIntrusivePtr<KyFont2> KyTextMarkup::loadFont(const char* file)
{
    const KyPath path(file ? file : "");
    KyResourceManager* manager = KySingleton<KyResourceManager>::instance();
    if (!manager)
        return KyIntrusivePtr<KyFont2>();
    KyIntrusivePtr<KyFont2> font = manager->getOrLoad<KyFont2>(path);
    if (!font && path.extension() == "tef") {
        KyPath stored(path);
        stored.setExtension("kyf");
        font = manager->getOrLoad<KyFont2>(stored);
    }
    // A file that is there but holds no glyphs is no font either.
    if (font && font->glyphCount() == 0)
        return KyIntrusivePtr<KyFont2>();
    return font;
}

KyTextMarkup::Effect KyTextMarkup::applyElement(const TiXmlElement& element, KyGlyphText& text, const char* caller,
                                                KyIntrusivePtr<KyFont2>* font)
{
    const KyString tag = tagOf(element);
    const u32 position = text.text.length();
    if (tag == "br") {
        text.addLineBreak(position);
        return LineBreak;
    }
    if (tag == "font") {
        const char* file = element.Attribute("file");
        KyIntrusivePtr<KyFont2> loaded = loadFont(file);
        if (!loaded) {
            logPrint("[%s] font file %s not found: the font in effect is kept\n", caller, file ? file : "");
            return MissingFont;
        }
        text.setFont(position, loaded);
        if (font)
            *font = loaded;
        return Font;
    }
    if (tag == "color") {
        text.setColor(position, colorOf(element));
        return Color;
    }
    if (tag == "section") {
        const s32 alignment = alignmentOf(element.Attribute("style"));
        if (alignment < 0)
            return None;
        text.setAlignment(alignment);
        return Alignment;
    }
    return None;
}

void KyTextMarkup::appendCharacters(KyGlyphText& text, const char* data)
{
    text.text += data ? data : "";
    text.dirty = true;
}

void KyTextMarkup::sizeMesh(KyGlyphText& text)
{
    if (!text.text.isEmpty())
        text.mesh.resizeForCharacters(text.text.length());
}
