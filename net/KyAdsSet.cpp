#include "net/KyAdsSet.h"

#include "core/KyFile.h"
#include "core/KyLog.h"
#include "core/KyXmlDocument.h"
#include "net/KyAdsIndex.h"
#include "net/KyAdsPageCheck.h"
#include "platform/KyImg.h"

namespace {

std::string key(const KyString& text)
{
    return std::string(text.c_str(), text.length());
}

// Whether a file of the set is one its pages may show: a picture or a page.
bool isShown(const KyString& name)
{
    return KyImg::isPictureName(name) || KyAdsSet::isXmlName(name);
}

// A file no page may show (a sound a page names) is looked at, never opened:
// the set is not whole anyway.
bool isRegularFile(const KyString& disk)
{
    u64 size = 0;
    return KyFile::regularFileSize(disk, size);
}

} // namespace

KyAdsSet::KyAdsSet(const KyString& folder, const KyString& prefix, const KyString& first)
    : m_folder(folder), m_prefix(prefix), m_xmlLeft(KyAdsIndex::kMaxXmlBytes)
{
    m_index = first.length() > 0 ? KyPath(first) : fileIn(m_folder, "index.xml");
    m_indexThere = KyFile::exists(m_index);
    walk(m_index);
}

KyPath KyAdsSet::fileIn(const KyString& folder, const KyString& name)
{
    return KyPath(folder + KyString("/") + name);
}

bool KyAdsSet::isXmlName(const KyString& name)
{
    return KyPath(name).extension() == "xml";
}

u64 KyAdsSet::allowanceFor(u64 pictures)
{
    return 8 * kMaxSetPixels + u64(64 * 1024) * pictures;
}

bool KyAdsSet::isShowable(bool logWhyNot) const
{
    if (!isComplete())
        return false;
    if (m_names.isEmpty()) {
        if (logWhyNot)
            logPrint("[KyAds::isWhole] %s names no file of the advert set\n", m_index.c_str());
        return false;
    }
    return isSelfContained();
}

KyPath KyAdsSet::named(const KyString& file) const
{
    const KyPath path(file);
    const KyString start = m_folder + KyString("/");
    if (m_folder.length() > 0 && path.length() > start.length() &&
        std::string(path.c_str(), start.length()) == key(start))
        return fileIn(m_prefix, KyString(path.c_str() + start.length()));
    return path;
}

void KyAdsSet::foreign(const KyPath& file, const std::string& why)
{
    // One line for the set: the first file found, and what it holds.
    if (!m_foreign.empty())
        return;
    m_foreign = key(file) + " " + why;
    logPrint("[KyAds::isWhole] %s: the advert set is not whole\n", m_foreign.c_str());
}

const KyAdsSet::Page* KyAdsSet::page(const KyString& path) const
{
    const KyPath wanted(path);
    for (const Page& page : m_pages) {
        if (page.path == wanted)
            return &page;
    }
    return nullptr;
}

std::vector<KyAdsSet::Picture> KyAdsSet::picturesOf(const Page& page) const
{
    std::vector<Picture> pictures;
    for (u32 i : page.pictures)
        pictures.push_back(m_pictures[i]);
    return pictures;
}

void KyAdsSet::walk(const KyString& xmlPath)
{
    const KyPath path(xmlPath);
    const KyPath disk = KyFile::resolvePath(path);
    // A page that refers back to one already read is not read again.
    if (!m_visited.insert(key(disk)).second)
        return;
    // The file's size counts against what the whole set may read.
    u64 size = 0;
    if (!KyFile::regularFileSize(disk, size)) {
        m_present = false;
        return;
    }
    if (size > m_xmlLeft) {
        logPrint("[KyAds::listFiles] %s : the XML files of the advert set pass %u bytes\n", path.c_str(),
                 KyAdsIndex::kMaxXmlBytes);
        m_readable = false;
        return;
    }
    KyArray<KyString> own;
    KyXmlDocument document;
    Page page;
    if (!KyAdsIndex::readFile(path, m_prefix, own, kMaxSetFiles, m_xmlLeft, document, &page.text)) {
        m_readable = false;
        return;
    }
    m_xmlLeft -= u32(size);
    std::string why;
    if (!KyAdsPageCheck::check(document, m_prefix, why))
        foreign(path, why);

    page.path = named(path);
    const u32 first = m_names.count();
    for (const KyString& name : own) {
        const bool fresh = m_seen.insert(key(name)).second;
        if (fresh)
            m_names.pushBack(name);
        if (!isShown(name))
            foreign(path, "names " + key(fileIn(m_prefix, name)) + ", neither a picture nor a page of the advert set");
        if (!KyImg::isPictureName(name))
            continue;
        if (fresh) {
            Picture picture;
            picture.path = fileIn(m_folder, name);
            picture.diskPath = KyFile::resolvePath(picture.path);
            m_pictureAt[key(name)] = u32(m_pictures.size());
            m_pictures.push_back(picture);
        }
        page.pictures.push_back(m_pictureAt[key(name)]);
    }
    m_pages.push_back(std::move(page));
    if (m_names.count() > kMaxSetFiles) {
        m_tooMany = true;
        return;
    }
    const u32 last = m_names.count();
    for (u32 i = first; i < last && !m_tooMany; ++i) {
        const KyPath referenced = fileIn(m_folder, m_names[i]);
        // A picture's file is resolved once, for the test and the reading.
        const auto picture = m_pictureAt.find(key(m_names[i]));
        const KyString disk =
            picture != m_pictureAt.end() ? m_pictures[picture->second].diskPath : KyFile::resolvePath(referenced);
        if (!(isShown(m_names[i]) ? KyFile::isReadable(disk) : isRegularFile(disk)))
            m_present = false;
        else if (isXmlName(m_names[i]))
            walk(referenced);
    }
}
