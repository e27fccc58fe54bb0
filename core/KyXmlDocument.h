#ifndef KY_XML_DOCUMENT_H
#define KY_XML_DOCUMENT_H

#include "core/KyString.h"
#include "core/KyTypes.h"

#include <tinyxml.h>

#include <cstddef>
#include <string>

// The one way into TinyXML for every XML reader of the engine and of the
// game: interface files, glyph-text markup, and the game's scene
// descriptions, options, saves, advert cache and text tables all load
// through loadFile or parse, never through TinyXML's own LoadFile or Parse
// (hidden here).
//
// TinyXML parses by recursion, one level of the stack per element level, and
// walks up the parent chain for every node it reads; it also looks an
// element's attributes up one by one for every attribute it adds. A hostile
// file nested some ten thousand levels deep overflows the stack, and
// thousands of levels or of attributes on one element take seconds. Before
// TinyXML sees the text, the text is read the way TinyXML will read it (its
// own steps for names, attributes, text, comments, CDATA, declarations and
// other "<!" or "<?" nodes, its encoding rules) to find how deeply the
// elements nest and how many attributes one element carries; text beyond
// the limits below is refused with an error of its own.
//
// TinyXML also lets through text that is not XML: a declaration, comment,
// CDATA section or "<!" node cut by the end of the text, a '<' that starts
// no markup, an attribute value without quotes (which it reads, but which
// does not always read back once written), text outside the elements (where
// it silently stops reading) and a document without any element. The same
// reading finds those, and such text is refused too (after TinyXML's own
// errors, which come first), so a file cut short or replaced by something
// else never reads as a smaller one, and what the engine writes from a file
// it read reads back. Several top-level elements are accepted: the game's saves and scene
// descriptions are written that way.
//
// The text is also handed to TinyXML followed by spare NUL bytes, so that a
// multi-byte UTF-8 character cut by the end of the text cannot make TinyXML
// read past it.
class KyXmlDocument : public TiXmlDocument {
public:
    // Deepest element nesting accepted: real files nest a handful of levels,
    // and a file at the limit parses in milliseconds.
    static constexpr u32 kMaxDepth = 1000;
    // Most attributes one element may carry.
    static constexpr u32 kMaxAttributes = 256;

    KyXmlDocument();

    // Empties the document, then reads the regular file at the game path
    // (resolved as KyFile does) and parses it. As TinyXML's own file
    // reading: the text ends at its first NUL byte and every CR LF or lone CR
    // reads as LF. False with an error when the file is missing, empty,
    // larger than maxBytes (when not 0; nothing of it is read), refused or
    // does not parse. text, when given, receives the text parsed (up to the
    // NUL, line ends made LF): parse of it gives the same document.
    bool loadFile(const KyString& path, TiXmlEncoding encoding = TIXML_DEFAULT_ENCODING, u32 maxBytes = 0,
                  std::string* text = nullptr);
    // Empties the document, then parses text up to its first NUL byte.
    bool parse(const KyString& text, TiXmlEncoding encoding = TIXML_DEFAULT_ENCODING);
    bool parse(const char* text, TiXmlEncoding encoding = TIXML_DEFAULT_ENCODING);

    // The error of the last load: TinyXML's description, row and column
    // (counted from 1; 0 when unknown), or those of a refusal (row and
    // column of the element that went beyond a limit or of the markup that
    // is not XML, in bytes).
    const char* errorText() const;
    int errorRow() const;
    int errorColumn() const;
    // Whether the last load was refused for a limit, for a size or for text
    // that is not XML (rather than for TinyXML's own error).
    bool refused() const { return m_refusal != nullptr; }

    // What TinyXML would meet reading text (up to its first NUL byte): the
    // deepest element nesting and the most attributes on one element, the
    // reading stopping at the first element beyond either limit (offset: the
    // byte where that element starts). Depth counts elements: a lone root is
    // depth 1. malformed: the first reason found why the text is not XML
    // although TinyXML reads it (null when none), at malformedOffset.
    struct Extent {
        u32 depth = 0;
        u32 attributes = 0;
        bool refused = false;
        size_t offset = 0;
        const char* malformed = nullptr;
        size_t malformedOffset = 0;
    };
    static Extent measure(const char* text, TiXmlEncoding encoding = TIXML_DEFAULT_ENCODING,
                          u32 maxDepth = kMaxDepth, u32 maxAttributes = kMaxAttributes);

private:
    using TiXmlDocument::ErrorCol;
    using TiXmlDocument::ErrorDesc;
    using TiXmlDocument::ErrorRow;
    using TiXmlDocument::LoadFile;
    using TiXmlDocument::Parse;

    // Measures, then parses, text that ends with spare NUL bytes.
    bool parseGuarded(const char* padded, TiXmlEncoding encoding);
    void reset();
    // Fails the load with a reason of this class, at a byte of text (or at
    // no place when text is null).
    bool refuse(const char* reason, const char* text, size_t offset);

    const char* m_refusal;
    int m_refusalRow;
    int m_refusalColumn;
};

#endif
