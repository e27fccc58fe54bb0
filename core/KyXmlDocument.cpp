#include "core/KyXmlDocument.h"

#include "core/KyFile.h"
#include "core/KyPath.h"

#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <set>
#include <string>
#include <vector>

namespace {

// NUL bytes after the text's own: TinyXML steps over a whole UTF-8
// character (up to four bytes) before it looks for the end of the text.
const size_t kPadding = 4;

const char* const kTooDeep = "Elements nested too deeply.";
const char* const kTooManyAttributes = "Too many attributes on one element.";
const char* const kTooLarge = "File too large.";

// What TinyXML lets through but is not XML: the reading goes on as
// TinyXML's does, and the first of these found refuses the text.
const char* const kNoElement = "Not well-formed: no element.";
const char* const kOutsideText = "Not well-formed: text outside the elements.";
const char* const kCutDeclaration = "Not well-formed: declaration without its end.";
// A version, encoding or standalone value holds names and numbers only;
// TinyXML writes them back between double quotes as they stand, so a value
// holding a quote or markup would be written as text that does not read.
const char* const kBadDeclaration = "Not well-formed: declaration value that is not a name.";
const char* const kCutComment = "Not well-formed: comment without its end.";
const char* const kCutCData = "Not well-formed: CDATA section without its end.";
const char* const kCutNode = "Not well-formed: markup without its end.";
const char* const kStrayMarkup = "Not well-formed: '<' that starts no markup.";
// TinyXML reads such a value byte by byte, while a quoted value is read a
// character at a time: written back quoted, one holding a lone lead byte of
// UTF-8 would swallow its closing quote.
const char* const kUnquotedValue = "Not well-formed: attribute value without quotes.";

bool isPlainValue(const char* value)
{
    return std::strpbrk(value, "\"'<>&") == nullptr;
}

bool isPlainDeclaration(const TiXmlDeclaration& declaration)
{
    return isPlainValue(declaration.Version()) && isPlainValue(declaration.Encoding()) &&
           isPlainValue(declaration.Standalone());
}

bool endsWith(const char* start, const char* end, const char* tail, size_t minimum)
{
    const size_t n = std::strlen(tail);
    return end && size_t(end - start) >= minimum && std::memcmp(end - n, tail, n) == 0;
}

// TinyXML's own reading steps, reached through a class derived from its base.
struct Steps : TiXmlBase {
    using TiXmlBase::IsAlpha;
    using TiXmlBase::ReadName;
    using TiXmlBase::SkipWhiteSpace;
    using TiXmlBase::StringEqual;
};

// The text up to its first NUL byte, followed by the spare NUL bytes.
std::vector<char> padded(const char* text, size_t length)
{
    std::vector<char> buffer(text, text + length);
    buffer.resize(length + 1 + kPadding, '\0');
    return buffer;
}

// Reads a text the way TinyXML's document parse does, without building
// anything: the element structure is followed here (TinyXML recurses, this
// loops), every other node and every attribute goes through TinyXML's own
// parse of that node, so both stop at the same byte for the same reason.
class Measure {
public:
    Measure(TiXmlEncoding encoding, u32 maxDepth, u32 maxAttributes)
        : m_encoding(encoding), m_maxDepth(maxDepth), m_maxAttributes(maxAttributes), m_text(nullptr)
    {
    }

    KyXmlDocument::Extent run(const char* text);

private:
    enum Kind { Element, Declaration, Comment, CData, Unknown };

    Kind identify(const char* p) const;
    const char* skip(const char* p) const { return Steps::SkipWhiteSpace(p, m_encoding); }
    // A node other than an element or character data, parsed by TinyXML;
    // one that is not XML (cut, or a '<' that starts nothing) is noted.
    const char* otherNode(const char* p, Kind kind);
    // Character data inside an element.
    const char* text(const char* p);
    // The element at p with everything inside it; where the parse goes on
    // after it, or null where it stops (or the element is refused).
    const char* element(const char* p);
    // The start tag of the element at p, level deep: its name (for the end
    // tag) and attributes. Past its ">" or "/>", or null.
    const char* startTag(const char* p, u32 level, std::string& endTag, bool& empty);
    bool refuse(const char* p);
    void malformed(const char* p, const char* reason);

    TiXmlEncoding m_encoding;
    const u32 m_maxDepth;
    const u32 m_maxAttributes;
    const char* m_text;
    KyXmlDocument::Extent m_extent;
};

KyXmlDocument::Extent Measure::run(const char* text)
{
    m_text = text;
    const char* p = text;
    if (!p || !*p)
        return m_extent;
    const unsigned char* u = reinterpret_cast<const unsigned char*>(p);
    if (m_encoding == TIXML_ENCODING_UNKNOWN && u[0] == 0xEF && u[1] == 0xBB && u[2] == 0xBF)
        m_encoding = TIXML_ENCODING_UTF8;
    p = skip(p);
    const char* start = p;
    bool element = false;
    while (p && *p && !m_extent.refused) {
        if (*p != '<') {
            // TinyXML ends the document here and drops the rest.
            malformed(p, kOutsideText);
            break;
        }
        const Kind kind = identify(p);
        if (kind == CData) {
            // Text outside the elements all the same, but TinyXML takes it
            // for a node and reads on: so does the measure, or an element
            // after it would be parsed unmeasured.
            malformed(p, kOutsideText);
            p = otherNode(p, kind);
        } else if (kind == Element) {
            element = true;
            p = this->element(p);
        } else if (kind == Declaration && m_encoding == TIXML_ENCODING_UNKNOWN) {
            // The first declaration of the document names its encoding.
            TiXmlDeclaration declaration;
            const char* at = p;
            p = declaration.Parse(p, nullptr, m_encoding);
            if (!endsWith(at, p, "?>", 7))
                malformed(at, kCutDeclaration);
            else if (!isPlainDeclaration(declaration))
                malformed(at, kBadDeclaration);
            const char* name = declaration.Encoding();
            if (!*name || Steps::StringEqual(name, "UTF-8", true, TIXML_ENCODING_UNKNOWN) ||
                Steps::StringEqual(name, "UTF8", true, TIXML_ENCODING_UNKNOWN))
                m_encoding = TIXML_ENCODING_UTF8;
            else
                m_encoding = TIXML_ENCODING_LEGACY;
        } else {
            p = otherNode(p, kind);
        }
        p = skip(p);
    }
    if (!element)
        malformed(start, kNoElement);
    return m_extent;
}

Measure::Kind Measure::identify(const char* p) const
{
    if (Steps::StringEqual(p, "<?xml", true, m_encoding))
        return Declaration;
    if (Steps::StringEqual(p, "<!--", false, m_encoding))
        return Comment;
    if (Steps::StringEqual(p, "<![CDATA[", false, m_encoding))
        return CData;
    if (Steps::StringEqual(p, "<!", false, m_encoding))
        return Unknown;
    if (Steps::IsAlpha(static_cast<unsigned char>(p[1]), m_encoding) || p[1] == '_')
        return Element;
    return Unknown;
}

const char* Measure::otherNode(const char* p, Kind kind)
{
    const char* end = nullptr;
    switch (kind) {
    case Declaration: {
        TiXmlDeclaration node;
        end = node.Parse(p, nullptr, m_encoding);
        if (!endsWith(p, end, "?>", 7))
            malformed(p, kCutDeclaration);
        else if (!isPlainDeclaration(node))
            malformed(p, kBadDeclaration);
        break;
    }
    case Comment: {
        TiXmlComment node;
        end = node.Parse(p, nullptr, m_encoding);
        if (!endsWith(p, end, "-->", 7))
            malformed(p, kCutComment);
        break;
    }
    case CData: {
        TiXmlText node("");
        node.SetCDATA(true);
        end = node.Parse(p, nullptr, m_encoding);
        if (!endsWith(p, end, "]]>", 12))
            malformed(p, kCutCData);
        break;
    }
    default: {
        TiXmlUnknown node;
        end = node.Parse(p, nullptr, m_encoding);
        if (p[1] != '!' && p[1] != '?')
            malformed(p, kStrayMarkup);
        else if (!endsWith(p, end, ">", 3))
            malformed(p, kCutNode);
        break;
    }
    }
    return end;
}

const char* Measure::text(const char* p)
{
    TiXmlText node("");
    return node.Parse(p, nullptr, m_encoding);
}

void Measure::malformed(const char* p, const char* reason)
{
    if (m_extent.malformed)
        return;
    m_extent.malformed = reason;
    m_extent.malformedOffset = size_t(p - m_text);
}

bool Measure::refuse(const char* p)
{
    m_extent.refused = true;
    m_extent.offset = size_t(p - m_text);
    return false;
}

const char* Measure::startTag(const char* p, u32 level, std::string& endTag, bool& empty)
{
    if (level > m_extent.depth)
        m_extent.depth = level;
    if (level > m_maxDepth) {
        refuse(p);
        return nullptr;
    }
    const char* at = p;
    p = skip(p);
    if (!p || *p != '<')
        return nullptr;
    p = skip(p + 1);
    std::string name;
    if (p)
        p = Steps::ReadName(p, &name, m_encoding);
    if (!p || !*p)
        return nullptr;
    endTag = "</" + name;

    std::set<std::string> names;
    u32 count = 0;
    for (;;) {
        p = skip(p);
        if (!p || !*p)
            return nullptr;
        if (*p == '/') {
            ++p;
            if (*p != '>')
                return nullptr;
            empty = true;
            return p + 1;
        }
        if (*p == '>') {
            empty = false;
            return p + 1;
        }
        TiXmlAttribute attribute;
        const char* const attributeStart = p;
        p = attribute.Parse(p, nullptr, m_encoding);
        if (!p || !*p)
            return nullptr;
        // A quoted value ends past its closing quote.
        if (p[-1] != '"' && p[-1] != '\'')
            malformed(attributeStart, kUnquotedValue);
        // The parser refuses an attribute given twice.
        if (!names.insert(attribute.NameTStr()).second)
            return nullptr;
        if (++count > m_extent.attributes)
            m_extent.attributes = count;
        if (count > m_maxAttributes) {
            refuse(at);
            return nullptr;
        }
    }
}

const char* Measure::element(const char* p)
{
    // The end tags of the elements open around p, innermost last.
    std::vector<std::string> open;
    bool entering = true;
    for (;;) {
        if (entering) {
            std::string endTag;
            bool empty = false;
            p = startTag(p, u32(open.size()) + 1, endTag, empty);
            if (!p)
                return nullptr;
            if (!empty)
                open.push_back(endTag);
            else if (open.empty())
                return p;
        } else {
            // p is at "</": the end tag of the innermost element, with white
            // space allowed before its ">".
            const std::string& endTag = open.back();
            if (!Steps::StringEqual(p, endTag.c_str(), false, m_encoding))
                return nullptr;
            p = skip(p + endTag.size());
            if (!p || *p != '>')
                return nullptr;
            ++p;
            open.pop_back();
            if (open.empty())
                return p;
        }

        // The content of the innermost open element, up to an element that
        // opens or to an end tag.
        const char* withWhiteSpace = p;
        p = skip(p);
        for (;;) {
            if (!p || !*p)
                return nullptr;
            if (*p != '<') {
                p = text(TiXmlBase::IsWhiteSpaceCondensed() ? p : withWhiteSpace);
            } else if (Steps::StringEqual(p, "</", false, m_encoding)) {
                entering = false;
                break;
            } else {
                const Kind kind = identify(p);
                if (kind == Element) {
                    entering = true;
                    break;
                }
                p = otherNode(p, kind);
            }
            withWhiteSpace = p;
            p = skip(p);
        }
    }
}

} // namespace

KyXmlDocument::KyXmlDocument()
    : m_refusal(nullptr), m_refusalRow(0), m_refusalColumn(0)
{
}

KyXmlDocument::Extent KyXmlDocument::measure(const char* text, TiXmlEncoding encoding, u32 maxDepth,
                                             u32 maxAttributes)
{
    if (!text)
        return Extent();
    const std::vector<char> buffer = padded(text, std::strlen(text));
    return Measure(encoding, maxDepth, maxAttributes).run(buffer.data());
}

void KyXmlDocument::reset()
{
    Clear();
    ClearError();
    m_refusal = nullptr;
    m_refusalRow = 0;
    m_refusalColumn = 0;
}

bool KyXmlDocument::refuse(const char* reason, const char* text, size_t offset)
{
    Clear();
    m_refusal = reason;
    m_refusalRow = text ? 1 : 0;
    m_refusalColumn = text ? 1 : 0;
    for (size_t i = 0; text && i < offset; ++i) {
        if (text[i] == '\n') {
            ++m_refusalRow;
            m_refusalColumn = 1;
        } else {
            ++m_refusalColumn;
        }
    }
    SetError(TIXML_ERROR_PARSING_ELEMENT, nullptr, nullptr, TIXML_ENCODING_UNKNOWN);
    return false;
}

bool KyXmlDocument::parseGuarded(const char* text, TiXmlEncoding encoding)
{
    const Extent extent = Measure(encoding, kMaxDepth, kMaxAttributes).run(text);
    if (extent.refused)
        return refuse(extent.depth > kMaxDepth ? kTooDeep : kTooManyAttributes, text, extent.offset);
    TiXmlDocument::Parse(text, nullptr, encoding);
    if (Error())
        return false;
    if (extent.malformed)
        return refuse(extent.malformed, text, extent.malformedOffset);
    return true;
}

bool KyXmlDocument::parse(const char* text, TiXmlEncoding encoding)
{
    reset();
    const std::vector<char> buffer = padded(text ? text : "", text ? std::strlen(text) : 0);
    return parseGuarded(buffer.data(), encoding);
}

bool KyXmlDocument::parse(const KyString& text, TiXmlEncoding encoding)
{
    return parse(text.c_str(), encoding);
}

bool KyXmlDocument::loadFile(const KyString& path, TiXmlEncoding encoding, u32 maxBytes, std::string* text)
{
    reset();
    SetValue(path.c_str());
    // Only a regular file is read: the runtime opens folders, and a FIFO
    // would wait for a writer.
    std::FILE* file = KyFile::openDisk(KyFile::resolvePath(path), KyFile::ModeRead);
    if (!file) {
        SetError(TIXML_ERROR_OPENING_FILE, nullptr, nullptr, TIXML_ENCODING_UNKNOWN);
        return false;
    }
    struct stat info;
    if (maxBytes > 0 && (fstat(fileno(file), &info) != 0 || u64(info.st_size) > maxBytes)) {
        std::fclose(file);
        return refuse(kTooLarge, nullptr, 0);
    }
    std::string bytes;
    char chunk[4096];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof(chunk), file)) > 0) {
        bytes.append(chunk, n);
        // A file that grew since it was looked at is read no further.
        if (maxBytes > 0 && bytes.size() > maxBytes) {
            std::fclose(file);
            return refuse(kTooLarge, nullptr, 0);
        }
    }
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) {
        SetError(TIXML_ERROR_OPENING_FILE, nullptr, nullptr, TIXML_ENCODING_UNKNOWN);
        return false;
    }
    if (bytes.empty()) {
        SetError(TIXML_ERROR_DOCUMENT_EMPTY, nullptr, nullptr, TIXML_ENCODING_UNKNOWN);
        return false;
    }
    // Up to the first NUL byte, with CR LF and lone CR made LF.
    std::vector<char> read;
    read.reserve(bytes.size() + 1 + kPadding);
    for (size_t i = 0; i < bytes.size() && bytes[i] != '\0'; ++i) {
        if (bytes[i] != '\r') {
            read.push_back(bytes[i]);
            continue;
        }
        read.push_back('\n');
        if (i + 1 < bytes.size() && bytes[i + 1] == '\n')
            ++i;
    }
    if (text)
        text->assign(read.data(), read.size());
    read.resize(read.size() + 1 + kPadding, '\0');
    return parseGuarded(read.data(), encoding);
}

const char* KyXmlDocument::errorText() const
{
    return m_refusal ? m_refusal : TiXmlDocument::ErrorDesc();
}

int KyXmlDocument::errorRow() const
{
    return m_refusal ? m_refusalRow : TiXmlDocument::ErrorRow();
}

int KyXmlDocument::errorColumn() const
{
    return m_refusal ? m_refusalColumn : TiXmlDocument::ErrorCol();
}
