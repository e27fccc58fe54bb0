#include "net/KyAdsIndex.h"

#include "core/KyFile.h"
#include "core/KyLog.h"
#include "core/KyXmlDocument.h"

#include <tinyxml.h>

#include <string>

namespace {

// Deepest element nesting walked; deeper elements are not read.
const u32 kMaxDepth = 1000;
// Largest XML file of a set read, in bytes.
const u32 kMaxFileSize = 64u * 1024u * 1024u;

bool startsWith(const char* text, const KyString& prefix)
{
    return std::strncmp(text, prefix.c_str(), prefix.length()) == 0;
}

void addName(const KyString& name, KyArray<KyString>& names)
{
    if (!names.contains(name))
        names.pushBack(name);
}

void collect(const TiXmlElement* element, const KyString& folder, KyArray<KyString>& names, const KyString& source,
             u32 depth)
{
    if (!element || depth > kMaxDepth)
        return;
    for (const TiXmlAttribute* a = element->FirstAttribute(); a; a = a->Next()) {
        const char* value = a->Value();
        if (!value || !startsWith(value, folder))
            continue;
        const char* rest = value + folder.length();
        if (*rest != '/' || !KyAdsIndex::isSafeName(KyString(rest + 1))) {
            logPrint("[KyAds::listFiles] %s : refused file name %s\n", source.c_str(), value);
            continue;
        }
        addName(KyString(rest + 1), names);
    }
    for (const TiXmlElement* child = element->FirstChildElement(); child; child = child->NextSiblingElement())
        collect(child, folder, names, source, depth + 1);
}

} // namespace

bool KyAdsIndex::isSafeName(const KyString& name)
{
    u32 n = name.length();
    if (n == 0 || n > kMaxNameLength)
        return false;
    const char* text = name.c_str();
    u32 partStart = 0;
    for (u32 i = 0; i <= n; ++i) {
        char c = i < n ? text[i] : '/';
        if (c == ':' || (c >= 0 && c < 0x20) || c == 0x7F)
            return false;
        if (c != '/' && c != '\\')
            continue;
        u32 partLength = i - partStart;
        // An empty part is an absolute name, a doubled separator or a
        // folder; ".." climbs out of the set.
        if (partLength == 0 || (partLength == 2 && text[partStart] == '.' && text[partStart + 1] == '.'))
            return false;
        partStart = i + 1;
    }
    return true;
}

void KyAdsIndex::collectFiles(const TiXmlElement* element, const KyString& folder, KyArray<KyString>& names,
                              const KyString& source)
{
    collect(element, folder, names, source, 0);
}

bool KyAdsIndex::readText(const char* text, u32 size, const KyString& folder, KyArray<KyString>& names,
                          const KyString& source)
{
    KyXmlDocument document;
    std::string copy(text ? text : "", text ? size : 0);
    if (!document.parse(copy.c_str()))
        return false;
    for (const TiXmlElement* e = document.FirstChildElement(); e; e = e->NextSiblingElement())
        collectFiles(e, folder, names, source);
    return true;
}

bool KyAdsIndex::readFile(const KyString& path, const KyString& folder, KyArray<KyString>& names)
{
    KyXmlDocument document;
    if (!loadDocument(path, document)) {
        logPrint("[KyAds::listFiles] %s : the file cannot be read\n", path.c_str());
        return false;
    }
    for (const TiXmlElement* e = document.FirstChildElement(); e; e = e->NextSiblingElement())
        collectFiles(e, folder, names, path);
    return true;
}

bool KyAdsIndex::loadDocument(const KyString& path, KyXmlDocument& document)
{
    KyFile file;
    if (!KyFile::exists(path))
        return false;
    if (!file.Open_2(path, KyFile::ModeRead))
        return false;
    u32 size = file.GetFileSize();
    if (size > kMaxFileSize)
        return false;
    std::string text(size, '\0');
    if (size > 0 && file.read(&text[0], size) != size)
        return false;
    return document.parse(text.c_str());
}
