#include "net/KyAdsKeeper.h"

#include "core/KyCallback1Param.h"
#include "core/KyCore.h"
#include "core/KyDirectory.h"
#include "core/KyFile.h"
#include "core/KyLog.h"
#include "core/KyXmlDocument.h"
#include "net/KyAdsIndex.h"
#include "os/KyOsDir.h"

#include <tinyxml.h>

#include <cstdlib>
#include <ctime>

const char* const KyAdsKeeper::kCacheFile = "Backup/KyCache.xml";

namespace {

const char* const kIndexName = "index.xml";
// The most an XML file of a set is fetched with its response header: more
// could never be read, so it is neither received nor written.
const u32 kMaxXmlResponse = KyAdsIndex::kMaxXmlBytes + 64u * 1024u;

s64 now()
{
    return static_cast<s64>(std::time(nullptr));
}

// Creates the folder at a game path and every missing parent.
bool makeFolder(const KyString& folder)
{
    return KyOsDir::makePath(KyFile::resolvePath(folder).c_str());
}

// Creates the folders a file of a set lies in.
bool makeParentFolders(const KyPath& file)
{
    KyPath folder = file.directory();
    return folder.length() == 0 || makeFolder(folder);
}

TiXmlElement* findOrCreate(TiXmlNode* parent, const char* name)
{
    TiXmlElement* element = parent->FirstChildElement(name);
    if (!element)
        element = parent->InsertEndChild(TiXmlElement(name))->ToElement();
    return element;
}

s32 intAttribute(const TiXmlElement* element, const char* name)
{
    const char* text = element->Attribute(name);
    if (!text)
        return 0;
    long value = std::strtol(text, nullptr, 10);
    if (value > INT32_MAX)
        return INT32_MAX;
    if (value < INT32_MIN)
        return INT32_MIN;
    return static_cast<s32>(value);
}

void setIntAttribute(TiXmlElement* element, const char* name, s64 value)
{
    KyString text;
    text.format("%d", static_cast<int>(value));
    element->SetAttribute(name, text.c_str());
}

} // namespace

KyAdsKeeper::KyAdsKeeper(KyWorkerPool& pool, std::function<void()> wake)
    : cacheValidity(kDefaultCacheValidity)
    , m_started(0)
    , m_passed(false)
    , m_lastFetchTime(0)
    , m_timeKnown(false)
    , m_corrupted(false)
    , m_check(pool)
    , m_verdict(Unchecked)
    , m_wake(std::move(wake))
{
    m_xmlAllowance.left = KyAdsIndex::kMaxXmlBytes;
    m_fileAllowance.left = KyAdsSet::allowanceFor(KyAdsSet::kMaxSetFiles);
}

KyAdsKeeper::~KyAdsKeeper()
{
    if (m_tempFolder.length() > 0 && m_localFolder.length() > 0)
        commit();
    for (u32 i = 0; i < m_downloaders.count(); ++i)
        delete m_downloaders[i];
    m_downloaders.clear();
    writeCache();
}

bool KyAdsKeeper::update(const KyString& localFolder, const KyString& tempFolder, const KyString& defaultFolder,
                         const KyString& webLocation)
{
    m_localFolder = KyPath(localFolder);
    m_tempFolder = KyPath(tempFolder);
    m_defaultFolder = KyPath(defaultFolder);
    m_webLocation = webLocation;

    KyXmlDocument cache;
    if (!KyAdsIndex::loadDocument(kCacheFile, cache))
        cache = KyXmlDocument();
    TiXmlElement* ads = findOrCreate(&cache, "KyAds");

    TiXmlElement* corrupted = ads->FirstChildElement("corrupted");
    if (corrupted && intAttribute(corrupted, "value") > 0) {
        // The last run ended while it fetched: nothing is fetched or shown
        // in this one. What it left is checked meanwhile, so that a set
        // that is not whole goes.
        m_corrupted = true;
        if (KyFile::exists(KyAdsSet::fileIn(m_tempFolder, kIndexName)))
            startCheck();
        return false;
    }
    corrupted = findOrCreate(ads, "corrupted");
    corrupted->SetAttribute("value", "1");
    saveCache(cache);

    if (const TiXmlElement* time = ads->FirstChildElement("time")) {
        m_lastFetchTime = readTime(time);
        m_timeKnown = true;
        s64 age = now() - m_lastFetchTime;
        // A fetch time in the future (the clock was put back) is stale.
        if (age >= 0 && age < s64(cacheValidity)) {
            // A set an earlier run downloaded (or did not finish checking)
            // is checked while the splashes show.
            if (KyFile::exists(KyAdsSet::fileIn(m_tempFolder, kIndexName)))
                startCheck();
            return true;
        }
    }

    m_corrupted = false;
    KyDirectory::RemoveDir(m_tempFolder);
    makeFolder(m_tempFolder);
    KyHTTPDownloader* index = makeDownload(KyString(kIndexName), true);
    m_started = 1;
    if (!index->start())
        return false;
    m_lastFetchTime = now();
    m_timeKnown = true;
    m_wake();
    return true;
}

KyHTTPDownloader* KyAdsKeeper::makeDownload(const KyString& name, bool xml)
{
    KyHTTPDownloader* downloader = new KyHTTPDownloader;
    downloader->request.setField(KyString("filename"), name);
    downloader->location = m_webLocation + KyString("/index.php");
    downloader->file = KyAdsSet::fileIn(m_tempFolder, name);
    makeParentFolders(downloader->file);
    if (xml) {
        // XML files are read in turn, so that what they name is fetched.
        downloader->onSuccess.pushBack(kyNewCallback(this, &KyAdsKeeper::onFileDownloaded, 0.0f));
        downloader->request.setMaxResponseSize(kMaxXmlResponse);
    }
    downloader->allowance = xml ? &m_xmlAllowance : &m_fileAllowance;
    downloader->onSuccess.pushBack(kyNewCallback(this, &KyAdsKeeper::onDownloadEnded, 0.0f));
    downloader->onFailure.pushBack(kyNewCallback(this, &KyAdsKeeper::onDownloadFailed, 0.0f));
    m_downloaders.pushBack(downloader);
    return downloader;
}

void KyAdsKeeper::startWaiting()
{
    if (m_passed)
        return;
    u32 running = 0;
    for (u32 i = 0; i < m_started; ++i)
        running += m_downloaders[i]->isFinished() ? 0 : 1;
    while (running < kMaxRunningDownloads && m_started < m_downloaders.count()) {
        m_downloaders[m_started++]->start();
        ++running;
    }
}

bool KyAdsKeeper::onFileDownloaded(KyHTTPDownloader& downloader)
{
    const KyAdsSet found(m_tempFolder, m_localFolder, downloader.file);
    if (found.namesTooMany()) {
        // Such a set is never whole: nothing more of it is fetched.
        logPrint("[KyAds::onFileDownloaded] %s names more than %u files: the advert set is refused\n",
                 downloader.file.c_str(), KyAdsSet::kMaxSetFiles);
        return false;
    }
    const KyArray<KyString>& names = found.names();
    for (u32 i = 0; i < names.count(); ++i) {
        bool known = false;
        for (u32 j = 0; j < m_downloaders.count() && !known; ++j)
            known = m_downloaders[j]->request.field(KyString("filename")) == names[i];
        if (known)
            continue;
        if (m_downloaders.count() >= KyAdsSet::kMaxSetFiles) {
            logPrint("[KyAds::onFileDownloaded] more than %u files in the advert set: %s is not fetched\n",
                     KyAdsSet::kMaxSetFiles, names[i].c_str());
            break;
        }
        makeDownload(names[i], KyAdsSet::isXmlName(names[i]));
    }
    // They start in their turn (onDownloadEnded, which follows, or the frame).
    m_wake();
    return false;
}

bool KyAdsKeeper::onDownloadEnded(KyHTTPDownloader&)
{
    // The next download takes its place at once.
    startWaiting();
    return false;
}

bool KyAdsKeeper::onDownloadFailed(u32)
{
    // Called from inside the socket pump: the fetch ends between frames.
    if (m_xmlAllowance.passed || m_fileAllowance.passed)
        m_passed = true;
    else
        startWaiting();
    m_wake();
    return false;
}

void KyAdsKeeper::refuseFetch()
{
    logPrint("[KyAds::onFileDownloaded] the files of the advert set pass what a set may hold: the advert set "
             "downloaded into %s is refused\n",
             m_tempFolder.c_str());
    for (u32 i = 0; i < m_downloaders.count(); ++i) {
        if (!m_downloaders[i]->isFinished())
            m_downloaders[i]->request.cancel();
    }
    m_check.cancel();
    KyDirectory::RemoveDir(m_tempFolder);
    m_verdict = Refused;
}

bool KyAdsKeeper::downloading() const
{
    if (m_verdict == Refused)
        return false;
    for (u32 i = 0; i < m_downloaders.count(); ++i) {
        if (!m_downloaders[i]->isFinished())
            return true;
    }
    return false;
}

bool KyAdsKeeper::isFetching() const
{
    return downloading() || m_verdict == Checking || (m_verdict == Unchecked && !m_downloaders.isEmpty());
}

void KyAdsKeeper::listFiles(const KyString& xmlPath, const KyString& root, KyArray<KyString>& names)
{
    const KyAdsSet found(root, m_localFolder, xmlPath);
    for (const KyString& name : found.names()) {
        if (!names.contains(name))
            names.pushBack(name);
    }
}

bool KyAdsKeeper::isComplete(const KyString& indexPath)
{
    return KyAdsSet(KyPath(indexPath).directory(), m_localFolder, indexPath).isComplete();
}

void KyAdsKeeper::startCheck()
{
    const KyAdsSet found(m_tempFolder, m_localFolder);
    if (!found.isShowable(true)) {
        m_verdict = Incomplete;
        return;
    }
    m_check.start(found.pictures(), false, KyAdsSet::kMaxPictureSide, KyAdsSet::kMaxSetPixels,
                  found.byteAllowance());
    m_verdict = Checking;
    m_wake();
}

void KyAdsKeeper::takeCheck()
{
    if (m_verdict != Checking || !m_check.isDone())
        return;
    const std::string log = m_check.log();
    if (!log.empty())
        logPrint("%s", log.c_str());
    if (m_check.isWhole()) {
        m_verdict = Whole;
    } else {
        // The downloads have ended: such a set never becomes whole, and is
        // not checked again at every start.
        logPrint("[KyAds::isWhole] %s\n", m_check.failure().c_str());
        logPrint("[KyAds::commit] the advert set downloaded into %s is refused\n", m_tempFolder.c_str());
        KyDirectory::RemoveDir(m_tempFolder);
        m_verdict = Refused;
    }
    m_check.cancel();
}

bool KyAdsKeeper::hasWholeSet()
{
    takeCheck();
    return m_verdict == Whole;
}

bool KyAdsKeeper::onFrame()
{
    if (m_passed && m_verdict != Refused)
        refuseFetch();
    startWaiting();
    // Once every download has ended, what they fetched is checked.
    if (!downloading() && m_verdict == Unchecked && !m_downloaders.isEmpty())
        startCheck();
    // With no thread to be had, the frames check the pictures, one a frame.
    if (m_verdict == Checking)
        m_check.step();
    takeCheck();
    return downloading() || m_verdict == Checking;
}

bool KyAdsKeeper::commit()
{
    takeCheck();
    if (m_verdict != Whole)
        return false;
    const KyAdsSet found(m_tempFolder, m_localFolder);
    if (!found.isShowable())
        return false;
    const KyPath index = KyAdsSet::fileIn(m_tempFolder, kIndexName);
    KyDirectory::RemoveDir(m_localFolder);
    makeFolder(m_localFolder);
    bool moved = KyFile::renameFile(index, KyAdsSet::fileIn(m_localFolder, kIndexName));
    for (const KyString& name : found.names()) {
        KyPath target = KyAdsSet::fileIn(m_localFolder, name);
        makeParentFolders(target);
        moved = KyFile::renameFile(KyAdsSet::fileIn(m_tempFolder, name), target) && moved;
    }
    KyDirectory::RemoveDir(m_tempFolder);
    m_verdict = Committed;
    if (!moved)
        logPrint("[KyAds::commit] the advert set could not be moved whole into %s\n", m_localFolder.c_str());
    return true;
}

KyAdsSet KyAdsKeeper::setToShow(bool* changed)
{
    if (changed)
        *changed = false;
    KyAdsSet local(m_localFolder, m_localFolder);
    if (local.isShowable() || !copyDefaultSet())
        return local;
    if (changed)
        *changed = true;
    return KyAdsSet(m_localFolder, m_localFolder);
}

bool KyAdsKeeper::copyDefaultSet()
{
    KyString language = KyCore::systemLanguage();
    KyPath index = KyAdsSet::fileIn(KyAdsSet::fileIn(m_defaultFolder, language), kIndexName);
    if (!KyFile::exists(index)) {
        language = "en";
        index = KyAdsSet::fileIn(KyAdsSet::fileIn(m_defaultFolder, language), kIndexName);
    }
    const KyPath source = KyAdsSet::fileIn(m_defaultFolder, language);
    const KyAdsSet shipped(source, m_localFolder, index);
    if (shipped.names().isEmpty())
        return false;
    KyDirectory::RemoveDir(m_localFolder);
    makeFolder(m_localFolder);
    KyFile::copyFile(index, KyAdsSet::fileIn(m_localFolder, kIndexName));
    for (const KyString& name : shipped.names()) {
        KyPath target = KyAdsSet::fileIn(m_localFolder, name);
        makeParentFolders(target);
        KyFile::copyFile(KyAdsSet::fileIn(source, name), target);
    }
    return true;
}

void KyAdsKeeper::writeTime(TiXmlElement* time, s64 seconds)
{
    setIntAttribute(time, "days", seconds / 86400);
    setIntAttribute(time, "hours", (seconds / 3600) % 24);
    setIntAttribute(time, "minutes", (seconds / 60) % 60);
    setIntAttribute(time, "seconds", seconds % 60);
}

s64 KyAdsKeeper::readTime(const TiXmlElement* time)
{
    s64 days = intAttribute(time, "days");
    s64 hours = intAttribute(time, "hours");
    s64 minutes = intAttribute(time, "minutes");
    s64 seconds = intAttribute(time, "seconds");
    return ((days * 24 + hours) * 60 + minutes) * 60 + seconds;
}

void KyAdsKeeper::writeCache()
{
    KyXmlDocument cache;
    if (!KyAdsIndex::loadDocument(kCacheFile, cache)) {
        cache = KyXmlDocument();
        cache.InsertEndChild(TiXmlDeclaration("1.0", "", ""));
        TiXmlElement version("FileFormatVersion");
        version.SetAttribute("major", "1");
        version.SetAttribute("minor", "0");
        cache.InsertEndChild(version);
    }
    TiXmlElement* ads = findOrCreate(&cache, "KyAds");
    TiXmlElement* time = findOrCreate(ads, "time");
    TiXmlElement* corrupted = findOrCreate(ads, "corrupted");
    // Without a fetch time of this run the one on file stays.
    if (m_timeKnown || !time->Attribute("days"))
        writeTime(time, m_timeKnown ? m_lastFetchTime : 0);
    // The rotator is destroyed in order: this run was not cut short.
    corrupted->SetAttribute("value", "0");
    saveCache(cache);
}

bool KyAdsKeeper::saveCache(TiXmlDocument& document)
{
    TiXmlPrinter printer;
    document.Accept(&printer);
    if (!KyFile::writeAtomically(kCacheFile, printer.CStr(), static_cast<u32>(printer.Size()))) {
        logPrint("[KyAds::writeCache] %s cannot be written\n", kCacheFile);
        return false;
    }
    return true;
}
