#include "net/KyAds.h"

#include "core/KyCallback0Param.h"
#include "core/KyCallback1Param.h"
#include "core/KyCore.h"
#include "core/KyDirectory.h"
#include "core/KyFile.h"
#include "core/KyLog.h"
#include "core/KySingleton.h"
#include "core/KyXmlDocument.h"
#include "net/KyAdsIndex.h"
#include "net/KyHTTPDownloader.h"
#include "os/KyOsDir.h"
#include "platform/Ky3DTexture.h"
#include "platform/KyImg.h"
#include "platform/KyImgInput.h"
#include "core/KyResourceManager.h"
#include "ui/KyButton.h"
#include "ui/KySpriteButton.h"

#include <tinyxml.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <string>
#include <sys/stat.h>
#include <unordered_set>

const char* const KyAds::kCacheFile = "Backup/KyCache.xml";
const char* const KyAds::kDefaultAdvertHost = "ads.orvalen.invalid";

namespace {

const char* const kIndexName = "index.xml";
// The most an XML file of a set is fetched with its response header: more
// could never be read, so it is neither received nor written.
const u32 kMaxXmlResponse = KyAdsIndex::kMaxXmlBytes + 64u * 1024u;

s64 now()
{
    return static_cast<s64>(std::time(nullptr));
}

KyPath join(const KyString& folder, const KyString& name)
{
    return KyPath(folder + KyString("/") + name);
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

bool isXmlName(const KyString& name)
{
    return KyPath(name).extension() == "xml";
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

KyAds::KyAds(KyWorkerPool& pool)
    : cacheValidity(kDefaultCacheValidity)
    , m_lastFetchTime(0)
    , m_timeKnown(false)
    , m_corrupted(false)
    , m_waitSince(0)
    , m_pool(pool)
    , m_check(pool)
    , m_verdict(Unchecked)
    , m_pictures(pool)
    , m_made(0)
    , m_runEnded(false)
{
    m_frameTimer.alarmCallbacks.pushBack(kyNewCallback(this, &KyAds::onFrame, 0.0f));
}

KyAds::~KyAds()
{
    hide();
    dropPrepared();
    if (m_tempFolder.length() > 0 && m_localFolder.length() > 0)
        commit();
    for (u32 i = 0; i < m_downloaders.count(); ++i)
        delete m_downloaders[i];
    m_downloaders.clear();
    writeCache();
}

KyString KyAds::advertHost()
{
    KyCore* core = KySingleton<KyCore>::instance();
    KyString host = core ? core->setting(KyString("advertHost")) : KyString();
    if (host.length() > 0)
        return host;
    const char* environment = std::getenv("KY_ADVERT_HOST");
    if (environment && environment[0] != '\0')
        return KyString(environment);
    return KyString(kDefaultAdvertHost);
}

bool KyAds::update(const KyString& localFolder, const KyString& tempFolder, const KyString& defaultFolder,
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
        // in this one.
        m_corrupted = true;
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
            // A set an earlier run downloaded is checked while the splashes
            // show; the first page of the set shown is read meanwhile too.
            if (KyFile::exists(join(m_tempFolder, kIndexName)))
                startCheck();
            prepareFirstPage();
            return true;
        }
    }

    m_corrupted = false;
    KyDirectory::RemoveDir(m_tempFolder);
    makeFolder(m_tempFolder);

    KyHTTPDownloader* downloader = new KyHTTPDownloader;
    downloader->request.setField(KyString("filename"), KyString(kIndexName));
    downloader->location = m_webLocation + KyString("/index.php");
    downloader->file = join(m_tempFolder, kIndexName);
    downloader->onSuccess.pushBack(kyNewCallback(this, &KyAds::onFileDownloaded, 0.0f));
    downloader->request.setMaxResponseSize(kMaxXmlResponse);
    m_downloaders.pushBack(downloader);
    prepareFirstPage();
    if (!downloader->start())
        return false;
    m_lastFetchTime = now();
    m_timeKnown = true;
    wake();
    return true;
}

void KyAds::startDownload(const KyString& name, bool scanned)
{
    KyHTTPDownloader* downloader = new KyHTTPDownloader;
    downloader->request.setField(KyString("filename"), name);
    downloader->location = m_webLocation + KyString("/index.php");
    downloader->file = join(m_tempFolder, name);
    makeParentFolders(downloader->file);
    if (scanned) {
        downloader->onSuccess.pushBack(kyNewCallback(this, &KyAds::onFileDownloaded, 0.0f));
        downloader->request.setMaxResponseSize(kMaxXmlResponse);
    }
    m_downloaders.pushBack(downloader);
    downloader->start();
}

// What one reading of a set found.
struct KyAds::Walk {
    // Every file named, each once, in the order met.
    KyArray<KyString> names;
    // The XML files read (disk paths).
    std::unordered_set<std::string> visited;
    // Bytes of XML the walk may still read.
    u32 bytesLeft = KyAdsIndex::kMaxXmlBytes;
    // Every XML file met could be read and is XML.
    bool readable = true;
    // Every file named is there.
    bool present = true;
    // The set names more than kMaxSetFiles files.
    bool tooMany = false;
};

bool KyAds::onFileDownloaded(KyHTTPDownloader& downloader)
{
    Walk found;
    walk(downloader.file, m_tempFolder, found);
    if (found.tooMany) {
        // Such a set is never whole: nothing more of it is fetched.
        logPrint("[KyAds::onFileDownloaded] %s names more than %u files: the advert set is refused\n",
                 downloader.file.c_str(), kMaxSetFiles);
        return false;
    }
    const KyArray<KyString>& names = found.names;
    for (u32 i = 0; i < names.count(); ++i) {
        bool known = false;
        for (u32 j = 0; j < m_downloaders.count() && !known; ++j)
            known = m_downloaders[j]->request.field(KyString("filename")) == names[i];
        if (known)
            continue;
        if (m_downloaders.count() >= kMaxSetFiles) {
            logPrint("[KyAds::onFileDownloaded] more than %u files in the advert set: %s is not fetched\n",
                     kMaxSetFiles, names[i].c_str());
            break;
        }
        startDownload(names[i], isXmlName(names[i]));
    }
    return false;
}

void KyAds::listFiles(const KyString& xmlPath, const KyString& root, KyArray<KyString>& names)
{
    Walk found;
    found.names = names;
    walk(xmlPath, root, found);
    names = found.names;
}

void KyAds::walk(const KyString& xmlPath, const KyString& root, Walk& found)
{
    const KyPath path(xmlPath);
    const KyPath disk = KyFile::resolvePath(path);
    // A page that refers back to one already read is not read again.
    if (!found.visited.insert(std::string(disk.c_str(), disk.length())).second)
        return;
    // The file's size counts against what the whole set may read.
    struct stat info;
    if (stat(disk.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        found.present = false;
        return;
    }
    const u64 size = u64(info.st_size);
    if (size > found.bytesLeft) {
        logPrint("[KyAds::listFiles] %s : the XML files of the advert set pass %u bytes\n", path.c_str(),
                 KyAdsIndex::kMaxXmlBytes);
        found.readable = false;
        return;
    }
    const u32 first = found.names.count();
    if (!KyAdsIndex::readFile(path, m_localFolder, found.names, kMaxSetFiles, found.bytesLeft)) {
        found.readable = false;
        return;
    }
    found.bytesLeft -= u32(std::min<u64>(found.bytesLeft, size));
    if (found.names.count() > kMaxSetFiles) {
        found.tooMany = true;
        return;
    }
    const u32 last = found.names.count();
    for (u32 i = first; i < last && !found.tooMany; ++i) {
        const KyPath referenced = join(root, found.names[i]);
        if (!KyFile::exists(referenced))
            found.present = false;
        else if (isXmlName(found.names[i]))
            walk(referenced, root, found);
    }
}

void KyAds::collectFiles(const TiXmlElement* element, KyArray<KyString>& names)
{
    KyAdsIndex::collectFiles(element, m_localFolder, names, KyString("KyAds::collectFiles"));
}

bool KyAds::isComplete(const KyString& indexPath)
{
    Walk found;
    walk(indexPath, KyPath(indexPath).directory(), found);
    return KyFile::exists(indexPath) && found.readable && found.present && !found.tooMany;
}

bool KyAds::isWhole(const KyString& indexPath)
{
    Walk found;
    if (!walkShowable(indexPath, found))
        return false;
    KyAdsPictures pictures(m_pool);
    pictures.start(picturesOf(found.names, KyPath(indexPath).directory()), false, kMaxPictureSide, kMaxSetPixels);
    pictures.finish();
    if (!pictures.log().empty())
        logPrint("%s", pictures.log().c_str());
    if (!pictures.isWhole())
        logPrint("[KyAds::isWhole] %s\n", pictures.failure().c_str());
    return pictures.isWhole();
}

bool KyAds::isShowable(const KyString& indexPath)
{
    Walk found;
    return walkShowable(indexPath, found);
}

bool KyAds::walkShowable(const KyString& indexPath, Walk& found)
{
    const KyPath root = KyPath(indexPath).directory();
    walk(indexPath, root, found);
    if (!KyFile::exists(indexPath) || !found.readable || !found.present || found.tooMany)
        return false;
    if (found.names.isEmpty()) {
        logPrint("[KyAds::isWhole] %s names no file of the advert set\n", indexPath.c_str());
        return false;
    }
    return true;
}

std::vector<KyAdsPictures::Source> KyAds::picturesOf(const KyArray<KyString>& names, const KyString& root)
{
    std::vector<KyAdsPictures::Source> sources;
    for (const KyString& name : names) {
        if (!KyImg::isPictureName(name))
            continue;
        KyAdsPictures::Source source;
        source.path = join(root, name);
        source.diskPath = KyFile::resolvePath(source.path);
        sources.push_back(source);
    }
    return sources;
}

void KyAds::startCheck()
{
    Walk found;
    const KyPath index = join(m_tempFolder, kIndexName);
    if (!walkShowable(index, found)) {
        m_verdict = Incomplete;
        return;
    }
    m_check.start(picturesOf(found.names, m_tempFolder), false, kMaxPictureSide, kMaxSetPixels);
    m_verdict = Checking;
    wake();
}

void KyAds::takeCheck()
{
    if (m_verdict != Checking || !m_check.isDone())
        return;
    if (!m_check.log().empty())
        logPrint("%s", m_check.log().c_str());
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

bool KyAds::commit()
{
    const KyPath index = join(m_tempFolder, kIndexName);
    if (!KyFile::exists(index))
        return false;
    takeCheck();
    if (m_verdict != Whole && m_verdict != Checking)
        startCheck();
    if (m_verdict == Checking) {
        m_check.finish();
        takeCheck();
    }
    if (m_verdict != Whole)
        return false;
    Walk found;
    if (!walkShowable(index, found))
        return false;
    const KyArray<KyString>& names = found.names;

    // The pictures read ahead were the set that goes.
    dropPrepared();
    KyDirectory::RemoveDir(m_localFolder);
    makeFolder(m_localFolder);
    bool moved = KyFile::renameFile(index, join(m_localFolder, kIndexName));
    for (u32 i = 0; i < names.count(); ++i) {
        KyPath target = join(m_localFolder, names[i]);
        makeParentFolders(target);
        moved = KyFile::renameFile(join(m_tempFolder, names[i]), target) && moved;
    }
    KyDirectory::RemoveDir(m_tempFolder);
    m_verdict = Committed;
    if (!moved)
        logPrint("[KyAds::commit] the advert set could not be moved whole into %s\n", m_localFolder.c_str());
    return moved;
}

void KyAds::copyDefaultSet()
{
    KyString language = KyCore::systemLanguage();
    KyPath index = join(join(m_defaultFolder, language), kIndexName);
    if (!KyFile::exists(index)) {
        language = "en";
        index = join(join(m_defaultFolder, language), kIndexName);
    }
    KyPath source = join(m_defaultFolder, language);
    KyArray<KyString> names;
    listFiles(index, source, names);
    if (names.isEmpty())
        return;
    dropPrepared();
    KyDirectory::RemoveDir(m_localFolder);
    makeFolder(m_localFolder);
    KyFile::copyFile(index, join(m_localFolder, kIndexName));
    for (u32 i = 0; i < names.count(); ++i) {
        KyPath target = join(m_localFolder, names[i]);
        makeParentFolders(target);
        KyFile::copyFile(join(source, names[i]), target);
    }
}

void KyAds::next()
{
    m_shownPages.clear();
    m_runEnded = false;
    m_waitingPage = "";
    // Corrupted, or never told where its folders are: nothing to show.
    if (m_corrupted || m_localFolder.isEmpty()) {
        goNext();
        return;
    }
    // A downloaded set replaces the shown one once its check found it whole;
    // one still being checked waits for the end of the run. The set shown
    // last was checked when it came: it is only looked at, not decoded.
    takeCheck();
    const bool committed = m_verdict == Whole && commit();
    if (!committed && !isShowable(join(m_localFolder, kIndexName)))
        copyDefaultSet();
    show(join(m_localFolder, kIndexName));
}

void KyAds::show(const KyString& pagePath)
{
    m_shownPages.pushBack(KyPath(pagePath));
    if (KyPath(pagePath) != KyPath(m_preparedPage))
        prepare(pagePath);
    // A page that reads nothing ahead (it is not of the local set, or does
    // not read) shows, or fails, at once.
    if (m_preparedPage.length() == 0 || isPrepared()) {
        display(pagePath);
        return;
    }
    m_waitingPage = pagePath;
    if (m_timer.isPaused())
        m_timer.start();
    m_waitSince = m_timer.getTimeFromStart();
    m_pictures.hurry();
    wake();
}

void KyAds::display(const KyString& pagePath)
{
    m_waitingPage = "";
    // The page before goes only now, so that no frame goes without a page.
    hide();
    bool loaded = false;
    {
        // What was not read ahead is read here, within the set's bounds.
        KyImgInput::Limit limit(kMaxPictureSide, kMaxSetPixels);
        loaded = m_page.Load(pagePath);
    }
    // The page holds its pictures now.
    dropPrepared();
    if (!loaded) {
        goNext();
        return;
    }
    m_currentPage = pagePath;

    struct Control {
        const char* name;
        bool (KyAds::*listener)();
    };
    static const Control controls[] = {
        {"buy", &KyAds::onBuy}, {"next", &KyAds::onNextButton}, {"skip", &KyAds::onSkip}};
    bool canMoveOn = false;
    for (const Control& control : controls) {
        KyButton::Signal* clicked = nullptr;
        if (KySpriteButton* spriteButton = m_page.spriteButton(KyString(control.name)))
            clicked = &spriteButton->onClicked();
        else if (KyButton* button = m_page.button(KyString(control.name)))
            clicked = &button->onClicked();
        if (!clicked)
            continue;
        clicked->pushBack(kyNewCallback(this, control.listener, 0.0f));
        canMoveOn = canMoveOn || control.listener != &KyAds::onBuy;
    }

    u64 duration = 0;
    bool timed = pageDuration(duration);
    if (!timed && !canMoveOn) {
        // Nothing would ever move the run on.
        duration = kDefaultPageDuration;
        timed = true;
    }
    if (timed) {
        m_timer.start();
        m_timer.setAlarmIn(duration);
        m_timer.alarmCallbacks.pushBack(kyNewCallback(this, &KyAds::onTimer, 0.0f));
    }
    // The next page is read while this one shows.
    if (const KyString* nextPath = m_page.value(KyString("nextPath"))) {
        if (nextPath->length() > 0 && !m_shownPages.contains(KyPath(*nextPath)))
            prepare(*nextPath);
    }
}

void KyAds::giveUp()
{
    logPrint("[KyAds::show] the pictures of %s were not read within %llu ms: the adverts end\n",
             m_waitingPage.c_str(), static_cast<unsigned long long>(kMaxPageWait / 1000));
    hide();
    endRun();
    // Last: a listener may destroy the rotator.
    onFinished.call();
}

void KyAds::prepare(const KyString& pagePath)
{
    dropPrepared();
    const KyPath page(pagePath);
    // Only the pages of the local set are read ahead: the set is known, and
    // a page reads at most the XML a set may hold.
    KyArray<KyString> names;
    if (!KyFile::exists(page) || !KyAdsIndex::readFile(page, m_localFolder, names, kMaxSetFiles))
        return;
    m_preparedPage = page;
    m_pictures.start(picturesOf(names, m_localFolder), true, kMaxPictureSide, kMaxSetPixels);
    wake();
}

void KyAds::prepareFirstPage()
{
    const KyPath index = join(m_localFolder, kIndexName);
    if (!isShowable(index))
        copyDefaultSet();
    prepare(index);
}

void KyAds::dropPrepared()
{
    m_pictures.cancel();
    m_preparedPage = "";
    m_made = 0;
    m_images.clear();
    m_textures.clear();
}

bool KyAds::makeNextTexture()
{
    const std::vector<KyAdsPictures::Source>& sources = m_pictures.sources();
    if (m_made >= sources.size())
        return false;
    if (m_made == 0 && !m_pictures.log().empty())
        logPrint("%s", m_pictures.log().c_str());
    const KyAdsPictures::Source& source = sources[m_made];
    std::unique_ptr<KyImgResult> read = m_pictures.take(m_made);
    ++m_made;
    KyResourceManager* resources = KySingleton<KyResourceManager>::instance();
    const KyPath path(source.path);
    // Listed as the page's elements look them up: an image by the path the
    // page gives, a sprite's texture by its file's disk path.
    const KyString textureName = source.diskPath + KyString(".3dtex");
    // A picture that did not read is left to the page's own loading, which
    // reports it; one already listed is the one the page will use.
    if (!read || !resources || resources->find<Ky3DTexture>(textureName))
        return false;
    KyIntrusivePtr<KyImg> image(resources->find<KyImg>(path));
    if (!image) {
        KyImg* made = new KyImg;
        made->setPath(path);
        made->takePicture(read.get());
        resources->add(made);
        image = KyIntrusivePtr<KyImg>(made);
    }
    Ky3DTexture* texture = new Ky3DTexture;
    texture->load(image.get());
    texture->setPath(textureName);
    resources->add(texture);
    m_images.push_back(image);
    m_textures.push_back(KyIntrusivePtr<Ky3DTexture>(texture));
    return true;
}

bool KyAds::downloading() const
{
    for (u32 i = 0; i < m_downloaders.count(); ++i) {
        if (!m_downloaders[i]->isFinished())
            return true;
    }
    return false;
}

bool KyAds::isFetching() const
{
    return downloading() || m_verdict == Checking || (m_verdict == Unchecked && !m_downloaders.isEmpty());
}

void KyAds::endRun()
{
    // Nothing more is shown in this run: the pictures read ahead go.
    m_runEnded = true;
    m_waitingPage = "";
    dropPrepared();
}

void KyAds::wake()
{
    if (m_frameTimer.isPaused())
        m_frameTimer.start();
    if (m_frameTimer.alarm() == 0)
        m_frameTimer.setAlarmIn(0);
}

bool KyAds::onFrame()
{
    const bool downloads = downloading();
    // Once every download has ended, what they fetched is checked.
    if (!downloads && m_verdict == Unchecked && !m_downloaders.isEmpty())
        startCheck();
    if (m_verdict == Checking)
        m_check.step();
    takeCheck();
    // A whole set replaces the local one at once while no page of the run
    // shows or waits; its first page is read again, unless the run is over.
    if (m_verdict == Whole && m_currentPage.length() == 0 && m_shownPages.isEmpty() && commit() && !m_runEnded)
        prepare(join(m_localFolder, kIndexName));
    // One texture a frame, once the page's pictures are read; those that
    // did not read make none and cost no frame.
    if (m_preparedPage.length() > 0 && !isPrepared()) {
        m_pictures.step();
        if (m_pictures.isDone()) {
            while (!isPrepared() && !makeNextTexture()) {
            }
        }
    }
    const bool waiting = m_waitingPage.length() > 0;
    if (downloads || m_verdict == Checking || (m_preparedPage.length() > 0 && !isPrepared()) || waiting)
        wake();
    if (!waiting)
        return false;
    // Last, as both may end the run, whose listener may destroy the rotator.
    if (isPrepared()) {
        const KyString page = m_waitingPage;
        display(page);
    } else if (!m_pictures.isDone() && m_timer.getTimeFromStart() - m_waitSince >= kMaxPageWait) {
        giveUp();
    }
    return false;
}

bool KyAds::pageDuration(u64& microseconds)
{
    const KyString* text = m_page.value(KyString("duration"));
    if (!text)
        return false;
    const char* start = text->c_str();
    char* end = nullptr;
    errno = 0;
    long long value = std::strtoll(start, &end, 10);
    if (end == start || value < 0 || errno == ERANGE)
        return false;
    microseconds = static_cast<u64>(value);
    return true;
}

void KyAds::goNext()
{
    // The page after is on its way already (a "next" pressed again).
    if (m_waitingPage.length() > 0)
        return;
    // The value belongs to the page that hide unloads: copy it first.
    KyString nextPath;
    bool hasNext = false;
    if (const KyString* value = m_page.value(KyString("nextPath"))) {
        nextPath = *value;
        hasNext = nextPath.length() > 0;
    }
    if (hasNext && m_shownPages.contains(KyPath(nextPath))) {
        logPrint("[KyAds::goNext] %s was already shown: the adverts end\n", nextPath.c_str());
        hasNext = false;
    }
    if (hasNext) {
        // This page stays on screen until the next one can show.
        endPageTime();
        show(nextPath);
        return;
    }
    hide();
    endRun();
    // Last: a listener may destroy the rotator.
    onFinished.call();
}

void KyAds::hide()
{
    m_page.unload();
    m_currentPage = "";
    endPageTime();
}

void KyAds::endPageTime()
{
    KyCallback0Param<KyAds> timerListener(this, &KyAds::onTimer);
    m_timer.alarmCallbacks.removeCallback(&timerListener);
}

bool KyAds::onBuy()
{
    KyString url;
    if (const KyString* value = m_page.value(KyString("buyURL")))
        url = *value;
    onBuyRequested.call(url);
    return false;
}

bool KyAds::onNextButton()
{
    goNext();
    return false;
}

bool KyAds::onSkip()
{
    hide();
    endRun();
    onFinished.call();
    return false;
}

bool KyAds::onTimer()
{
    goNext();
    return false;
}

void KyAds::writeTime(TiXmlElement* time, s64 seconds)
{
    setIntAttribute(time, "days", seconds / 86400);
    setIntAttribute(time, "hours", (seconds / 3600) % 24);
    setIntAttribute(time, "minutes", (seconds / 60) % 60);
    setIntAttribute(time, "seconds", seconds % 60);
}

s64 KyAds::readTime(const TiXmlElement* time)
{
    s64 days = intAttribute(time, "days");
    s64 hours = intAttribute(time, "hours");
    s64 minutes = intAttribute(time, "minutes");
    s64 seconds = intAttribute(time, "seconds");
    return ((days * 24 + hours) * 60 + minutes) * 60 + seconds;
}

void KyAds::writeCache()
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

bool KyAds::saveCache(TiXmlDocument& document)
{
    TiXmlPrinter printer;
    document.Accept(&printer);
    if (!KyFile::writeAtomically(kCacheFile, printer.CStr(), static_cast<u32>(printer.Size()))) {
        logPrint("[KyAds::writeCache] %s cannot be written\n", kCacheFile);
        return false;
    }
    return true;
}
