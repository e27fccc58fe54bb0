#ifndef KY_ADS_KEEPER_H
#define KY_ADS_KEEPER_H

#include "core/KyArray.h"
#include "core/KyPath.h"
#include "core/KyString.h"
#include "core/KyTypes.h"
#include "core/KySerialLane.h"
#include "core/KyWorkerPool.h"
#include "net/KyAdsPictures.h"
#include "net/KyAdsSet.h"
#include "net/KyHTTPDownloader.h"
#include "net/KyHostLookup.h"

#include <functional>
#include <memory>

class TiXmlDocument;
class TiXmlElement;

// Keeps the advert set: fetches a new one from the advert host when the
// cache file says the last fetch is old, checks what was fetched, and hands
// the rotator the local set to show, read as a KyAdsSet.
//
// Three folders take part: the set shipped with the game (one subfolder per
// language), the local set that is shown, and a temporary folder a new set
// is downloaded into. A downloaded set replaces the local one only once it
// is whole: complete and showable (KyAdsSet), and every picture whole
// within the set's budget (KyAdsPictures), checked once, on a worker, when
// its downloads have ended (or at start-up for a set an earlier run left).
// A fetch that ends without a whole set (a download failed, the host sent
// more than a set may hold, a set refused or not whole, no room) removes
// the temporary folder at once; the set shown last stays.
//
// The frame does no file work here: one serial lane (KySerialLane) owns
// every file of the fetch - the temporary folder's removal, the downloads'
// files, the readings of the sets, the one sync of a set before its commit,
// the commit's renames and the copy of the shipped set - and the frames
// take its results (onFrame), never waiting for them. The host's name is
// looked up once a fetch, on a worker (KyHostLookup); a look-up the end of
// the adverts finds unanswered is dropped, and the fetch with it.
//
// A fetch never takes the player's last free space: it starts only when the
// disk of the user-data folder has the set's allowance and kRoomMargin
// free, each file is made only while that much is left, and a file that
// meets a full disk ends the fetch. Downloads cost what the set may cost:
// at most kMaxRunningDownloads run at once, and the files of a set may take
// no more than the XML a set may read (KyAdsIndex::kMaxXmlBytes) and its
// pictures' allowance for the most files a set may name: a host that sends
// more ends the fetch, and the set is refused. Nothing here waits: what is
// in flight when the game ends is dropped, and a check the end cut short is
// made again at the next start, as after a kill.
//
// The cache file "KyCache.xml" in the user-data folder keeps the time of the
// last fetch and whether a run was cut short while it fetched.
class KyAdsKeeper {
public:
    // The room question: the bytes free beside a game path; false when the
    // system cannot tell. Asked on the lane.
    typedef std::function<bool(const KyString& path, u64& bytes)> FreeSpace;

    static const char* const kCacheFile;
    static const u32 kDefaultCacheValidity = 259200;
    // Downloads of a set that run at the same time.
    static const u32 kMaxRunningDownloads = 8;
    // What a fetch leaves free on the disk besides the set's allowance.
    static const u64 kRoomMargin = u64(64) << 20;
    // The longest the end waits for the lane to move a whole set into place
    // (a few hundred renames; only a stalled disk takes longer).
    static const u64 kEndCommitWait = 2000000;

    // wake asks for onFrame at the next frame.
    KyAdsKeeper(KyWorkerPool& pool, std::function<void()> wake);
    // Ends every download, commits a set found whole when nothing is in
    // flight, writes the cache file; never waits for the lane, the look-up
    // or the check.
    ~KyAdsKeeper();

    // The cache step, then the fetch of a stale set (see KyAds::update);
    // the local set is read meanwhile (takeLocalSet).
    bool update(const KyString& localFolder, const KyString& tempFolder, const KyString& defaultFolder,
                const KyString& webLocation);
    // Reads the local set on the lane, refilled from the shipped one first
    // when it is not showable.
    void readLocalSet();
    // The local set read last, once: false while none came since the last
    // call. changed tells whether the local folder was written meanwhile.
    bool takeLocalSet(KyAdsSet& set, bool& changed);
    // A reading of the local set (or a commit) is on its way.
    bool isReadingLocalSet() const { return m_localReadings > 0; }
    // The work between frames: the lane's results, the downloads waiting
    // their turn, the check of a fetched set once its downloads have ended,
    // and its verdict. Whether there is more of it.
    bool onFrame();
    // The check found the downloaded set whole and it waits to be
    // committed.
    bool hasWholeSet() const { return m_verdict == Whole; }
    // Queues the commit of a set found whole on the lane (the local set is
    // read again after it); false when there is none.
    bool commit();
    // The end of the adverts: a look-up not answered is dropped.
    void dropLookup();

    bool onFileDownloaded(KyHTTPDownloader& downloader);
    bool onDownloadEnded(KyHTTPDownloader& downloader);
    bool onDownloadFailed(u32 status);
    void listFiles(const KyString& xmlPath, const KyString& root, KyArray<KyString>& names);
    bool isComplete(const KyString& indexPath);
    void writeCache();
    // Downloads run, the set they fetched is still being checked or
    // committed, or the lane has results to give.
    bool isFetching() const;

    u32 cacheValidity;
    // KyFile::freeSpace unless set otherwise (before update).
    FreeSpace freeSpace;

    const KyString& webLocation() const { return m_webLocation; }
    const KyPath& defaultFolder() const { return m_defaultFolder; }
    const KyPath& tempFolder() const { return m_tempFolder; }
    const KyPath& localFolder() const { return m_localFolder; }
    const KyArray<KyHTTPDownloader*>& downloaders() const { return m_downloaders; }
    bool isCorrupted() const { return m_corrupted; }
    s64 lastFetchTime() const { return m_lastFetchTime; }
    // The room a fetch needs free before it writes.
    static u64 roomNeeded();

    static void writeTime(TiXmlElement* time, s64 seconds);
    static s64 readTime(const TiXmlElement* time);

private:
    KyAdsKeeper(const KyAdsKeeper&) = delete;
    KyAdsKeeper& operator=(const KyAdsKeeper&) = delete;

    // What is known of the temporary set.
    enum Verdict { Unchecked, Reading, Checking, Whole, Refused, Incomplete, Committing, Committed };
    // Where a fetch stands.
    enum Fetch { NoFetch, Preparing, Downloading, Fetched };
    struct Inbox;
    // A job of the lane: it returns what the frame does with its result.
    typedef std::function<std::function<void()>()> LaneJob;

    // Runs job on the lane; its result is taken by a later onFrame. What
    // the job logs is logged then, by the frame.
    void onLane(LaneJob job);
    void takeResults();
    // The temporary folder is removed and the room asked: the fetch goes on
    // when both the room and the host's address are there.
    void prepared(bool known, u64 free);
    void startFetch();
    // Makes the download of one file of the set into the temporary folder;
    // it starts in its turn.
    KyHTTPDownloader* makeDownload(const KyString& name, bool xml);
    // Starts downloads waiting their turn, up to kMaxRunningDownloads.
    void startWaiting();
    // The fetch ends without a set: every download ends, and what was
    // fetched goes.
    void endFetch();
    // Removes the temporary folder, on the lane.
    void removeTempFolder();
    bool downloading() const;
    // Reads the temporary set on the lane and, when it is showable, checks
    // its pictures; one that is not is removed.
    void startCheck();
    void takeCheck();
    bool saveCache(TiXmlDocument& document);

    KyString m_webLocation;
    KyPath m_defaultFolder;
    KyPath m_tempFolder;
    KyPath m_localFolder;
    KyArray<KyHTTPDownloader*> m_downloaders;
    // The downloads started, the first of m_downloaders.
    u32 m_started;
    // What the files of the set fetched may take: XML, and all the others.
    KyHTTPDownloader::Allowance m_xmlAllowance;
    KyHTTPDownloader::Allowance m_fileAllowance;
    // A download failed (for want of room), or the files passed what a set
    // may hold: the fetch ends between frames.
    bool m_failed;
    bool m_noRoom;
    // A downloaded file showed the set can never be whole.
    bool m_refusedSet;
    bool m_passed;
    s64 m_lastFetchTime;
    bool m_timeKnown;
    s64 m_previousTime;
    bool m_previousKnown;
    bool m_corrupted;
    Fetch m_fetch;
    bool m_roomChecked;
    // XML files of the set being read for their names.
    u32 m_listings;
    u32 m_localReadings;
    bool m_localTaken;
    bool m_localChanged;
    KyAdsSet m_localSet;
    // The temporary set as its check read it: what a commit moves.
    KyAdsSet m_checked;
    KyAdsPictures m_check;
    Verdict m_verdict;
    std::function<void()> m_wake;
    std::shared_ptr<Inbox> m_inbox;
    // Lane jobs whose results are not taken yet.
    u32 m_waiting;
    KyHostLookup m_lookup;
    // Last of the members that jobs reach: destroyed first, it drops them.
    KySerialLane m_lane;
};

#endif
