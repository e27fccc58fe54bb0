#ifndef KY_ADS_KEEPER_H
#define KY_ADS_KEEPER_H

#include "core/KyArray.h"
#include "core/KyPath.h"
#include "core/KyString.h"
#include "core/KyTypes.h"
#include "core/KyWorkerPool.h"
#include "net/KyAdsPictures.h"
#include "net/KyAdsSet.h"
#include "net/KyHTTPDownloader.h"

#include <functional>

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
// A set that is not whole is removed; the set shown last stays.
//
// Downloads cost what the set may cost: at most kMaxRunningDownloads run at
// once, each response goes to its file as it arrives, and the files of a set
// may take no more than the XML a set may read (KyAdsIndex::kMaxXmlBytes)
// and its pictures' allowance for the most files a set may name: a host
// that sends more ends the fetch, and the set is refused. Nothing here
// waits: a check the game ends before it ended is made again at the next
// start, as after a kill.
//
// The cache file "KyCache.xml" in the user-data folder keeps the time of the
// last fetch and whether a run was cut short while it fetched.
class KyAdsKeeper {
public:
    static const char* const kCacheFile;
    static const u32 kDefaultCacheValidity = 259200;
    // Downloads of a set that run at the same time.
    static const u32 kMaxRunningDownloads = 8;

    // wake asks for onFrame at the next frame.
    KyAdsKeeper(KyWorkerPool& pool, std::function<void()> wake);
    // Commits a whole downloaded set, ends every download and writes the
    // cache file.
    ~KyAdsKeeper();

    // The cache step, then the downloads of a stale set (see KyAds::update).
    bool update(const KyString& localFolder, const KyString& tempFolder, const KyString& defaultFolder,
                const KyString& webLocation);
    // The local set read, refilled from the shipped one first when it is not
    // showable; changed tells whether the local folder was written.
    KyAdsSet setToShow(bool* changed = nullptr);
    // The work between frames: the downloads waiting their turn start, the
    // check of a fetched set starts once its downloads have ended, and its
    // verdict is taken. Whether there is more of it.
    bool onFrame();
    // The check found the downloaded set whole (its verdict is taken when
    // it has ended), and the set waits to be committed.
    bool hasWholeSet();
    // Replaces the local set by the temporary one when its check found it
    // whole; never waits. True when the local set was replaced.
    bool commit();

    bool onFileDownloaded(KyHTTPDownloader& downloader);
    bool onDownloadEnded(KyHTTPDownloader& downloader);
    bool onDownloadFailed(u32 status);
    void listFiles(const KyString& xmlPath, const KyString& root, KyArray<KyString>& names);
    bool isComplete(const KyString& indexPath);
    void writeCache();
    // Downloads run, or the set they fetched is still being checked.
    bool isFetching() const;

    u32 cacheValidity;

    const KyString& webLocation() const { return m_webLocation; }
    const KyPath& defaultFolder() const { return m_defaultFolder; }
    const KyPath& tempFolder() const { return m_tempFolder; }
    const KyPath& localFolder() const { return m_localFolder; }
    const KyArray<KyHTTPDownloader*>& downloaders() const { return m_downloaders; }
    bool isCorrupted() const { return m_corrupted; }
    s64 lastFetchTime() const { return m_lastFetchTime; }

    static void writeTime(TiXmlElement* time, s64 seconds);
    static s64 readTime(const TiXmlElement* time);

private:
    KyAdsKeeper(const KyAdsKeeper&) = delete;
    KyAdsKeeper& operator=(const KyAdsKeeper&) = delete;

    // What is known of the temporary set.
    enum Verdict { Unchecked, Checking, Whole, Refused, Incomplete, Committed };

    // Makes the download of one file of the set into the temporary folder;
    // it starts in its turn.
    KyHTTPDownloader* makeDownload(const KyString& name, bool xml);
    // Starts downloads waiting their turn, up to kMaxRunningDownloads.
    void startWaiting();
    // The files passed what a set may take: every download ends and what
    // was fetched goes.
    void refuseFetch();
    bool downloading() const;
    // Starts the check of the temporary set (a reading here, its pictures
    // on a worker), when it is showable.
    void startCheck();
    // Takes the check's verdict once it has ended; a refused set is removed.
    void takeCheck();
    // Copies the shipped set of the system language (or English) into the
    // local folder; false when it names nothing.
    bool copyDefaultSet();
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
    bool m_passed;
    s64 m_lastFetchTime;
    bool m_timeKnown;
    bool m_corrupted;
    KyAdsPictures m_check;
    Verdict m_verdict;
    std::function<void()> m_wake;
};

#endif
