// What the scene scripts ask to be played or timed: full-screen videos with a
// separate sound track, waits, sound effects, the looping ambient sound and
// the music.

#include "core/KyCore.h"
#include "core/KyFile.h"
#include "core/KyLog.h"
#include "core/KyPath.h"
#include "core/KySingleton.h"
#include "game/Application.h"
#include "game/GameWarp.h"
#include "media/KySoundManager.h"
#include "ui/KyButtonLayout.h"
#include "ui/KyVideoLayout.h"

namespace {

// The sound track in the current language's folder beside the file
// ("Videos/Intro.ogg" in French: "Videos//fr/Intro.ogg"), else as given.
KyString localisedSound(const KyString& sound)
{
    KyString folder(sound);
    folder.removeFileName();
    KyString file(sound);
    file.removeDirectory();
    KyString path = folder + "/" + KySingleton<KyCore>::instance()->language() + "/" + file;
    return KyFile::exists(path) ? path : sound;
}

} // namespace

void GameWarp::playMovie(const KyString& video, const KyString& sound)
{
    if (KyButtonLayout* background = inGameGui.buttonLayout("videoBackgroundButton"))
        background->setVisible(true);
    if (KyButtonLayout* skip = inGameGui.buttonLayout("skipVideoButton"))
        skip->setVisible(false);
    KySingleton<Application>::instance()->music.Stop();

    movieSound.load(localisedSound(sound));
    movieSound.Repeat(false);
    movieSound.Volume(1.0f);
    movieSound.Play();

    // A video that does not open is logged by the layout; the player can
    // still skip it to go back to the game.
    if (KyVideoLayout* layout = inGameGui.videoLayout("video")) {
        layout->open(video);
        layout->setVisible(true);
        layout->play();
    }
    gameRunning = 0;
}

bool GameWarp::onVideoBackgroundClicked()
{
    if (KyButtonLayout* skip = inGameGui.buttonLayout("skipVideoButton"))
        skip->setVisible(!skip->visible());
    return false;
}

bool GameWarp::onSkipVideoClicked()
{
    if (KyVideoLayout* layout = inGameGui.videoLayout("video"))
        layout->stop();
    return false;
}

void GameWarp::wait(s32 milliseconds)
{
    // Outside a game (a scene's "Unload" while the game is left) the alarm
    // would ring in the next game.
    if (!m_entered) {
        logPrint("GameWarp::wait: no game is entered\n");
        return;
    }
    waitTimer.start();
    // In 64 bits: a long wait must not wrap round to a short one. A
    // negative wait rings at once; the timer makes the alarm at least one
    // tick, since 0 means none.
    const u64 delay = milliseconds > 0 ? u64(milliseconds) * 1000u : 0u;
    waitTimer.setAlarmIn(delay);
}

void GameWarp::playSound(const KyString& file, s32 mode)
{
    if (mode == 1) {
        KySingleton<KySoundManager>::instance()->PlaySFX(file);
    } else if (mode == -1) {
        // Loops (repeat is on from construction): a looping music never
        // reports an end, so nothing waits on it.
        ambientPlaying = 1;
        ambientSound.load(file);
        ambientSound.Play();
    }
}

void GameWarp::playMusic(const KyString& file)
{
    musicRequested = 1;
    Application* application = KySingleton<Application>::instance();
    KyMusic& music = application->music;
    if (music.requestedPath() == KyPath(file))
        return;
    music.load(file);
    if (application->musicOn) {
        music.Play();
        music.Volume(1.0f);
    }
}
