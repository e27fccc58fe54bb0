#ifndef GAME_QUESTION2_H
#define GAME_QUESTION2_H

#include "core/KyArray.h"
#include "core/KyICallback1Param.h"
#include "core/KyObject.h"
#include "core/KyString.h"
#include "core/KyTypes.h"
#include "script/KyLuaGUI.h"

class KyLayout;

// The answers offered to the player during a conversation. The scene script
// adds them one at a time ("PushAnswer"); they are listed under a
// full-screen lock button that keeps the scene from being clicked, and a
// click on one reports its name (onAnswered) after the whole list has been
// cleared, so answers pushed in answer to the report make the next list.
//
// "GUI/questions.lua" gives "lockButton" (any layout) and "questionList" (a
// list layout); each answer loads its own copy of "GUI/answer.lua", which
// gives the button layout "answer" (the entry put in the list) and the text
// layout "text" inside it.
class Question2 {
public:
    typedef KyArray<KyICallback1Param<const KyString&>*> Signal;

    class Answer : public KyObject {
    public:
        typedef KyArray<KyICallback1Param<Answer&>*> Signal;

        static const char* const InterfacePath;

        Answer();
        ~Answer() override;

        // Stores the name, loads the interface, shows the text and listens
        // to the entry's click.
        void load(const KyString& name, const KyString& text);
        // The entry: the "answer" layout; null when the file lacks it.
        KyLayout* layout();
        const KyString& name() const { return m_name; }

        // The entry's click: fires onClicked with the answer.
        bool onEntryClicked();

        KyLuaGUI gui;
        Signal onClicked;

    private:
        Answer(const Answer&) = delete;
        Answer& operator=(const Answer&) = delete;

        KyString m_name;
    };

    static const char* const InterfacePath;

    Question2();
    ~Question2();

    // Entering a game: loads the interface and puts the hidden lock button
    // into the orientation layout, under the transition boards.
    void load();
    // Leaving it: the answers go, the lock button leaves the orientation
    // layout and the interface is unloaded.
    void unload();
    bool isLoaded() const { return gui.isLoaded(); }

    // Adds an entry below the others and shows the lock button.
    void pushAnswer(const KyString& name, const KyString& text);
    // Hides the lock button, empties the list and queues the answers for
    // deletion at the end of the frame.
    void clear();

    // A click on an entry: clears the list, then reports the name.
    bool onAnswerClicked(Answer& answer);

    // In the order they were pushed; owned here.
    KyArray<Answer*> answers;
    KyLuaGUI gui;
    // Fired with the name of the chosen answer.
    Signal onAnswered;

private:
    Question2(const Question2&) = delete;
    Question2& operator=(const Question2&) = delete;
};

#endif
