#include "game/screens/SplashScreens.h"

#include "core/KySingleton.h"
#include "game/Application.h"

SplashScreens::SplashScreens() {}

SplashScreens::~SplashScreens() {}

void SplashScreens::start()
{
    // No splash page or advert is shown yet: the run ends at once.
    onAdsFinished();
}

bool SplashScreens::onAdsFinished()
{
    KySingleton<Application>::instance()->mainMenu.enter();
    return true;
}
