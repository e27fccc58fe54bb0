#include "net/KyAds.h"

#include "core/KyCallback0Param.h"
#include "core/KyCore.h"
#include "core/KySingleton.h"
#include "net/KyAdsIndex.h"

#include <cstdlib>

const char* const KyAds::kCacheFile = KyAdsKeeper::kCacheFile;
const char* const KyAds::kDefaultAdvertHost = "ads.orvalen.invalid";

KyAds::KyAds(KyWorkerPool& pool)
    : cacheValidity(kDefaultCacheValidity)
    , m_keeper(pool, [this] { wake(); })
    , m_rotator(pool, onFinished, onBuyRequested, onPageShown, [this] { wake(); })
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
    const bool updated = m_keeper.update(localFolder, tempFolder, defaultFolder, webLocation);
    // The first page is read while the splashes show.
    if (!m_keeper.isCorrupted())
        takeLocalSet(true);
    return updated;
}

void KyAds::takeLocalSet(bool changed)
{
    bool refilled = false;
    const KyAdsSet set = m_keeper.setToShow(&refilled);
    if (!changed && !refilled)
        return;
    m_rotator.setSet(set);
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
    takeLocalSet(commitWholeSet());
    m_rotator.begin();
}

bool KyAds::onFrame()
{
    const bool fetching = m_keeper.onFrame();
    // A whole set replaces the local one at once while no page of the run
    // shows or waits; its first page is read again, unless the run is over.
    if (!m_rotator.hasStarted() && commitWholeSet() && !m_rotator.runEnded())
        takeLocalSet(true);
    if (fetching)
        wake();
    // Last: it may end the run, whose listener may destroy the rotator.
    m_rotator.onFrame();
    return false;
}

bool KyAds::commitWholeSet()
{
    if (!m_keeper.hasWholeSet())
        return false;
    // Nothing of the set that goes is read any more.
    m_rotator.setSet(KyAdsSet());
    m_keeper.commit();
    return true;
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
    return m_keeper.commit();
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
