#include "net/KyAdsIndex.h"

#include "core/KyFile.h"
#include "core/KyLog.h"
#include "core/KyPath.h"
#include "core/KyXmlDocument.h"

#include <tinyxml.h>

#include <cstring>
#include <string>
#include <unordered_set>
#include <vector>

namespace {

// Deepest element nesting walked; deeper elements are not read.
const u32 kMaxDepth = 1000;
// Refused names logged one by one for one reading; the rest are counted.
const u32 kMaxRefusalsLogged = 8;

bool startsWith(const char* text, const KyString& prefix)
{
    return std::strncmp(text, prefix.c_str(), prefix.length()) == 0;
}

// Gathers the names of one reading: the names already listed are looked up
// in a hash set, so each name costs the same however long the list.
class Collector {
public:
    Collector(KyArray<KyString>& names, const KyString& folder, const KyString& source, u32 maxNames)
        : m_names(names), m_folder(KyPath(folder)), m_source(source), m_maxNames(maxNames), m_refused(0)
    {
        m_seen.reserve(names.count());
        for (const KyString& name : names)
            m_seen.insert(std::string(name.c_str(), name.length()));
    }

    ~Collector()
    {
        // One growth of the list for the whole reading.
        const u32 first = m_names.count();
        m_names.resize(first + u32(m_added.size()));
        for (size_t i = 0; i < m_added.size(); ++i)
            m_names[first + u32(i)] = m_added[i];
        if (m_refused > kMaxRefusalsLogged)
            logPrint("[KyAds::listFiles] %s : %u more refused file names\n", m_source.c_str(),
                     m_refused - kMaxRefusalsLogged);
    }

    bool full() const { return u64(m_names.count()) + m_added.size() > m_maxNames; }

    void element(const TiXmlElement* element, u32 depth)
    {
        if (!element || depth > kMaxDepth || full())
            return;
        for (const TiXmlAttribute* a = element->FirstAttribute(); a && !full(); a = a->Next())
            attribute(a->Value());
        for (const TiXmlElement* child = element->FirstChildElement(); child && !full();
             child = child->NextSiblingElement())
            this->element(child, depth + 1);
    }

private:
    void attribute(const char* value)
    {
        KyString name;
        const KyAdsIndex::Naming naming = KyAdsIndex::nameOf(value, m_folder, name);
        if (naming == KyAdsIndex::NotInSet)
            return;
        if (naming == KyAdsIndex::Unsafe) {
            if (++m_refused <= kMaxRefusalsLogged)
                logPrint("[KyAds::listFiles] %s : refused file name %s\n", m_source.c_str(), value);
            return;
        }
        if (m_seen.insert(std::string(name.c_str(), name.length())).second)
            m_added.push_back(name);
    }

    KyArray<KyString>& m_names;
    const KyPath m_folder;
    const KyString& m_source;
    const u32 m_maxNames;
    std::unordered_set<std::string> m_seen;
    std::vector<KyString> m_added;
    u32 m_refused;
};

void collectDocument(const KyXmlDocument& document, const KyString& folder, KyArray<KyString>& names,
                     const KyString& source, u32 maxNames)
{
    Collector collector(names, folder, source, maxNames);
    for (const TiXmlElement* e = document.FirstChildElement(); e && !collector.full(); e = e->NextSiblingElement())
        collector.element(e, 0);
}

} // namespace

KyAdsIndex::Naming KyAdsIndex::nameOf(const char* value, const KyPath& folder, KyString& name)
{
    if (!value)
        return NotInSet;
    // The value in the form the page loader reads it in, so that every
    // spelling of a file of the set ("Backup\Ads\a.png",
    // "Backup//Ads//a.png") is listed as the file the page shows.
    const KyPath path(value);
    if (!startsWith(path.c_str(), folder))
        return NotInSet;
    const char* rest = path.c_str() + folder.length();
    name = *rest == '/' ? rest + 1 : "";
    return *rest == '/' && isSafeName(name) ? InSet : Unsafe;
}

bool KyAdsIndex::isSafeName(const KyString& name)
{
    // An empty part is a doubled separator or a folder.
    return KyPath::isSafeRelative(name, kMaxNameLength, false);
}

void KyAdsIndex::collectFiles(const TiXmlElement* element, const KyString& folder, KyArray<KyString>& names,
                              const KyString& source, u32 maxNames)
{
    Collector(names, folder, source, maxNames).element(element, 0);
}

bool KyAdsIndex::readText(const char* text, u32 size, const KyString& folder, KyArray<KyString>& names,
                          const KyString& source, u32 maxNames)
{
    KyXmlDocument document;
    std::string copy(text ? text : "", text ? size : 0);
    if (!document.parse(copy.c_str()))
        return false;
    collectDocument(document, folder, names, source, maxNames);
    return true;
}

bool KyAdsIndex::readFile(const KyString& path, const KyString& folder, KyArray<KyString>& names, u32 maxNames,
                          u32 maxBytes)
{
    KyXmlDocument document;
    return readFile(path, folder, names, maxNames, maxBytes, document, nullptr);
}

bool KyAdsIndex::readFile(const KyString& path, const KyString& folder, KyArray<KyString>& names, u32 maxNames,
                          u32 maxBytes, KyXmlDocument& document, std::string* text)
{
    if (!document.loadFile(path, TIXML_DEFAULT_ENCODING, maxBytes, text)) {
        logPrint("[KyAds::listFiles] %s : the file cannot be read (%s)\n", path.c_str(), document.errorText());
        return false;
    }
    collectDocument(document, folder, names, path, maxNames);
    return true;
}

bool KyAdsIndex::loadDocument(const KyString& path, KyXmlDocument& document, u32 maxBytes)
{
    return document.loadFile(path, TIXML_DEFAULT_ENCODING, maxBytes);
}
