#ifndef GAME_DIALOG2_H
#define GAME_DIALOG2_H

#include "core/KyArray.h"
#include "core/KyICallback1Param.h"
#include "core/KyList.h"
#include "core/KyString.h"
#include "core/KyTimer.h"
#include "core/KyTypes.h"
#include "media/KyMusic.h"
#include "script/KyLuaGUI.h"
#include "ui/KyLayout.h"

#include <set>

class TiXmlElement;
class TiXmlNode;

// The in-game dialog box: a box that slides up from the bottom of the screen
// with a speaker's portrait and one line of text while the line's voice
// plays, then slides down again. Lines asked for by the scene scripts
// ("DrawText") wait in a queue and are played one after another; while any
// is in progress a full-screen lock button keeps the scene from being
// clicked. A line the player has heard before (in this game or in a saved
// one) may be cut short by clicking the box; a new one may not. Once a line
// has ended and the box is down again, its name goes to onFinished.
//
// "GUI/dialog.lua" gives the button layouts "dialog" (the box) and
// "dialogLockButton", the text layout "text", the sprite layout "avatar" and
// the anchor animations "dialogAnimationUp" and "dialogAnimationDown"; the
// box is up when its anchor's y is 1.0 or more.
//
// The dialog is busy from the moment it raises a line until the box is down
// after the last queued one: a line asked for meanwhile (even while the box
// goes down) waits its turn. A voice that cannot be played leaves the line
// on screen for its text's reading time instead (logged once per file).
class Dialog2 : public KyLayout {
public:
    struct Line {
        KyString name;
        KyString text;
        KyString voice;
        s32 speaker = 13;
    };
    typedef KyArray<KyICallback1Param<const KyString&>*> Signal;
    // Ordered by bytes, each name once.
    typedef std::set<KyString> NameSet;

    static const char* const InterfacePath;
    static const char* const VoiceFolder;
    static const char* const SilentVoice;
    static const char* const ClickSound;
    static const char* const PortraitFormat;
    // The portrait of a name whose first four letters are no known speaker,
    // and the one of every line played with the narrator's mode.
    static const s32 UnknownSpeaker = 13;
    static const s32 NarratorSpeaker = 18;
    static const s32 NarratorMode = 2;

    Dialog2();
    ~Dialog2() override;

    // Entering a game: sizes the layout over its parent, loads the interface
    // and wires the box, its animations and the lock button.
    void load();
    // Leaving it: the voice stops, the interface goes, the heard lines are
    // forgotten and the queue emptied; what was still on its way is ignored.
    void unload();
    bool isLoaded() const { return gui.isLoaded(); }

    // Queues a line (its text found by the caller in the language texts)
    // and shows it at once when the dialog is idle.
    void playLine(const KyString& name, const KyString& text, const KyString& voiceFile, s32 mode);
    // Raises the first queued line, lowers the box when it is still up, or
    // ends the dialog (lock button hidden) when nothing waits.
    void showNextLine();

    // The "Dialog" element of the save file: one "Played" child (attribute
    // "id") per heard line, in byte order.
    void Save(TiXmlNode* parent);
    // Replaces the heard lines by the ids of the element's "Played"
    // children.
    void Load(const TiXmlElement* element);

    // The portrait number of a line's name: its first four letters looked up
    // among the speakers' codes.
    static s32 speakerOf(const KyString& name);
    static KyString portraitPath(s32 speaker);
    // The voice file of the current language, else of English, else the
    // five-second silence.
    static KyString voicePath(const KyString& voiceFile);

    bool hasHeard(const KyString& name) const { return heardLines.count(name) > 0; }
    // From the raising of a line to the end of the last queued one.
    bool isBusy() const { return m_busy; }
    // The current line's voice (or its reading time) still runs.
    bool isSpeaking() const { return m_speaking; }

    // Listeners; all return false.
    bool onVoiceFinished();
    bool onDialogClicked();
    bool onAnimationDownFinished();
    bool onReadingTimeOver();

    KyLuaGUI gui;
    KyMusic voice;
    KyList<Line> queue;
    Line currentLine;
    // Fired with the name of each line once the box is down after it.
    Signal onFinished;
    NameSet heardLines;

private:
    Dialog2(const Dialog2&) = delete;
    Dialog2& operator=(const Dialog2&) = delete;

    // Plays the current line's voice, or paces the line by its text.
    void speak();
    bool isBoxUp();

    KyTimer m_readingTimer;
    bool m_busy;
    bool m_speaking;
    // The current line went up and has not been reported yet.
    bool m_lineRaised;
    // Voice files already reported as unplayable.
    NameSet m_reportedVoices;
};

#endif
