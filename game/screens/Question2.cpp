#include "game/screens/Question2.h"

#include "core/KyLog.h"
#include "core/KySingleton.h"
#include "game/Application.h"
#include "game/Listeners.h"
#include "ui/KyButtonLayout.h"
#include "ui/KyDeferredDeletion.h"
#include "ui/KyListLayout.h"
#include "ui/KyTextLayout.h"

const char* const Question2::InterfacePath = "GUI/questions.lua";
const char* const Question2::Answer::InterfacePath = "GUI/answer.lua";

namespace {

const char* const kLockButton = "lockButton";
const char* const kList = "questionList";

} // namespace

Question2::Answer::Answer() {}

Question2::Answer::~Answer() {}

void Question2::Answer::load(const KyString& name, const KyString& text)
{
    m_name = name;
    gui.load(InterfacePath);
    if (KyTextLayout* label = gui.textLayout("text"))
        label->setText(text);
    if (KyButtonLayout* entry = gui.buttonLayout("answer"))
        appendListener(entry->onValidated, this, &Answer::onEntryClicked);
    else
        logPrint("Question2::Answer::load: %s has no answer\n", InterfacePath);
}

KyLayout* Question2::Answer::layout()
{
    return gui.layout("answer");
}

bool Question2::Answer::onEntryClicked()
{
    onClicked.call(*this);
    return false;
}

Question2::Question2() {}

Question2::~Question2()
{
    // The frame's deletion queue may be gone already: the answers go now.
    for (u32 i = 0; i < answers.count(); ++i)
        delete answers[i];
    answers.clear();
}

void Question2::load()
{
    Application* application = KySingleton<Application>::instance();
    unload();
    gui.load(InterfacePath);
    KyLayout* lock = gui.layout(kLockButton);
    if (!lock) {
        logPrint("Question2::load: %s has no %s\n", InterfacePath, kLockButton);
        return;
    }
    lock->setVisible(false);
    application->orientationLayout.addChildBefore(lock, &application->rotationAnim);
}

void Question2::unload()
{
    if (!gui.isLoaded())
        return;
    clear();
    if (KyLayout* lock = gui.layout(kLockButton)) {
        if (KyI3DObject2* parent = lock->parent())
            parent->removeChild(lock);
    }
    gui.unload();
}

void Question2::pushAnswer(const KyString& name, const KyString& text)
{
    Answer* answer = new Answer;
    answer->load(name, text);
    answer->onClicked.insertByPriority(kyNewCallback(this, &Question2::onAnswerClicked, 0.0f));
    answers.pushBack(answer);
    if (KyListLayout* list = gui.listLayout(kList)) {
        if (KyLayout* entry = answer->layout())
            list->addChild(entry);
    }
    if (KyLayout* lock = gui.layout(kLockButton))
        lock->setVisible(true);
}

bool Question2::onAnswerClicked(Answer& answer)
{
    // The list is cleared before the report: answers pushed by its listeners
    // make the next list instead of being swept away with this one.
    const KyString name = answer.name();
    clear();
    onAnswered.call(name);
    return false;
}

void Question2::clear()
{
    if (KyLayout* lock = gui.layout(kLockButton))
        lock->setVisible(false);
    if (KyListLayout* list = gui.listLayout(kList))
        list->removeChildren();
    for (u32 i = 0; i < answers.count(); ++i) {
        answers[i]->gui.unload();
        // The clicked answer is still running its own click signal.
        KyDeferredDeletion::deleteLater(answers[i]);
    }
    answers.clear();
}
