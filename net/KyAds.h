#ifndef KY_ADS_H
#define KY_ADS_H

#include "core/KyArray.h"
#include "core/KyICallback0Param.h"
#include "core/KyICallback1Param.h"
#include "core/KyIntrusivePtr.h"
#include "core/KyPath.h"
#include "core/KyString.h"
#include "core/KyTimer.h"
#include "core/KyTypes.h"
#include "net/KyAdsPictures.h"
#include "ui/KyXMLGUI.h"

#include <vector>

class Ky3DTexture;
class KyHTTPDownloader;
class KyImg;
class TiXmlDocument;
class TiXmlElement;

// The advert rotator: keeps the advert set up to date from the advert host
// and shows its pages, one after another, until the run ends.
//
// An advert set is a folder holding an XML interface file "index.xml" and
// every file its XML files refer to (see KyAdsIndex). Three folders take
// part: the set shipped with the game (one subfolder per language), the
// local set that is shown, and a temporary folder a new set is downloaded
// into; a downloaded set replaces the local one only once it is whole.
//
// A set is complete when its XML files are XML and every file they name is
// there. It is whole when, besides, its index names at least one file (a
// page that shows nothing of the set - a host's portal page answered in
// place of the index - is no advert) and every picture decodes to its end
// (a body cut by the host's close reads as whole to the transfer) within the
// set's budget (kMaxPictureSide, kMaxSetPixels). A set naming more than
// kMaxSetFiles files, or whose XML files together pass
// KyAdsIndex::kMaxXmlBytes, is neither: reading one never takes more than
// those bounds, whatever the host sends.
//
// The pictures of a downloaded set are checked once, on a worker thread, as
// soon as its downloads have ended (or at start-up for a set left by an
// earlier run): a whole set replaces the local one, before its first page
// shows or when the rotator goes; a set that is not is removed, and the set
// shown last stays. The local set is not decoded again at each start: it was
// checked when it came. A page shows once its pictures are read (on a worker)
// and made textures (one a frame); the first page's are read while the
// splashes show, the next page's while a page shows. A page due before its
// pictures are ready waits for them, the frames going on: the page before
// stays on screen meanwhile (nothing, for the first page), its time spent
// and its "next" button doing nothing more, its "skip" and "buy" as ever. A
// page whose pictures are not read within kMaxPageWait (no thread could be
// had for them) ends the run, as a page that does not load does; a pool
// without any thread has them read on the frames, one a frame. So no frame
// waits for the advert set, whatever its size within the budget; only commit
// waits for a worker, called directly (as the destructor does).
// The cache file "KyCache.xml" in the user-data folder keeps the time of the
// last fetch and whether a run was cut short while it fetched.
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
    static const u32 kDefaultCacheValidity = 259200;
    static const u64 kDefaultPageDuration = 10000000u;
    // Most files one advert set may name.
    static const u32 kMaxSetFiles = 256;
    // The pictures of a set: none wider or higher than the game's own
    // screens' pictures (the 480 x 320 page at its own size), so that the
    // frame that makes one a texture makes at most 512 x 512 texels, a few
    // milliseconds even for a software driver; and all of them together no
    // more pixels than eight such pictures, 8 MiB once decoded (RGBA), read
    // on a worker in a few tens of milliseconds.
    static constexpr u32 kMaxPictureSide = 512;
    static constexpr u64 kMaxSetPixels = u64(2) << 20;
    // The longest a page due on screen waits for its pictures to be read
    // (microseconds of the page timer): about a hundred times what the
    // whole budget takes on a worker, so that a busy machine still shows
    // the page and only a reading that does not run (no thread could be
    // had, or none came free) gives it up; and half of kDefaultPageDuration,
    // so that the player is not held long on the way to the menu.
    static const u64 kMaxPageWait = 5000000u;

    // The pictures are read by the pool's threads.
    explicit KyAds(KyWorkerPool& pool = KyWorkerPool::instance());
    // Commits a complete downloaded set, ends every download and writes the
    // cache file.
    virtual ~KyAds();

    // Checks the cache and, when the set is stale, starts downloading a new
    // one from webLocation (host and path, no scheme) into tempFolder. False
    // when a cut-short run was recorded (nothing is fetched this run) or
    // when the location is unusable.
    bool update(const KyString& localFolder, const KyString& tempFolder, const KyString& defaultFolder,
                const KyString& webLocation);
    // Shows the first advert page: a complete downloaded set replaces the
    // local one, an incomplete local set is refilled from the shipped one.
    void next();

    // The advert host: the core's "advertHost" setting, else the
    // KY_ADVERT_HOST environment variable, else kDefaultAdvertHost.
    static KyString advertHost();

    // The steps of update and next.
    // Appends the references of the XML file at xmlPath, and those of the
    // XML files of the set it refers to (once each), to names; root is the
    // set's folder the names are relative to.
    void listFiles(const KyString& xmlPath, const KyString& root, KyArray<KyString>& names);
    // Appends the references of one element tree (each element's attributes
    // in order, then its children) under the local folder to names, each
    // name once.
    void collectFiles(const TiXmlElement* element, KyArray<KyString>& names);
    // Whether the index exists and every file of its set exists.
    bool isComplete(const KyString& indexPath);
    // Whether the set is complete, names a file and its pictures decode
    // within the budget (read here, on a worker, waited for).
    bool isWhole(const KyString& indexPath);
    // Whether the set is complete and its index names a file: what is asked
    // of the local set before it is shown.
    bool isShowable(const KyString& indexPath);
    // Replaces the local set by the temporary one when that is whole; waits
    // for the check of its pictures (or makes it) when it has not ended.
    bool commit();
    void writeCache();
    // Shows a page once its pictures are textures: at once when they were
    // read ahead (prepare) and made, otherwise when the frames have made
    // them (the page waits, see above).
    void show(const KyString& pagePath);
    void goNext();
    void hide();
    // The work between frames (listener of the rotator's frame timer):
    // starts the check of a downloaded set once its downloads have ended,
    // takes its verdict when it is ready (a whole set is committed when no
    // page shows), and makes one texture of the page to come.
    bool onFrame();
    // Downloads run, or the set they fetched is still being checked.
    bool isFetching() const;
    // The page whose pictures are read ahead, and whether they are all
    // textures already.
    const KyString& preparedPage() const { return m_preparedPage; }
    bool isPrepared() const { return m_made >= m_pictures.sources().size(); }
    // Pictures of the prepared page made textures so far.
    u32 preparedCount() const { return m_made; }

    // Listeners; all return false.
    bool onBuy();
    bool onNextButton();
    bool onSkip();
    bool onTimer();
    bool onFileDownloaded(KyHTTPDownloader& downloader);

    u32 cacheValidity;
    // Fired once per run of pages, when it ends.
    Signal onFinished;
    // Fired with the page's "buyURL" when its "buy" button is pressed.
    TextSignal onBuyRequested;

    const KyString& webLocation() const { return m_webLocation; }
    const KyPath& defaultFolder() const { return m_defaultFolder; }
    const KyPath& tempFolder() const { return m_tempFolder; }
    const KyPath& localFolder() const { return m_localFolder; }
    const KyArray<KyHTTPDownloader*>& downloaders() const { return m_downloaders; }
    KyXMLGUI& page() { return m_page; }
    KyTimer& timer() { return m_timer; }
    bool isCorrupted() const { return m_corrupted; }
    s64 lastFetchTime() const { return m_lastFetchTime; }
    // The page on screen; "" when none.
    const KyString& currentPage() const { return m_currentPage; }
    // The page due, waiting for its pictures; "" when none.
    const KyString& waitingPage() const { return m_waitingPage; }

    // The cache's time element and the fetch time, both ways.
    static void writeTime(TiXmlElement* time, s64 seconds);
    static s64 readTime(const TiXmlElement* time);

private:
    KyAds(const KyAds&) = delete;
    KyAds& operator=(const KyAds&) = delete;

    struct Walk;

    // What is known of the temporary set.
    enum Verdict { Unchecked, Checking, Whole, Refused, Incomplete, Committed };

    // Starts the download of one file of the set into the temporary folder.
    void startDownload(const KyString& name, bool scanned);
    // Reads the XML file at xmlPath and, in turn, the XML files of the set
    // it names that exist, each once, within the set's bounds.
    void walk(const KyString& xmlPath, const KyString& root, Walk& walk);
    // Walks the set of an index and tells whether it is showable (complete,
    // naming a file); logs why not.
    bool walkShowable(const KyString& indexPath, Walk& walk);
    // The pictures among the names of a set, for KyAdsPictures.
    std::vector<KyAdsPictures::Source> picturesOf(const KyArray<KyString>& names, const KyString& root);
    // Starts the check of the temporary set (a walk here, its pictures on a
    // worker), when it is showable.
    void startCheck();
    // Takes the check's verdict once it has ended; a refused set is removed.
    void takeCheck();
    // Starts reading the pictures of a page of the local set.
    void prepare(const KyString& pagePath);
    // Reads the first page while the splashes show: an unshowable local set
    // is refilled from the shipped one first, as next would.
    void prepareFirstPage();
    // Puts a page on screen in place of the one shown; its pictures are
    // textures already, or it reads none ahead.
    void display(const KyString& pagePath);
    // The waiting page's pictures were not read in time: the run ends.
    void giveUp();
    // The page shown no longer moves the run on by its time (the timer
    // keeps running).
    void endPageTime();
    // Drops the pictures of the page to come (the local set changed).
    void dropPrepared();
    // Makes the next picture of the prepared page an image and a texture
    // listed under its path; false when that picture makes none (it did not
    // read, or the page's own is listed already).
    bool makeNextTexture();
    // Asks for onFrame at the next frame.
    void wake();
    // Some download has not ended.
    bool downloading() const;
    // The run of pages is over: what was read ahead for it goes.
    void endRun();
    // Copies the shipped set of the system language (or English) into the
    // local folder.
    void copyDefaultSet();
    bool saveCache(TiXmlDocument& document);
    // The page's "duration" in microseconds; false when absent or not a
    // number of zero or more.
    bool pageDuration(u64& microseconds);

    KyString m_webLocation;
    KyPath m_defaultFolder;
    KyPath m_tempFolder;
    KyPath m_localFolder;
    KyArray<KyHTTPDownloader*> m_downloaders;
    KyXMLGUI m_page;
    KyTimer m_timer;
    s64 m_lastFetchTime;
    bool m_timeKnown;
    bool m_corrupted;
    KyString m_currentPage;
    // The page due, and the page timer's time when it came due.
    KyString m_waitingPage;
    u64 m_waitSince;
    // Pages shown in this run (a waiting page counts).
    KyArray<KyString> m_shownPages;

    KyWorkerPool& m_pool;
    // The check of the temporary set.
    KyAdsPictures m_check;
    Verdict m_verdict;
    // The page to come: its pictures read on a worker, then made images and
    // textures listed under their paths (so the page finds them) and held
    // here until it shows.
    KyAdsPictures m_pictures;
    KyString m_preparedPage;
    u32 m_made;
    std::vector<KyIntrusivePtr<KyImg>> m_images;
    std::vector<KyIntrusivePtr<Ky3DTexture>> m_textures;
    // The run of pages ended (or was skipped before it began).
    bool m_runEnded;
    // Fires at every frame while there is work between frames.
    KyTimer m_frameTimer;
};

#endif
