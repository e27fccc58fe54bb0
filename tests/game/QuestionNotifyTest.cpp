// The answers list and the notifications on the fake clock: entries in push
// order under one lock button, a click reporting one name after the list
// has gone, answers pushed in reply making the next list; notifications
// queued and shown one at a time, each for its three fades.
#include "core/KySingleton.h"
#include "game/Application.h"
#include "game/Listeners.h"
#include "game/screens/Notify.h"
#include "game/screens/Question2.h"
#include "platform/Ky3DTexture.h"
#include "tests/game/GameSession.h"
#include "tests/game/TalkSupport.h"
#include "ui/KyButtonLayout.h"
#include "ui/KyDeferredDeletion.h"
#include "ui/KyListLayout.h"
#include "ui/KySpriteLayout.h"
#include "ui/KyTextLayout.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

KyLayout* entry(Question2& question, u32 index)
{
    return question.answers[index]->layout();
}

// The entry's text as shown.
std::string entryText(Question2& question, u32 index)
{
    KyTextLayout* text = question.answers[index]->gui.textLayout("text");
    return text ? text->textBase.text.c_str() : "";
}

// Centre of a layout in interface units (480 x 320, y down), from its world
// matrix (window pixels, origin at the window's centre, y down).
void centreOf(GameSession& game, KyLayout* layout, f32& x, f32& y)
{
    const KyMatrix4x4 m = layout->worldTransformationMatrix();
    const KyVector3f32 window = game.app()->orientationLayout.size();
    x = (m.m[12] / window.x + 0.5f) * 480.0f;
    y = (m.m[13] / window.y + 0.5f) * 320.0f;
}

// Asks for more answers when told of one.
struct Replier {
    bool onAnswered(const KyString& name)
    {
        names.push_back(name.c_str());
        if (question && name == "ASK_MORE") {
            question->pushAnswer("MORE_1", lineMarkup("Tell me of the river."));
            question->pushAnswer("MORE_2", lineMarkup("Farewell."));
        }
        return false;
    }
    Question2* question = nullptr;
    std::vector<std::string> names;
};

} // namespace

TEST(Question, ThreeAnswersInOrderOneClickReportsTheSecondAndClearsAll)
{
    GameSession game;
    ASSERT_TRUE(game.ok());
    Application* app = game.app();
    Question2 question;
    question.load();
    KyLayout* lock = question.gui.layout("lockButton");
    ASSERT_NE(lock, nullptr);
    EXPECT_EQ(lock->parent(), &app->orientationLayout);
    EXPECT_FALSE(lock->visible());
    Replier replier;
    appendListener(question.onAnswered, &replier, &Replier::onAnswered);

    question.pushAnswer("Q_FERRY", lineMarkup("Where does the ferry go?"));
    question.pushAnswer("Q_TOLL", lineMarkup("How much is the crossing?"));
    question.pushAnswer("Q_BYE", lineMarkup("Goodbye."));
    EXPECT_TRUE(lock->visible());
    KyListLayout* list = question.gui.listLayout("questionList");
    ASSERT_EQ(list->childCount(), 3u);
    for (u32 i = 0; i < 3; ++i)
        EXPECT_EQ(list->child(i), entry(question, i));
    EXPECT_NE(entryText(question, 1).find("How much is the crossing?"), std::string::npos);
    game.frames(5);

    // Stacked from the top down, one below the other, all on screen.
    f32 x[3], y[3];
    for (u32 i = 0; i < 3; ++i) {
        centreOf(game, entry(question, i), x[i], y[i]);
        EXPECT_GT(y[i], 20.0f);
        EXPECT_LT(y[i], 300.0f);
        EXPECT_NEAR(x[i], 240.0f, 2.0f) << i;
    }
    EXPECT_LT(y[0] + 20.0f, y[1]);
    EXPECT_LT(y[1] + 20.0f, y[2]);

    // The player clicks the second entry.
    std::string click = "click 240 " + std::to_string(int(y[1]));
    game.run(click);
    EXPECT_EQ(replier.names, std::vector<std::string>{"Q_TOLL"});
    EXPECT_TRUE(question.answers.isEmpty());
    EXPECT_EQ(question.answers.capacity(), 0u);
    EXPECT_EQ(list->childCount(), 0u);
    EXPECT_FALSE(lock->visible());
    // Nothing left to click: a click there reports nothing more.
    game.run(click);
    EXPECT_EQ(replier.names.size(), 1u);
    question.unload();
    EXPECT_EQ(lock->parent(), nullptr);
}

TEST(Question, AnswersPushedInReplyMakeTheNextListAndNamesNotTextsAreReported)
{
    GameSession game;
    ASSERT_TRUE(game.ok());
    Question2 question;
    question.load();
    Replier replier;
    replier.question = &question;
    appendListener(question.onAnswered, &replier, &Replier::onAnswered);

    // Two entries of one name: both listed, either reports the name.
    question.pushAnswer("ASK_MORE", lineMarkup("Tell me more."));
    question.pushAnswer("ASK_MORE", lineMarkup("Go on."));
    question.pushAnswer("Q_LEAVE", lineMarkup("I must go."));
    ASSERT_EQ(question.answers.count(), 3u);
    Question2::Answer* clicked = question.answers[1];
    question.answers[1]->gui.buttonLayout("answer")->onValidated.call();
    EXPECT_EQ(replier.names, std::vector<std::string>{"ASK_MORE"});
    // The old answers went to the frame's deletion queue, never at once;
    // the two pushed in reply stand alone in the new list.
    const KyArray<KyObject*>& pending = KyDeferredDeletion::pendingDeletes();
    EXPECT_TRUE(pending.contains(clicked));
    ASSERT_EQ(question.answers.count(), 2u);
    EXPECT_STREQ(question.answers[0]->name().c_str(), "MORE_1");
    EXPECT_STREQ(question.answers[1]->name().c_str(), "MORE_2");
    EXPECT_EQ(question.gui.listLayout("questionList")->childCount(), 2u);
    EXPECT_TRUE(question.gui.layout("lockButton")->visible());
    game.frames(1);

    // Leaving the game with answers offered lets them go.
    question.unload();
    EXPECT_TRUE(question.answers.isEmpty());
    EXPECT_FALSE(question.isLoaded());
    // And entering again gives a working list.
    question.load();
    question.pushAnswer("Q_AGAIN", lineMarkup("Again?"));
    question.answers[0]->gui.buttonLayout("answer")->onValidated.call();
    EXPECT_EQ(replier.names.back(), "Q_AGAIN");
}

namespace {

// One frame's look of the notification panel.
struct Seen {
    bool shown;
    std::string text;
    std::string image;
};

Seen look(Notify& notify)
{
    Seen seen;
    seen.shown = notify.gui.layout("notify")->visible();
    seen.text = notify.gui.textLayout("text")->textBase.text.c_str();
    KySpriteLayout* image = notify.gui.spriteLayout("image");
    seen.image = image->texture() ? image->texture()->path().c_str() : "";
    return seen;
}

} // namespace

TEST(Notification, ThreeAreShownOneAfterAnotherEachForItsThreeFades)
{
    // A small window: the run is long, and its timing is what counts.
    GameSession::Setup setup;
    setup.width = 480;
    setup.height = 320;
    GameSession game(setup);
    ASSERT_TRUE(game.ok());
    Application* app = game.app();
    Notify notify;
    notify.load();
    KyLayout* panel = notify.gui.layout("notify");
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->parent(), &app->orientationLayout);
    EXPECT_FALSE(panel->visible());
    const f32 total = notify.gui.colorLinearAnimation("fadeIn")->duration +
                      notify.gui.colorLinearAnimation("visible")->duration +
                      notify.gui.colorLinearAnimation("fadeOut")->duration;

    const char* images[] = {"2D/Dialogs/Character_0.png", "2D/Dialogs/Character_5.png", "2D/Dialogs/Character_11.png"};
    const char* texts[] = {"Rope", "Lamp", "Key"};
    for (int i = 0; i < 3; ++i)
        notify.push(lineMarkup(texts[i]), images[i]);
    EXPECT_EQ(notify.queue.count(), 2u);

    // Frame by frame: which notification shows, and for how long.
    std::vector<std::string> order;
    std::vector<int> framesShown;
    for (int frame = 0; frame < 800 && (notify.isRunning() || !notify.queue.isEmpty()); ++frame) {
        const Seen seen = look(notify);
        if (seen.shown) {
            if (order.empty() || order.back() != seen.text) {
                order.push_back(seen.text);
                framesShown.push_back(0);
                EXPECT_NE(seen.image.find(images[order.size() - 1]), std::string::npos) << seen.image;
            }
            ++framesShown.back();
        }
        game.frames(1);
    }
    ASSERT_EQ(order.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_NE(order[i].find(texts[i]), std::string::npos) << order[i];
        EXPECT_NEAR(framesShown[i], total * 60.0f / 1000.0f, 4.0f);
    }
    EXPECT_FALSE(look(notify).shown);

    // A push while the panel fades out waits for the end of the fade, then
    // starts at once.
    notify.push(lineMarkup("Map"), images[0]);
    ASSERT_TRUE(framesUntil(game, [&] { return notify.gui.colorLinearAnimation("fadeOut")->isRunning(); }));
    notify.push(lineMarkup("Stone"), images[1]);
    EXPECT_EQ(look(notify).text.find("Stone"), std::string::npos);
    ASSERT_TRUE(framesUntil(game, [&] { return !notify.gui.colorLinearAnimation("fadeOut")->isRunning(); }, 60));
    EXPECT_TRUE(notify.gui.colorLinearAnimation("fadeIn")->isRunning());
    EXPECT_NE(look(notify).text.find("Stone"), std::string::npos);

    // Leaving the game: the queue goes with the panel.
    notify.push(lineMarkup("Left behind"), images[2]);
    notify.unload();
    EXPECT_TRUE(notify.queue.isEmpty());
    EXPECT_EQ(panel->parent(), nullptr);
    game.frames(5);
}
