// The conversation screens inside a game, driven by a scene script as the
// game's own scripts drive them: lines through "DrawText" reported by
// "OnDialogFinished", answers through "PushAnswer" reported by "OnAnswered",
// comic strips through "DisplayBD", the heard lines in the save file, and
// leaving the game in the middle of all of it.
#include "core/KySingleton.h"
#include "game/Application.h"
#include "game/GameWarp.h"
#include "tests/game/GameSession.h"
#include "tests/game/TalkSupport.h"
#include "tests/game/DataOverlay.h"
#include "tools/content/ImageWriters.h"
#include "ui/KyButtonLayout.h"
#include "ui/KyListLayout.h"
#include "ui/KyTextLayout.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

std::string escaped(const KyString& markup)
{
    std::string out;
    for (const char* c = markup.c_str(); *c; ++c) {
        switch (*c) {
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += *c; break;
        }
    }
    return out;
}

std::string greyPanel(u8 level)
{
    ImageWriters::PngImage image;
    image.width = 480;
    image.height = 320;
    image.rows.assign(size_t(image.width) * image.height * 3, level);
    return ImageWriters::toString(ImageWriters::png(image));
}

class TalkGame : public ::testing::Test {
protected:
    TalkGame()
    {
        std::string texts = sampleFile("Texts/en.xml");
        std::string lines;
        const char* entries[][2] = {
            {"MAIA_T1", "The ferry is late."},       {"ISIS_T2", "It always is, at dusk."},
            {"Q_FERRY", "Where does it go?"},        {"Q_TOLL", "What does it cost?"},
            {"Q_BYE", "Goodbye."},                   {"Q_MORE", "And then?"},
        };
        for (const auto& entry : entries)
            lines += std::string("    <value name=\"") + entry[0] + "\" value=\"" +
                     escaped(lineMarkup(entry[1])) + "\" />\n";
        texts.insert(texts.rfind("</Texts>"), lines);
        data.write("Texts/en.xml", texts);
        data.write("Sounds/Dialogs/en/t1.ogg", toneOggBytes(0.15));
        data.write("Sounds/Dialogs/en/t2.ogg", toneOggBytes(0.15, 550.0));
        for (int n = 0; n < 3; ++n) {
            data.write("2D/bd/Colored/en/test_" + std::to_string(n) + ".png", greyPanel(u8(60 + 60 * n)));
            data.write("Sounds/BDs/en/test_" + std::to_string(n) + ".ogg", toneOggBytes(0.1));
        }
        GameSession::Setup setup;
        setup.dataFolder = data.path();
        session.reset(new GameSession(setup));
    }

    ~TalkGame() override { session.reset(); }

    // A new game in the first scene, with the events recorded by the script.
    void startGame()
    {
        ASSERT_TRUE(session->ok());
        session->app()->mainMenu.leave();
        game().enter();
        game().Load("save.xml");
        ASSERT_TRUE(game().currentWarp);
        run("events = ''\n"
            "function OnDialogFinished(name) events = events .. 'D:' .. name .. ';' end\n"
            "function OnAnswered(name) events = events .. 'A:' .. name .. ';'\n"
            "  if name == 'Q_TOLL' then PushAnswer('Q_MORE') end end\n");
    }

    GameWarp& game() { return session->app()->gameWarp; }

    void run(const std::string& code)
    {
        lua_State* L = game().luaContext.state();
        EXPECT_EQ(luaL_dostring(L, code.c_str()), 0) << code << ": " << lua_tostring(L, -1);
        lua_settop(L, 0);
    }

    std::string events() { return game().luaContext.global("events").toString().c_str(); }

    DataOverlay data;
    std::unique_ptr<GameSession> session;
};

} // namespace

TEST_F(TalkGame, TwoLinesOfAScriptAreReportedInOrderAndTheHeardOnesSaved)
{
    startGame();
    Dialog2& dialog = game().dialog;
    EXPECT_TRUE(dialog.isLoaded());
    EXPECT_EQ(dialog.parent(), &session->app()->orientationLayout);
    run("DrawText('MAIA_T1', 't1.ogg'); DrawText('ISIS_T2', 't2.ogg', 2); DrawText('NO_SUCH_LINE', 't1.ogg')");
    EXPECT_EQ(dialog.queue.count(), 1u);
    EXPECT_EQ(dialog.currentLine.speaker, 0);
    ASSERT_TRUE(framesUntil(*session, [&] { return events() == "D:MAIA_T1;D:ISIS_T2;"; }));
    EXPECT_FALSE(dialog.isBusy());

    // The heard lines go into the save, after the inventory and before the
    // scene, and come back with it.
    run("SaveGame('1.xml')");
    const std::string saved = session->readUserFile("1.xml");
    const size_t section = saved.find("<Dialog>");
    ASSERT_NE(section, std::string::npos) << saved;
    EXPECT_NE(saved.find("<Dialog>\n    <Played id=\"ISIS_T2\" />\n    <Played id=\"MAIA_T1\" />\n</Dialog>"),
              std::string::npos)
        << saved;
    EXPECT_LT(section, saved.find("<WarpName"));
    const size_t inventory = saved.find("<Inventory");
    ASSERT_NE(inventory, std::string::npos) << saved;
    EXPECT_LT(inventory, section);

    game().unload();
    EXPECT_TRUE(dialog.heardLines.empty());
    EXPECT_EQ(dialog.parent(), nullptr);
    game().enter();
    game().Load("1.xml");
    EXPECT_TRUE(dialog.hasHeard("MAIA_T1"));
    EXPECT_TRUE(dialog.hasHeard("ISIS_T2"));
    // Saving what was loaded gives the same section again.
    run("SaveGame('2.xml')");
    const std::string again = session->readUserFile("2.xml");
    EXPECT_EQ(again.substr(again.find("<Dialog>"), again.find("</Dialog>") - again.find("<Dialog>")),
              saved.substr(section, saved.find("</Dialog>") - section));
    // A heard line may now be cut short.
    run("DrawText('MAIA_T1', 't1.ogg')");
    EXPECT_TRUE(dialog.gui.buttonLayout("dialog")->isEnabled());

    // Leaving the game saves it with its heard lines, and continuing it
    // brings them back.
    game().unload();
    EXPECT_TRUE(dialog.heardLines.empty());
    game().enter();
    game().Load("save.xml");
    EXPECT_EQ(dialog.heardLines, (Dialog2::NameSet{"ISIS_T2", "MAIA_T1"}));
}

TEST_F(TalkGame, ThreeAnswersOfferedTheSecondClickedOneAnswerReported)
{
    startGame();
    Question2& question = game().question;
    run("PushAnswer('Q_FERRY'); PushAnswer('Q_TOLL'); PushAnswer('Q_BYE')");
    ASSERT_EQ(question.answers.count(), 3u);
    session->frames(3);
    // The second entry's centre, in interface units.
    KyLayout* second = question.answers[1]->layout();
    const KyMatrix4x4 m = second->worldTransformationMatrix();
    const KyVector3f32 window = session->app()->orientationLayout.size();
    const int y = int((m.m[13] / window.y + 0.5f) * 320.0f);
    session->run("click 240 " + std::to_string(y));
    EXPECT_EQ(events(), "A:Q_TOLL;");
    // The answer pushed in reply stands alone in the next list.
    ASSERT_EQ(question.answers.count(), 1u);
    EXPECT_STREQ(question.answers[0]->name().c_str(), "Q_MORE");
    EXPECT_EQ(question.gui.listLayout("questionList")->childCount(), 1u);
    // An answer without a text is offered, empty.
    run("PushAnswer('NO_SUCH_ANSWER')");
    EXPECT_EQ(question.answers.count(), 2u);

    // Leaving the game with answers offered: none is reported afterwards.
    game().unload();
    EXPECT_TRUE(question.answers.isEmpty());
    session->frames(3);
    EXPECT_EQ(events(), "A:Q_TOLL;");
}

TEST_F(TalkGame, AComicStripOfThreePanelsFromAScriptPilesThenFades)
{
    startGame();
    BD& bd = game().bd;
    Application* app = session->app();
    const bool musicWasPlaying = app->music.IsPlaying();
    run("DisplayBD('test', 3)");
    EXPECT_TRUE(bd.isBusy());
    EXPECT_TRUE(bd.blocker.isEnabled());
    EXPECT_EQ(bd.hasPausedMusic(), musicWasPlaying);
    bool piled = false;
    ASSERT_TRUE(framesUntil(*session, [&] {
        if (bd.panels[0].opacity() == 1.0f && bd.panels[1].opacity() == 1.0f && bd.panels[2].opacity() == 1.0f &&
            bd.panels[2].hasTexture())
            piled = true;
        return !bd.isBusy();
    }));
    EXPECT_TRUE(piled);
    EXPECT_FALSE(bd.panels[0].hasTexture());
    EXPECT_EQ(app->music.IsPlaying(), musicWasPlaying);
    EXPECT_FALSE(app->music.isPaused());

    // The same through the application's own entry, then the game left in
    // the middle of the strip: nothing of it stays.
    app->displayBD("test", 3, true);
    session->frames(10);
    game().unload();
    EXPECT_FALSE(bd.isBusy());
    EXPECT_FALSE(bd.blocker.isEnabled());
    session->frames(10);
    EXPECT_EQ(bd.panelIndex, 12);
}

TEST_F(TalkGame, LeavingTheGameMidLineReportsNothingAndTheNextGameStartsClean)
{
    startGame();
    session->app()->playDialogLine("MAIA_T1", "t1.ogg", 0);
    session->app()->playDialogLine("NO_SUCH_LINE", "t1.ogg", 0);
    EXPECT_TRUE(game().dialog.isBusy());
    EXPECT_TRUE(game().dialog.queue.isEmpty());
    game().unload();
    session->frames(30);
    EXPECT_EQ(events(), "");
    // A second game: one listener on each signal, the dialog in the
    // orientation layout once.
    startGame();
    EXPECT_EQ(game().dialog.onFinished.count(), 1u);
    EXPECT_EQ(game().question.onAnswered.count(), 1u);
    u32 dialogs = 0;
    KyLayout& orientation = session->app()->orientationLayout;
    for (u32 i = 0; i < orientation.childCount(); ++i)
        dialogs += orientation.child(i) == &game().dialog ? 1 : 0;
    EXPECT_EQ(dialogs, 1u);
    run("DrawText('ISIS_T2', 't2.ogg')");
    ASSERT_TRUE(framesUntil(*session, [&] { return events() == "D:ISIS_T2;"; }));
}

TEST_F(TalkGame, ObjectsPutIntoTheBagAreAnnouncedOneAfterAnother)
{
    data.write("Inventory/Objects/Objects_en.xml", "<Object id=\"Rope\" name=\"A coil of rope\" />\n"
                                                   "<Object id=\"Lamp\" name=\"An oil lamp\" />\n"
                                                   "<Object id=\"Key\" name=\"A brass key\" />\n");
    for (const char* object : {"Rope", "Lamp", "Key"})
        data.write(std::string("Inventory/Objects/") + object + ".png", greyPanel(100));
    startGame();
    Notify& notify = game().notify;
    ASSERT_TRUE(notify.isLoaded());
    run("AddToBag('Rope'); AddToBag('Lamp'); AddToBag('Key')");
    EXPECT_EQ(notify.queue.count(), 2u);
    std::vector<std::string> shown;
    ASSERT_TRUE(framesUntil(*session, [&] {
        const std::string text = notify.gui.textLayout("text")->textBase.text.c_str();
        if (notify.isRunning() && (shown.empty() || shown.back() != text))
            shown.push_back(text);
        return !notify.isRunning() && notify.queue.isEmpty();
    }));
    ASSERT_EQ(shown.size(), 3u);
    const char* names[] = {"A coil of rope", "An oil lamp", "A brass key"};
    for (int i = 0; i < 3; ++i) {
        EXPECT_NE(shown[i].find(names[i]), std::string::npos) << shown[i];
        // The style markup was read, not shown.
        EXPECT_EQ(shown[i].find("<"), std::string::npos) << shown[i];
    }
    EXPECT_FALSE(notify.gui.layout("notify")->visible());
}
