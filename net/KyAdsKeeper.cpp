#include "net/KyAdsKeeper.h"

#include "core/KyCallback1Param.h"
#include "core/KyCore.h"
#include "core/KyDirectory.h"
#include "core/KyFile.h"
#include "core/KyLog.h"
#include "core/KyXmlDocument.h"
#include "net/KyAdsIndex.h"
#include "net/KySocketBase.h"
#include "os/KyOsLog.h"
#include "os/KyOsSocket.h"

#include <tinyxml.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

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

// Creates the folders a file of a set lies in.
bool makeParentFolders(const KyPath& file)
{
    KyPath folder = file.directory();
    return folder.length() == 0 || KyDirectory::makePath(folder);
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

// The jobs of the lane: each takes its folders by value and touches
// nothing of the keeper.

// Copies the shipped set of the system language (or English) into the
// local folder; false when it names nothing.
bool copyDefaultSet(const KyPath& defaultFolder, const KyPath& localFolder)
{
    KyString language = KyCore::systemLanguage();
    KyPath index = KyAdsSet::fileIn(KyAdsSet::fileIn(defaultFolder, language), kIndexName);
    if (!KyFile::exists(index)) {
        language = "en";
        index = KyAdsSet::fileIn(KyAdsSet::fileIn(defaultFolder, language), kIndexName);
    }
    const KyPath source = KyAdsSet::fileIn(defaultFolder, language);
    const KyAdsSet shipped(source, localFolder, index);
    if (shipped.names().isEmpty())
        return false;
    KyDirectory::RemoveDir(localFolder);
    KyDirectory::makePath(localFolder);
    KyFile::copyFile(index, KyAdsSet::fileIn(localFolder, kIndexName));
    for (const KyString& name : shipped.names()) {
        KyPath target = KyAdsSet::fileIn(localFolder, name);
        makeParentFolders(target);
        KyFile::copyFile(KyAdsSet::fileIn(source, name), target);
    }
    return true;
}

// The local set read, refilled from the shipped one first when it is not
// showable; changed tells whether the local folder was written.
KyAdsSet readLocal(const KyPath& localFolder, const KyPath& defaultFolder, bool& changed)
{
    changed = false;
    KyAdsSet local(localFolder, localFolder);
    if (local.isShowable() || !copyDefaultSet(defaultFolder, localFolder))
        return local;
    changed = true;
    return KyAdsSet(localFolder, localFolder);
}

// Moves the files of a whole temporary set, as its check read them, into
// the local folder, each file whole (a kill between two leaves a local set
// that is not complete, which is refilled from the shipped one at the next
// start); each folder of the set is made once. False when a file could not
// be moved.
bool commitSet(const KyPath& tempFolder, const KyPath& localFolder, const KyArray<KyString>& names)
{
    KyDirectory::RemoveDir(localFolder);
    KyDirectory::makePath(localFolder);
    bool moved = KyFile::renameFile(KyAdsSet::fileIn(tempFolder, kIndexName), KyAdsSet::fileIn(localFolder, kIndexName));
    std::vector<std::string> made;
    for (const KyString& name : names) {
        const KyPath target = KyAdsSet::fileIn(localFolder, name);
        const KyPath folder = target.directory();
        const std::string key(folder.c_str(), folder.length());
        if (folder != localFolder && std::find(made.begin(), made.end(), key) == made.end()) {
            KyDirectory::makePath(folder);
            made.push_back(key);
        }
        moved = KyFile::renameFile(KyAdsSet::fileIn(tempFolder, name), target) && moved;
    }
    KyDirectory::RemoveDir(tempFolder);
    if (!moved)
        logPrint("[KyAds::commit] the advert set could not be moved whole into %s\n", localFolder.c_str());
    return moved;
}

} // namespace

struct KyAdsKeeper::Inbox {
    struct Result {
        std::string logged;
        std::function<void()> then;
    };
    std::mutex lock;
    std::vector<Result> results;
};

KyAdsKeeper::KyAdsKeeper(KyWorkerPool& pool, std::function<void()> wake)
    : cacheValidity(kDefaultCacheValidity)
    , freeSpace(&KyFile::freeSpace)
    , m_started(0)
    , m_failed(false)
    , m_noRoom(false)
    , m_refusedSet(false)
    , m_passed(false)
    , m_lastFetchTime(0)
    , m_timeKnown(false)
    , m_previousTime(0)
    , m_previousKnown(false)
    , m_corrupted(false)
    , m_fetch(NoFetch)
    , m_roomChecked(false)
    , m_listings(0)
    , m_localReadings(0)
    , m_localTaken(true)
    , m_localChanged(false)
    , m_check(pool)
    , m_verdict(Unchecked)
    , m_wake(std::move(wake))
    , m_inbox(std::make_shared<Inbox>())
    , m_waiting(0)
    , m_lookup(pool)
    , m_lane(pool)
{
    m_xmlAllowance.left = KyAdsIndex::kMaxXmlBytes;
    m_fileAllowance.left = KyAdsSet::allowanceFor(KyAdsSet::kMaxSetFiles);
}

KyAdsKeeper::~KyAdsKeeper()
{
    m_lookup.drop();
    m_check.cancel();
    for (u32 i = 0; i < m_downloaders.count(); ++i)
        delete m_downloaders[i];
    m_downloaders.clear();
    // A set found whole is moved in by the lane when nothing else is in
    // flight there, and the end waits a moment for those renames only;
    // otherwise (or when the disk holds them longer) the next start checks
    // the set again and takes it.
    if (m_verdict == Whole && m_lane.isIdle() && m_tempFolder.length() > 0 && m_localFolder.length() > 0) {
        const KyPath temp = m_tempFolder;
        const KyPath local = m_localFolder;
        KyArray<KyString> names;
        names.copy(m_checked.names());
        m_lane.post([temp, local, names] { commitSet(temp, local, names); });
        m_lane.finish(kEndCommitWait);
        m_verdict = Committed;
    }
    writeCache();
}

u64 KyAdsKeeper::roomNeeded()
{
    return kRoomMargin + KyAdsIndex::kMaxXmlBytes + KyAdsSet::allowanceFor(KyAdsSet::kMaxSetFiles);
}

void KyAdsKeeper::onLane(LaneJob job)
{
    ++m_waiting;
    std::shared_ptr<Inbox> inbox = m_inbox;
    m_lane.post([inbox, job] {
        Inbox::Result result;
        {
            KyOsLog::Capture capture(result.logged);
            result.then = job();
        }
        std::lock_guard<std::mutex> hold(inbox->lock);
        inbox->results.push_back(std::move(result));
    });
    m_wake();
}

void KyAdsKeeper::takeResults()
{
    std::vector<Inbox::Result> results;
    {
        std::lock_guard<std::mutex> hold(m_inbox->lock);
        results.swap(m_inbox->results);
    }
    for (Inbox::Result& result : results) {
        --m_waiting;
        if (!result.logged.empty())
            logPrint("%s", result.logged.c_str());
        if (result.then)
            result.then();
    }
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
        startCheck();
        return false;
    }
    corrupted = findOrCreate(ads, "corrupted");
    corrupted->SetAttribute("value", "1");
    const bool marked = saveCache(cache);

    readLocalSet();
    if (const TiXmlElement* time = ads->FirstChildElement("time")) {
        m_lastFetchTime = readTime(time);
        m_timeKnown = true;
        s64 age = now() - m_lastFetchTime;
        // A fetch time in the future (the clock was put back) is stale.
        if (age >= 0 && age < s64(cacheValidity)) {
            // A set an earlier run downloaded (or did not finish checking)
            // is checked while the splashes show.
            startCheck();
            return true;
        }
    }
    // A disk that cannot take the cache's mark takes no advert set either.
    if (!marked) {
        logPrint("[KyAds::update] %s cannot be written: no advert set is fetched\n", kCacheFile);
        startCheck();
        return false;
    }

    m_corrupted = false;
    u32 slash = 0;
    if (!webLocation.find(KyString("/"), &slash))
        return false;
    m_previousTime = m_lastFetchTime;
    m_previousKnown = m_timeKnown;
    m_lastFetchTime = now();
    m_timeKnown = true;
    m_fetch = Preparing;
    // What an earlier fetch left goes, and the disk tells its room, before
    // anything is written.
    const KyPath temp = m_tempFolder;
    const FreeSpace room = freeSpace;
    onLane([this, temp, room]() -> std::function<void()> {
        KyDirectory::RemoveDir(temp);
        u64 free = 0;
        const bool known = room && room(temp, free);
        return [this, known, free] { prepared(known, free); };
    });
    m_lookup.start(webLocation.substr(0, slash));
    return true;
}

void KyAdsKeeper::readLocalSet()
{
    ++m_localReadings;
    const KyPath local = m_localFolder;
    const KyPath shipped = m_defaultFolder;
    onLane([this, local, shipped]() -> std::function<void()> {
        bool changed = false;
        KyAdsSet set = readLocal(local, shipped, changed);
        return [this, set, changed] {
            --m_localReadings;
            m_localSet = set;
            m_localTaken = false;
            m_localChanged = m_localChanged || changed;
        };
    });
}

bool KyAdsKeeper::takeLocalSet(KyAdsSet& set, bool& changed)
{
    if (m_localTaken || m_localReadings > 0)
        return false;
    set = m_localSet;
    changed = m_localChanged;
    m_localTaken = true;
    m_localChanged = false;
    return true;
}

void KyAdsKeeper::prepared(bool known, u64 free)
{
    if (m_fetch != Preparing)
        return;
    m_roomChecked = true;
    if (known && free < roomNeeded()) {
        logPrint("[KyAds::update] the disk of %s has %llu bytes free, fewer than the %llu an advert fetch leaves "
                 "free: no advert set is fetched\n",
                 m_tempFolder.c_str(), static_cast<unsigned long long>(free),
                 static_cast<unsigned long long>(roomNeeded()));
        m_lookup.drop();
        m_fetch = NoFetch;
        m_verdict = Refused;
        // Not fetched: the next start asks again.
        m_lastFetchTime = m_previousTime;
        m_timeKnown = m_previousKnown;
        return;
    }
    startFetch();
}

void KyAdsKeeper::startFetch()
{
    if (m_fetch != Preparing || !m_roomChecked || !m_lookup.isDone())
        return;
    KyString name;
    u16 port = 0;
    KySocketBase::splitHostPort(m_lookup.host(), name, port);
    // A name that never resolves, or a dotted address, is the socket's to
    // answer at once; any other name needs the address looked up.
    if (!m_lookup.succeeded() && !KyOsSocket::answersAtOnce(name.c_str())) {
        logPrint("[KyAds::update] Unknown host : %s. Error : %d: no advert set is fetched\n", m_lookup.host().c_str(),
                 m_lookup.error());
        m_fetch = NoFetch;
        m_verdict = Refused;
        return;
    }
    m_fetch = Downloading;
    makeDownload(KyString(kIndexName), true);
    startWaiting();
}

void KyAdsKeeper::dropLookup()
{
    if (m_fetch != Preparing || !m_lookup.isStarted() || m_lookup.isDone())
        return;
    logPrint("[KyAds::update] %s was not looked up before the adverts ended: no advert set is fetched\n",
             m_lookup.host().c_str());
    m_lookup.drop();
    m_fetch = NoFetch;
    m_verdict = Refused;
}

KyHTTPDownloader* KyAdsKeeper::makeDownload(const KyString& name, bool xml)
{
    KyHTTPDownloader* downloader = new KyHTTPDownloader;
    downloader->request.setField(KyString("filename"), name);
    downloader->location = m_webLocation + KyString("/index.php");
    downloader->file = KyAdsSet::fileIn(m_tempFolder, name);
    downloader->lane = &m_lane;
    // The whole set is made durable once, before its check.
    downloader->makeDurable = false;
    if (m_lookup.succeeded())
        downloader->request.setConnectHost(m_lookup.address());
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
    if (m_fetch != Downloading || m_failed || m_passed)
        return;
    u32 running = 0;
    for (u32 i = 0; i < m_started; ++i)
        running += m_downloaders[i]->isFinished() ? 0 : 1;
    while (running < kMaxRunningDownloads && m_started < m_downloaders.count()) {
        KyHTTPDownloader* downloader = m_downloaders[m_started++];
        // Each file is made only while the set's allowance left and the
        // margin stay free.
        const u64 needed = kRoomMargin + m_xmlAllowance.left + m_fileAllowance.left;
        const FreeSpace room = freeSpace;
        const KyPath file = downloader->file;
        downloader->roomCheck = [room, file, needed] {
            u64 free = 0;
            return !room || !room(file, free) || free >= needed;
        };
        downloader->start();
        ++running;
    }
}

bool KyAdsKeeper::onFileDownloaded(KyHTTPDownloader& downloader)
{
    ++m_listings;
    const KyPath temp = m_tempFolder;
    const KyPath local = m_localFolder;
    const KyPath file = downloader.file;
    onLane([this, temp, local, file]() -> std::function<void()> {
        const KyAdsSet found(temp, local, file);
        const bool tooMany = found.namesTooMany();
        const bool foreign = !found.isSelfContained();
        KyArray<KyString> names;
        names.copy(found.names());
        return [this, file, tooMany, foreign, names] {
            --m_listings;
            // Too many names, or a page that holds or names what no advert
            // page may (its reading said what): such a set is never whole,
            // and nothing more of it is fetched.
            if (tooMany || foreign) {
                if (tooMany)
                    logPrint("[KyAds::onFileDownloaded] %s names more than %u files: the advert set is refused\n",
                             file.c_str(), KyAdsSet::kMaxSetFiles);
                m_failed = true;
                m_refusedSet = true;
                return;
            }
            if (m_fetch != Downloading)
                return;
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
            startWaiting();
        };
    });
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
        m_failed = true;
    for (u32 i = 0; i < m_downloaders.count(); ++i)
        m_noRoom = m_noRoom || m_downloaders[i]->failedForRoom();
    m_wake();
    return false;
}

void KyAdsKeeper::endFetch()
{
    if (m_passed)
        logPrint("[KyAds::onFileDownloaded] the files of the advert set pass what a set may hold: the advert set "
                 "downloaded into %s is refused\n",
                 m_tempFolder.c_str());
    else if (m_noRoom)
        logPrint("[KyAds::update] the disk of %s is full: the advert fetch ends\n", m_tempFolder.c_str());
    else if (m_refusedSet)
        logPrint("[KyAds::onFileDownloaded] the advert set downloaded into %s is refused\n", m_tempFolder.c_str());
    else
        logPrint("[KyAds::update] a file of the advert set could not be fetched: the advert set downloaded into %s "
                 "is removed\n",
                 m_tempFolder.c_str());
    for (u32 i = 0; i < m_downloaders.count(); ++i) {
        if (!m_downloaders[i]->isFinished())
            m_downloaders[i]->request.cancel();
    }
    m_check.cancel();
    m_fetch = Fetched;
    m_verdict = Refused;
    removeTempFolder();
}

void KyAdsKeeper::removeTempFolder()
{
    const KyPath temp = m_tempFolder;
    onLane([temp]() -> std::function<void()> {
        KyDirectory::RemoveDir(temp);
        return nullptr;
    });
}

bool KyAdsKeeper::downloading() const
{
    if (m_fetch == Preparing)
        return true;
    if (m_fetch != Downloading)
        return false;
    if (m_listings > 0)
        return true;
    for (u32 i = 0; i < m_downloaders.count(); ++i) {
        if (!m_downloaders[i]->isFinished())
            return true;
    }
    return false;
}

bool KyAdsKeeper::isFetching() const
{
    return m_fetch == Preparing || m_fetch == Downloading || m_waiting > 0 || m_verdict == Reading || m_verdict == Checking ||
           m_verdict == Committing;
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
    m_verdict = Reading;
    const KyPath temp = m_tempFolder;
    const KyPath local = m_localFolder;
    onLane([this, temp, local]() -> std::function<void()> {
        if (!KyFile::exists(KyAdsSet::fileIn(temp, kIndexName))) {
            // Leftovers without an index are no set.
            KyDirectory::RemoveDir(temp);
            return [this] { m_verdict = Incomplete; };
        }
        const KyAdsSet found(temp, local);
        bool showable = found.isShowable(true);
        // The check reads every file again: one sync of the set makes it
        // durable before it may be moved into place.
        if (showable) {
            showable = KyFile::syncDiskFile(KyFile::resolvePath(KyAdsSet::fileIn(temp, kIndexName)));
            for (const KyString& name : found.names())
                showable = KyFile::syncDiskFile(KyFile::resolvePath(KyAdsSet::fileIn(temp, name))) && showable;
        }
        if (!showable) {
            logPrint("[KyAds::commit] the advert set in %s is not whole: it is removed\n", temp.c_str());
            KyDirectory::RemoveDir(temp);
            return [this] { m_verdict = Incomplete; };
        }
        return [this, found] {
            if (m_verdict != Reading)
                return;
            // The set moved into place is the one checked.
            m_checked = found;
            m_check.start(found.pictures(), false, KyAdsSet::kMaxPictureSide, KyAdsSet::kMaxSetPixels,
                          found.byteAllowance());
            m_verdict = Checking;
        };
    });
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
        removeTempFolder();
        m_verdict = Refused;
    }
    m_check.cancel();
}

bool KyAdsKeeper::onFrame()
{
    takeResults();
    // With no thread to be had, the frames run the lane, a job a frame.
    m_lane.step();
    startFetch();
    if (m_fetch == Downloading && (m_passed || m_failed))
        endFetch();
    startWaiting();
    // Once every download has ended, what they fetched is checked.
    if (m_fetch == Downloading && !downloading()) {
        m_fetch = Fetched;
        startCheck();
    }
    // With no thread to be had, the frames check the pictures, one a frame.
    if (m_verdict == Checking)
        m_check.step();
    takeCheck();
    return isFetching() || m_localReadings > 0;
}

bool KyAdsKeeper::commit()
{
    if (m_verdict != Whole)
        return false;
    m_verdict = Committing;
    ++m_localReadings;
    const KyPath temp = m_tempFolder;
    const KyPath local = m_localFolder;
    const KyPath shipped = m_defaultFolder;
    KyArray<KyString> names;
    names.copy(m_checked.names());
    onLane([this, temp, local, shipped, names]() -> std::function<void()> {
        const bool moved = commitSet(temp, local, names);
        bool refilled = false;
        KyAdsSet set = readLocal(local, shipped, refilled);
        return [this, moved, set] {
            --m_localReadings;
            m_verdict = moved ? Committed : Incomplete;
            m_localSet = set;
            m_localTaken = false;
            m_localChanged = true;
        };
    });
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
