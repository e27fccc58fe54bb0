#include "net/KyAds.h"

#include "core/KyCallback0Param.h"
#include "core/KyCore.h"
#include "core/KySingleton.h"
#include "net/KyAdsIndex.h"
#include "core/KyLog.h"

#include <cstdlib>

const char* const KyAds::kCacheFile = KyAdsKeeper::kCacheFile;
const char* const KyAds::kDefaultAdvertHost = "ads.orvalen.invalid";

KyAds::KyAds(KyWorkerPool& pool)
    : cacheValidity(kDefaultCacheValidity)
    , m_keeper(pool, [this] { wake(); })
    , m_rotator(pool, onFinished, onBuyRequested, onPageShown, [this] { wake(); })
    , m_haveSet(false)
    , m_beginPending(false)
    , m_setWait([this] { return m_beginPending; })
{
    m_frameTimer.alarmCallbacks.pushBack(kyNewCallback(this, &KyAds::onFrame, 0.0f));
}

KyAds::~KyAds()
{
    // The rotator goes first (the page and what was read for it), then the
    // keeper commits what it may and writes the cache file.
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
    m_keeper.cacheValidity = cacheValidity;
    // The local set is read meanwhile: its first page is read while the
    // splashes show.
    const bool updated = m_keeper.update(localFolder, tempFolder, defaultFolder, webLocation);
    wake();
    return updated;
}

void KyAds::takeLocalSet()
{
    KyAdsSet set;
    bool changed = false;
    if (!m_keeper.takeLocalSet(set, changed))
        return;
    // A run that shows pages keeps the set it began with.
    if (m_rotator.hasStarted() && !m_beginPending)
        return;
    if (!changed && m_haveSet)
        return;
    m_rotator.setSet(set);
    m_haveSet = true;
    if (m_beginPending) {
        m_beginPending = false;
        m_rotator.begin();
        return;
    }
    if (!m_rotator.runEnded())
        m_rotator.prepare(set.index());
}

void KyAds::next()
{
    // Corrupted, or never told where its folders are: nothing to show.
    if (m_keeper.isCorrupted() || m_keeper.localFolder().isEmpty()) {
        m_rotator.finish();
        return;
    }
    // A downloaded set replaces the shown one once its check found it whole;
    // one still being checked waits for the end of the run. The set shown
    // last was checked when it came: it is only read, not decoded.
    m_keeper.onFrame();
    commitWholeSet();
    takeLocalSet();
    if (m_haveSet && !m_keeper.isReadingLocalSet()) {
        m_rotator.begin();
        return;
    }
    // The set is read on the lane: the run begins when it comes, the last
    // splash on screen meanwhile.
    m_beginPending = true;
    m_pendingPage = KyAdsSet::fileIn(m_keeper.localFolder(), "index.xml");
    m_pendingWait.begin();
    wake();
}

bool KyAds::onSkip()
{
    m_beginPending = false;
    return m_rotator.onSkip();
}

void KyAds::checkPending()
{
    if (!m_beginPending)
        return;
    // As a page waits for its pictures.
    const u64 bound = m_pendingWait.passed();
    if (bound == 0)
        return;
    logPrint("[KyAds::show] the advert set in %s was not read within %llu ms: the adverts end\n",
             m_keeper.localFolder().c_str(), static_cast<unsigned long long>(bound / 1000));
    m_beginPending = false;
    m_rotator.finish();
}

bool KyAds::onFrame()
{
    const bool fetching = m_keeper.onFrame();
    // A whole set replaces the local one at once while no page of the run
    // shows or waits.
    if (!m_rotator.hasStarted())
        commitWholeSet();
    takeLocalSet();
    // The adverts are over: a look-up still running goes.
    if (m_rotator.runEnded())
        m_keeper.dropLookup();
    if (fetching || m_beginPending)
        wake();
    // Last: they may end the run, whose listener may destroy the rotator.
    if (m_beginPending) {
        checkPending();
        return false;
    }
    m_rotator.onFrame();
    return false;
}

bool KyAds::commitWholeSet()
{
    if (!m_keeper.hasWholeSet())
        return false;
    // Nothing of the set that goes is read any more.
    m_rotator.setSet(KyAdsSet());
    m_haveSet = false;
    return m_keeper.commit();
}

void KyAds::wake()
{
    if (m_frameTimer.isPaused())
        m_frameTimer.start();
    if (m_frameTimer.alarm() == 0)
        m_frameTimer.setAlarmIn(0);
}

void KyAds::listFiles(const KyString& xmlPath, const KyString& root, KyArray<KyString>& names)
{
    m_keeper.listFiles(xmlPath, root, names);
}

void KyAds::collectFiles(const TiXmlElement* element, KyArray<KyString>& names)
{
    KyAdsIndex::collectFiles(element, m_keeper.localFolder(), names, KyString("KyAds::collectFiles"));
}

bool KyAds::isComplete(const KyString& indexPath)
{
    return m_keeper.isComplete(indexPath);
}

bool KyAds::commit()
{
    // The rotator lets go of the set that goes, and shows the new one.
    return commitWholeSet();
}

void KyAds::writeCache()
{
    m_keeper.writeCache();
}

void KyAds::show(const KyString& pagePath)
{
    m_rotator.show(pagePath);
}

void KyAds::goNext()
{
    m_rotator.goNext();
}

void KyAds::hide()
{
    m_rotator.hide();
}
