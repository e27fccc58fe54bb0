#include "game/screens/SplashScreens.h"

#include "core/KyFile.h"
#include "core/KySingleton.h"
#include "game/Application.h"
#include "game/Listeners.h"

const char* const SplashScreens::LocalAdverts = "Backup/Ads";
const char* const SplashScreens::DownloadedAdverts = "Backup/AdsTmp";
const char* const SplashScreens::DefaultAdverts = "iPhone/DefaultAds";
const char* const SplashScreens::AdvertPath = "/Orvalen3/PC/Part3/Ads";
const u32 SplashScreens::AdvertCacheValidity;
const u64 SplashScreens::SplashMicroseconds;

SplashScreens::SplashScreens()
    : splashIndex(0)
    , m_advertsShown(false)
    , m_finished(false)
{
    // For the whole run: the timer is never used for anything else.
    appendListener(timer.alarmCallbacks, this, &SplashScreens::showNext);
}

SplashScreens::~SplashScreens() {}

KyString SplashScreens::splashPath(u32 index)
{
    KyString path;
    path.format("GUI/Splash%u.lua", index);
    return path;
}

KyString SplashScreens::advertLocation(const KyString& host)
{
    return host + KyString(AdvertPath);
}

void SplashScreens::start()
{
    ads.cacheValidity = AdvertCacheValidity;
    ads.update(LocalAdverts, DownloadedAdverts, DefaultAdverts, advertLocation(KyAds::advertHost()));
    splashIndex = 0;
    showNext();
}

void SplashScreens::removeSplash()
{
    if (KyLayout* splash = gui.layout("splash")) {
        if (KyI3DObject2* parent = splash->parent())
            parent->removeChild(splash);
    }
    gui.unload();
}

bool SplashScreens::showNext()
{
    if (m_advertsShown || m_finished) {
        removeSplash();
        return true;
    }
    const KyString path = splashPath(splashIndex);
    ++splashIndex;
    if (KyFile::exists(path)) {
        removeSplash();
        gui.load(path);
        if (KyLayout* splash = gui.layout("splash"))
            KySingleton<Application>::instance()->orientationLayout.addChild(splash);
        if (timer.isPaused())
            timer.start();
        timer.setAlarm(timer.getTimeFromStart() + SplashMicroseconds);
        return true;
    }
    // The last splash stays until the first advert page can show (its
    // pictures may still be read), so that no frame shows nothing.
    m_advertsShown = true;
    appendListener(ads.onFinished, this, &SplashScreens::onAdsFinished);
    appendListener(ads.onPageShown, this, &SplashScreens::onFirstPage);
    ads.next();
    return true;
}

bool SplashScreens::onFirstPage()
{
    removeListener(ads.onPageShown, this, &SplashScreens::onFirstPage);
    removeSplash();
    return false;
}

bool SplashScreens::onAdsFinished()
{
    removeListener(ads.onFinished, this, &SplashScreens::onAdsFinished);
    removeListener(ads.onPageShown, this, &SplashScreens::onFirstPage);
    removeSplash();
    if (m_finished)
        return true;
    m_finished = true;
    KySingleton<Application>::instance()->mainMenu.enter();
    return true;
}

void SplashScreens::skip()
{
    if (m_finished)
        return;
    timer.setAlarm(0);
    removeSplash();
    if (!m_advertsShown) {
        m_advertsShown = true;
        appendListener(ads.onFinished, this, &SplashScreens::onAdsFinished);
    }
    // Hides the page shown, if any, and ends the run.
    ads.onSkip();
}
