#ifndef KY_FUZZ_XML_CHECK_H
#define KY_FUZZ_XML_CHECK_H

#include "core/KyXmlDocument.h"

#include <tinyxml.h>

#include <cstring>
#include <string>
#include <vector>

// Checks shared by the XML fuzz targets: the bounds KyXmlDocument measures
// before TinyXML parses must be exactly what TinyXML then builds, or a text
// could slip past them; and what is read must write back as text that reads.
namespace XmlCheck {

inline void require(bool holds)
{
    if (!holds)
        __builtin_trap();
}

struct Shape {
    u32 depth = 0;
    u32 attributes = 0;
};

// Deepest element level and most attributes on one element under node.
inline void shapeOf(const TiXmlNode* node, u32 depth, Shape& shape)
{
    for (const TiXmlNode* child = node->FirstChild(); child; child = child->NextSibling()) {
        const TiXmlElement* element = child->ToElement();
        if (!element) {
            continue;
        }
        if (depth + 1 > shape.depth)
            shape.depth = depth + 1;
        u32 count = 0;
        for (const TiXmlAttribute* a = element->FirstAttribute(); a; a = a->Next())
            ++count;
        if (count > shape.attributes)
            shape.attributes = count;
        shapeOf(child, depth + 1, shape);
    }
}

// Measures text, then, when the measure lets it through, parses it with
// TinyXML alone and compares. Returns the measure.
inline KyXmlDocument::Extent measureAndCompare(const char* text, TiXmlEncoding encoding)
{
    const KyXmlDocument::Extent extent = KyXmlDocument::measure(text, encoding);
    require(extent.refused ==
            (extent.depth > KyXmlDocument::kMaxDepth || extent.attributes > KyXmlDocument::kMaxAttributes));
    if (!extent.refused) {
        // TinyXML steps over a whole UTF-8 character before it looks for the
        // end of the text: spare NUL bytes keep it inside the buffer, as
        // KyXmlDocument does.
        std::vector<char> padded(text, text + std::strlen(text));
        padded.resize(padded.size() + 5, '\0');
        TiXmlDocument alone;
        alone.Parse(padded.data(), nullptr, encoding);
        Shape shape;
        shapeOf(&alone, 0, shape);
        require(shape.depth == extent.depth);
        require(shape.attributes == extent.attributes);
    }
    return extent;
}

// What the engine reads it can write, and what it writes reads back: read
// and printed, the text reads again. Read one byte a character, as the game
// reads and writes its saves, the printed text then stays the same through
// every further reading and printing (read as UTF-8, a byte that starts no
// whole character takes the bytes after it, as TinyXML reads UTF-8).
inline std::string printedAfterReading(const char* text, TiXmlEncoding encoding)
{
    KyXmlDocument document;
    require(document.parse(text, encoding));
    TiXmlPrinter printer;
    document.Accept(&printer);
    return printer.CStr();
}

inline void roundTrip(const char* text, TiXmlEncoding encoding)
{
    KyXmlDocument read;
    if (read.parse(text, encoding)) {
        TiXmlPrinter printed;
        read.Accept(&printed);
        printedAfterReading(printed.CStr(), encoding);
    }
    KyXmlDocument bytes;
    if (bytes.parse(text, TIXML_ENCODING_LEGACY)) {
        TiXmlPrinter printed;
        bytes.Accept(&printed);
        const std::string settled = printedAfterReading(printed.CStr(), TIXML_ENCODING_LEGACY);
        require(printedAfterReading(settled.c_str(), TIXML_ENCODING_LEGACY) == settled);
    }
}

} // namespace XmlCheck

#endif
