#ifndef GAME_BD_H
#define GAME_BD_H

#include "core/KyList.h"
#include "core/KyString.h"
#include "core/KyTimer.h"
#include "core/KyTypes.h"
#include "media/KyMusic.h"
#include "platform/Ky3DObject.h"
#include "ui/KyButton.h"
#include "ui/KyMovement2.h"
#include "ui/KySprite.h"
#include "ui/KySpriteButton.h"
#include "ui/KyTextSprite.h"

#include <set>

// A comic strip shown over the game ("DisplayBD"): numbered panel pictures,
// each with a caption and a narration, revealed one after another. Each
// panel fades in and stays until its narration has ended or the next button
// is pressed; the strip ends by fading out. Panels pile up on one another,
// or replace one another with a cross-fade when the request asks for it.
// While a strip runs a full-screen button blocks the scene and the
// application's music is paused (only a music that was playing, and only
// that one is resumed at the end).
//
// Files, for the strip "intro" in the language "fr": the pictures
// "2D/bd/Colored/fr/intro_0.png", ..., the narrations
// "Sounds/BDs/fr/intro_0.ogg", ... (each taken from "en" when the language
// has none) and the captions, the language texts "intro_0", ...
//
// The strip is busy from its first panel to the end of its last fade-out:
// a strip asked for meanwhile waits its turn and is then shown whole. A
// narration that cannot be played leaves its panel on screen for the
// caption's reading time (logged once per file).
class BD : public Ky3DObject {
public:
    struct Request {
        KyString name;
        s32 pageCount = 0;
        bool crossFade = false;
    };

    static const u32 PanelCount = 12;
    static const f64 FadeMilliseconds;
    static const char* const PictureFolder;
    static const char* const SoundFolder;
    static const char* const NextButtonUp;
    static const char* const NextButtonOver;
    static const char* const ClickSound;

    BD();
    ~BD() override;

    // Every panel at once.
    void setOpacity(f32 opacity) override;

    // Entering a game: places the widgets, every panel transparent, idle.
    void load();
    // Leaving it: the narration and the fades stop, the queue is emptied,
    // the panels are released and a music paused by the strip plays again;
    // what was still on its way is ignored.
    void unload();

    // Queues a strip of pageCount panels (at most 12); starts it when idle.
    void display(const KyString& name, s32 pageCount, bool crossFade);
    // Shows the current panel, starts the next queued strip, or ends.
    void showPanel();
    // The main fade (and, fading in with a cross-fade, the previous
    // panel's fade-out).
    void fade(bool in);

    // A file of panel index of the current strip: the language's, else
    // English's (that path is kept even when it does not exist either).
    KyString panelFile(const char* folder, s32 index, const char* extension) const;
    // The caption of panel index: the language text "<name>_<index>", or "".
    KyString captionText(s32 index) const;

    // From the first panel to the end of the last fade-out.
    bool isBusy() const { return m_busy; }
    // The current panel's narration (or its reading time) still runs.
    bool isNarrating() const { return m_narrating; }
    bool hasPausedMusic() const { return m_musicPaused; }

    // Listeners; all return false.
    bool onNextClicked();
    bool onSoundFinished();
    bool onFadeFinished();
    bool onReadingTimeOver();

    KyButton blocker;
    KySprite panels[PanelCount];
    KyTextSprite caption;
    KyMusic sound;
    KyList<Request> queue;
    Request current;
    s32 panelIndex;
    // A fade-in waits for the end of a fade-out.
    bool pending;
    KyMovement2 fadeMovement;
    KyMovement2 crossFadeMovement;
    KySpriteButton nextButton;

private:
    BD(const BD&) = delete;
    BD& operator=(const BD&) = delete;

    void showCurrentPanel();
    void endStrip();
    void narrate(const KyString& path, const KyString& text);
    void showControls(bool shown);
    // Whether a panel of an earlier strip is still on screen.
    bool anyPanelShowing();
    void releasePanels();
    // A running movement jumps to its end (no end signal).
    static void settle(KyMovement2& movement);
    // Loads the six curves of a fade onto movement: x, y 0, the target's
    // own depth, no turn, scale 1, and the opacity from one end to the other.
    static void loadFade(KyMovement2& movement, Ky3DObject* target, bool in);
    void pauseMusic();
    void resumeMusic();

    KyTimer m_readingTimer;
    bool m_busy;
    bool m_ending;
    bool m_narrating;
    bool m_musicPaused;
    KyString m_pausedMusic;
    std::set<KyString> m_reportedSounds;
};

#endif
