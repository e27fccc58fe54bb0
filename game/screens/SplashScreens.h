#ifndef GAME_SPLASH_SCREENS_H
#define GAME_SPLASH_SCREENS_H

#include "core/KyTimer.h"
#include "core/KyTypes.h"
#include "net/KyAds.h"
#include "script/KyLuaGUI.h"

// The first screen of the game, started once by the application's create
// step: the numbered splash interfaces "GUI/Splash0.lua", "GUI/Splash1.lua",
// ... (each a layout "splash"), one and a half seconds each, up to the first
// number that has no file; then the advert pages; when they end, the main
// menu.
//
// The advert set is brought up to date from the advert host while the
// splashes show (KyAds::update at start); the host of the shipped game does
// not resolve, so the game runs offline on the adverts shipped with it, or
// on those of an earlier run.
class SplashScreens {
public:
    static const char* const LocalAdverts;
    static const char* const DownloadedAdverts;
    static const char* const DefaultAdverts;
    // The advert location on the advert host.
    static const char* const AdvertPath;
    static const u32 AdvertCacheValidity = 7200;
    static const u64 SplashMicroseconds = 1500000;

    SplashScreens();
    // The rotator first (its cache bookkeeping), then the timer, then the
    // interface.
    ~SplashScreens();

    // Starts the adverts' update and shows the first splash.
    void start();
    // Shows the next splash or, when there is none, the adverts. Always
    // true: the timer's alarm is handled.
    bool showNext();
    // The end of the adverts: the main menu opens. Listens once.
    bool onAdsFinished();
    // The first advert page is on screen: the last splash goes.
    bool onFirstPage();
    // Ends the run at once, wherever it is: the splash goes, an advert page
    // is skipped as its "skip" button does, and the main menu opens. Nothing
    // once the menu has opened.
    void skip();

    // The splash file of a number.
    static KyString splashPath(u32 index);
    // The advert location on a host.
    static KyString advertLocation(const KyString& host);

    bool isFinished() const { return m_finished; }
    bool showsAdverts() const { return m_advertsShown; }

    KyLuaGUI gui;
    // The number of the next splash file to try.
    u32 splashIndex;
    KyTimer timer;
    KyAds ads;

private:
    SplashScreens(const SplashScreens&) = delete;
    SplashScreens& operator=(const SplashScreens&) = delete;

    // Takes the splash shown out of the orientation layout and unloads it.
    void removeSplash();

    bool m_advertsShown;
    bool m_finished;
};

#endif
