#ifndef GAME_NOTIFY_H
#define GAME_NOTIFY_H

#include "core/KyArray.h"
#include "core/KyString.h"
#include "platform/Ky3DObject.h"
#include "script/KyLuaGUI.h"

// Short notifications over the game, one at a time: a panel with a picture
// and a line of text fades in, stays, fades out and makes room for the next
// one queued. The game announces each object put into the bag this way.
//
// "GUI/Notify.lua" gives the layout "notify" (the panel), the text layout
// "text", the sprite layout "image", the layout "sprite" whose colour the
// colour animations "fadeIn", "visible" and "fadeOut" drive; a notification
// lasts as long as the three together.
class Notify : public Ky3DObject {
public:
    struct NotifyData {
        KyString text;
        KyString image;
    };

    static const char* const InterfacePath;

    Notify();
    ~Notify() override;

    // Entering a game: loads the interface, puts the hidden panel into the
    // orientation layout under the transition boards and chains the fades.
    void load();
    // Leaving it: the queue is emptied, the panel leaves the orientation
    // layout and the interface is unloaded.
    void unload();
    bool isLoaded() const { return gui.isLoaded(); }

    // Queues a notification (rich-text markup and a picture's path) and
    // starts it when none runs.
    void push(const KyString& text, const KyString& image);
    // Starts the first queued notification unless one runs.
    void showNext();
    // One of the three fades runs.
    bool isRunning();

    // The ends of the three fades; all return false.
    bool onFadeInFinished();
    bool onVisibleFinished();
    bool onFadeOutFinished();

    KyArray<NotifyData> queue;
    KyLuaGUI gui;

private:
    // Gives the animation the "sprite" layout and plays it; false when the
    // file lacks either.
    bool playOnSprite(const char* animation);
};

#endif
