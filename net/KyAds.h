#ifndef KY_ADS_H
#define KY_ADS_H

#include "core/KyArray.h"
#include "core/KyFrameWait.h"
#include "core/KyICallback0Param.h"
#include "core/KyICallback1Param.h"
#include "core/KyPath.h"
#include "core/KyString.h"
#include "core/KyTimer.h"
#include "core/KyTypes.h"
#include "core/KyWorkerPool.h"
#include "net/KyAdsKeeper.h"
#include "net/KyAdsRotator.h"
#include "net/KyAdsSet.h"
#include "ui/KyXMLGUI.h"

class KyHTTPDownloader;
class TiXmlElement;

// The advert rotator: keeps the advert set up to date from the advert host
// and shows its pages, one after another, until the run ends.
//
// Two parts do the work, one path from the host to the screen: the keeper
// (KyAdsKeeper) fetches, checks and commits sets and keeps the cache file;
// it hands the page rotator (KyAdsRotator) the local set read and checked
// as a KyAdsSet, and the rotator shows only what that set lists. A set is
// an "index.xml" interface file in a folder and every file its XML files
// name; see those classes for what a set must be to be shown, and for how
// pages wait for their pictures without any frame waiting for them.
//
// The owner (the splash screens) calls update at start-up, next when the
// adverts are to be shown, and waits for onFinished; the socket pump must
// run once a frame (KySocket2::updateAll) for downloads to move, and the
// timers' update (KyTimer::updateAll) for pages to advance.
//
// A page may hold sprite buttons or buttons named "buy", "next" and "skip"
// and the values "duration" (microseconds on screen), "nextPath" (the page
// after it) and "buyURL". A page with no duration and neither a "next" nor a
// "skip" button moves on after kDefaultPageDuration. Each page is shown at
// most once per run: a chain of pages that comes back to one already shown
// ends the run.
class KyAds {
public:
    typedef KyArray<KyICallback0Param*> Signal;
    typedef KyArray<KyICallback1Param<const KyString&>*> TextSignal;

    static const char* const kCacheFile;
    // Host of the advert location when no other is set: a name that never
    // resolves, so the game works offline on the set shipped with it.
    static const char* const kDefaultAdvertHost;
    static const u32 kDefaultCacheValidity = KyAdsKeeper::kDefaultCacheValidity;
    static const u64 kDefaultPageDuration = KyAdsRotator::kDefaultPageDuration;
    static const u32 kMaxSetFiles = KyAdsSet::kMaxSetFiles;
    static constexpr u32 kMaxPictureSide = KyAdsSet::kMaxPictureSide;
    static constexpr u64 kMaxSetPixels = KyAdsSet::kMaxSetPixels;
    static const u64 kMaxPageWait = KyAdsRotator::kMaxPageWait;

    // The pictures are read by the pool's threads.
    explicit KyAds(KyWorkerPool& pool = KyWorkerPool::instance());
    // Hides the page, commits a downloaded set found whole, ends every
    // download and writes the cache file; never waits for a worker.
    virtual ~KyAds();

    // Checks the cache and, when the set is stale, starts downloading a new
    // one from webLocation (host and path, no scheme) into tempFolder; the
    // first page of the set shown is read meanwhile. False when a cut-short
    // run was recorded (nothing is fetched or shown this run) or when the
    // location is unusable.
    bool update(const KyString& localFolder, const KyString& tempFolder, const KyString& defaultFolder,
                const KyString& webLocation);
    // Shows the first advert page: a downloaded set found whole replaces the
    // local one, an unshowable local set is refilled from the shipped one.
    void next();

    // The advert host: the core's "advertHost" setting, else the
    // KY_ADVERT_HOST environment variable, else kDefaultAdvertHost.
    static KyString advertHost();

    // The steps of update and next.
    // Appends the references of the XML file at xmlPath, and those of the
    // XML files of the set it refers to (once each), to names; root is the
    // set's folder the names are relative to.
    void listFiles(const KyString& xmlPath, const KyString& root, KyArray<KyString>& names);
    // Appends the references of one element tree under the local folder to
    // names, each name once.
    void collectFiles(const TiXmlElement* element, KyArray<KyString>& names);
    // Whether the index exists and every file of its set exists.
    bool isComplete(const KyString& indexPath);
    // Replaces the local set by the temporary one when its check found it
    // whole; never waits.
    bool commit();
    void writeCache();
    void show(const KyString& pagePath);
    void goNext();
    void hide();
    // The work between frames (listener of the rotator's frame timer).
    bool onFrame();
    // Downloads run, or the set they fetched is still being checked or
    // committed.
    bool isFetching() const { return m_keeper.isFetching(); }
    // The page whose pictures are read ahead, and whether they are all
    // textures already.
    const KyString& preparedPage() const { return m_rotator.preparedPage(); }
    bool isPrepared() const { return m_rotator.isPrepared(); }
    // Pictures of the prepared page made textures so far.
    u32 preparedCount() const { return m_rotator.preparedCount(); }

    // Listeners; all return false.
    bool onBuy() { return m_rotator.onBuy(); }
    bool onNextButton() { return m_rotator.onNextButton(); }
    bool onSkip();
    bool onTimer() { return m_rotator.onTimer(); }
    bool onFileDownloaded(KyHTTPDownloader& downloader) { return m_keeper.onFileDownloaded(downloader); }

    u32 cacheValidity;
    // Fired once per run of pages, when it ends.
    Signal onFinished;
    // Fired with the page's "buyURL" when its "buy" button is pressed.
    TextSignal onBuyRequested;
    // Fired when a page comes on screen.
    Signal onPageShown;

    const KyString& webLocation() const { return m_keeper.webLocation(); }
    const KyPath& defaultFolder() const { return m_keeper.defaultFolder(); }
    const KyPath& tempFolder() const { return m_keeper.tempFolder(); }
    const KyPath& localFolder() const { return m_keeper.localFolder(); }
    const KyArray<KyHTTPDownloader*>& downloaders() const { return m_keeper.downloaders(); }
    KyXMLGUI& page() { return m_rotator.page(); }
    KyTimer& timer() { return m_rotator.timer(); }
    bool isCorrupted() const { return m_keeper.isCorrupted(); }
    s64 lastFetchTime() const { return m_keeper.lastFetchTime(); }
    // The page on screen; "" when none.
    const KyString& currentPage() const { return m_rotator.currentPage(); }
    // The page due, waiting for its pictures (the index, while the run
    // waits for the set's reading); "" when none.
    const KyString& waitingPage() const { return m_beginPending ? m_pendingPage : m_rotator.waitingPage(); }
    // The fetch and the cache (the room question may be set before update).
    KyAdsKeeper& keeper() { return m_keeper; }

    // The cache's time element and the fetch time, both ways.
    static void writeTime(TiXmlElement* time, s64 seconds) { KyAdsKeeper::writeTime(time, seconds); }
    static s64 readTime(const TiXmlElement* time) { return KyAdsKeeper::readTime(time); }

private:
    KyAds(const KyAds&) = delete;
    KyAds& operator=(const KyAds&) = delete;

    // Asks for onFrame at the next frame.
    void wake();
    // Queues the commit of a downloaded set found whole; whether one was.
    bool commitWholeSet();
    // A reading of the local set came: the rotator shows it from now on, its
    // first page read ahead, and a run waiting for it begins.
    void takeLocalSet();
    // The run waits for the set's reading no longer than a page waits for
    // its pictures.
    void checkPending();

    // Fires at every frame while there is work between frames.
    KyTimer m_frameTimer;
    KyAdsKeeper m_keeper;
    KyAdsRotator m_rotator;
    // The rotator holds a reading of the local set.
    bool m_haveSet;
    // next came before the set's reading: the run begins when it comes.
    bool m_beginPending;
    KyString m_pendingPage;
    KyAdsRotator::Wait m_pendingWait;
    // While the run waits for the set's reading, the frame waits on
    // background work, as it does for a page's pictures.
    KyFrameWait m_setWait;
};

#endif
