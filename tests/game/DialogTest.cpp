// The dialog box on the fake clock with the null sound device: lines queued
// and raised one after another, portraits by speaker, voices by language,
// skipping heard lines, the heard lines in the save file, and leaving the
// game in the middle of a line.
#include "core/KyCore.h"
#include "core/KySingleton.h"
#include "game/Application.h"
#include "game/Listeners.h"
#include "game/screens/Dialog2.h"
#include "game/screens/ReadingTime.h"
#include "media/KySoundManager.h"
#include "platform/Ky3DTexture.h"
#include "tests/game/GameSession.h"
#include "tests/game/TalkSupport.h"
#include "tests/game/DataOverlay.h"
#include "ui/KyButtonLayout.h"
#include "ui/KySpriteLayout.h"
#include "ui/KyTextLayout.h"

#include <gtest/gtest.h>
#include <tinyxml.h>

#include <memory>

namespace {

class DialogTest : public ::testing::Test {
protected:
    DialogTest()
    {
        data.write("Sounds/Dialogs/en/short.ogg", toneOggBytes(0.15));
        data.write("Sounds/Dialogs/en/long.ogg", toneOggBytes(4.0));
        data.write("Sounds/Dialogs/en/broken.ogg", "OggS and nothing a decoder could read");
        data.write("Sounds/Dialogs/fr/short.ogg", toneOggBytes(0.15, 660.0));
        data.write("Sounds/Dialogs/fr/only_fr.ogg", toneOggBytes(0.15));
        data.write("Sounds/Dialogs/en/only_en.ogg", toneOggBytes(0.15));
    }

    void start()
    {
        GameSession::Setup setup;
        setup.dataFolder = data.path();
        game.reset(new GameSession(setup));
        ASSERT_TRUE(game->ok());
        Application* app = game->app();
        dialog.reset(new Dialog2);
        dialog->load();
        app->orientationLayout.addChildBefore(dialog.get(), &app->rotationAnim);
        appendListener(dialog->onFinished, &finished, &NameRecorder::onName);
    }

    void TearDown() override
    {
        dialog.reset();
        game.reset();
        KySingleton<KyCore>::instance()->setLanguage("en");
    }

    KyButtonLayout* box() { return dialog->gui.buttonLayout("dialog"); }
    KyButtonLayout* lock() { return dialog->gui.buttonLayout("dialogLockButton"); }
    std::string portrait()
    {
        KySpriteLayout* avatar = dialog->gui.spriteLayout("avatar");
        return avatar && avatar->texture() ? avatar->texture()->path().c_str() : "";
    }
    bool boxMoving()
    {
        return dialog->gui.layoutAnchorLinearAnimation("dialogAnimationUp")->isRunning() ||
               dialog->gui.layoutAnchorLinearAnimation("dialogAnimationDown")->isRunning();
    }

    DataOverlay data;
    NameRecorder finished;
    std::unique_ptr<GameSession> game;
    std::unique_ptr<Dialog2> dialog;
};

} // namespace

TEST(DialogSpeakers, TheFirstFourLettersNameThePortrait)
{
    struct Case {
        const char* name;
        s32 speaker;
    };
    const Case cases[] = {
        {"MAIA_01", 0},   {"PASE", 1},      {"OUVA_x", 2},   {"BATE_3", 3},  {"OUVB", 4},   {"TOUY_hello", 5},
        {"OUNI", 6},      {"OUVD_9", 7},    {"KHAE", 8},     {"GARD_1", 9},  {"NAIN", 10},  {"ISIS_intro", 11},
        {"PTAH", 12},     {"SEKH_2", 13},   {"NUBI", 14},    {"OUVC", 15},   {"SOLD_a", 16}, {"OSIR_end", 17},
        // Case counts, fewer than four letters match nothing, and anything
        // else is the unknown speaker.
        {"maia_01", 13},  {"MAI", 13},      {"", 13},        {"XMAIA", 13},  {"OSI_R", 13},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Dialog2::speakerOf(c.name), c.speaker) << c.name;
    EXPECT_STREQ(Dialog2::portraitPath(17).c_str(), "2D/Dialogs/Character_17.png");
    EXPECT_STREQ(Dialog2::portraitPath(0).c_str(), "2D/Dialogs/Character_0.png");
}

TEST_F(DialogTest, VoicesComeFromTheLanguageThenEnglishThenSilence)
{
    start();
    struct Case {
        const char* language;
        const char* voice;
        const char* path;
    };
    const Case cases[] = {
        {"fr", "short.ogg", "Sounds/Dialogs/fr/short.ogg"},
        {"fr", "only_fr.ogg", "Sounds/Dialogs/fr/only_fr.ogg"},
        {"fr", "only_en.ogg", "Sounds/Dialogs/en/only_en.ogg"},
        {"en", "only_fr.ogg", "Sounds/Dialogs/en/silence5s.ogg"},
        {"de", "short.ogg", "Sounds/Dialogs/en/short.ogg"},
        {"fr", "missing.ogg", "Sounds/Dialogs/en/silence5s.ogg"},
        {"fr", "", "Sounds/Dialogs/en/silence5s.ogg"},
    };
    for (const Case& c : cases) {
        KySingleton<KyCore>::instance()->setLanguage(c.language);
        EXPECT_STREQ(Dialog2::voicePath(c.voice).c_str(), c.path) << c.language << " " << c.voice;
    }
}

TEST_F(DialogTest, TwoLinesFinishOneAfterTheOtherInOrder)
{
    start();
    Application* app = game->app();
    EXPECT_STREQ(dialog->name().c_str(), "dialog2");
    EXPECT_EQ(lock()->parent(), dialog.get());
    EXPECT_FALSE(lock()->visible());
    EXPECT_EQ(dialog->parent(), &app->orientationLayout);
    EXPECT_FALSE(dialog->voice.repeat());

    dialog->playLine("MAIA_HELLO", lineMarkup("Hello, Tuya."), "short.ogg", 0);
    dialog->playLine("TOUY_REPLY", lineMarkup("Hello, Maya. The ferry waits."), "broken.ogg", 0);
    // The first is raised at once with its portrait, text and voice; the
    // second waits.
    EXPECT_TRUE(dialog->isBusy());
    EXPECT_STREQ(dialog->currentLine.name.c_str(), "MAIA_HELLO");
    EXPECT_STREQ(dialog->currentLine.voice.c_str(), "Sounds/Dialogs/en/short.ogg");
    EXPECT_EQ(dialog->queue.count(), 1u);
    EXPECT_TRUE(lock()->visible());
    EXPECT_FALSE(box()->isEnabled());
    EXPECT_NE(portrait().find("2D/Dialogs/Character_0.png"), std::string::npos) << portrait();
    EXPECT_NE(dialog->gui.textLayout("text")->textBase.text.find("Hello, Tuya."), std::string::npos);
    EXPECT_TRUE(dialog->voice.IsPlaying());

    // The second line is never raised before the first has been reported.
    bool secondTooEarly = false;
    ASSERT_TRUE(framesUntil(*game, [&] {
        if (dialog->currentLine.name == "TOUY_REPLY" && finished.names.empty())
            secondTooEarly = true;
        return finished.names.size() == 2;
    }));
    EXPECT_FALSE(secondTooEarly);
    EXPECT_EQ(finished.names, (std::vector<std::string>{"MAIA_HELLO", "TOUY_REPLY"}));
    EXPECT_NE(portrait().find("2D/Dialogs/Character_5.png"), std::string::npos) << portrait();
    EXPECT_FALSE(dialog->isBusy());
    EXPECT_FALSE(lock()->visible());
    EXPECT_LT(box()->anchor().y, 1.0f);
    EXPECT_TRUE(dialog->hasHeard("MAIA_HELLO"));
    EXPECT_TRUE(dialog->hasHeard("TOUY_REPLY"));

    // The voice that cannot be played: the line stayed for its reading
    // time, and the file is reported once however often it is used.
    dialog->playLine("TOUY_AGAIN", lineMarkup("Again."), "broken.ogg", Dialog2::NarratorMode);
    EXPECT_EQ(dialog->currentLine.speaker, Dialog2::NarratorSpeaker);
    ASSERT_TRUE(framesUntil(*game, [&] { return finished.names.size() == 3; }));
    EXPECT_EQ(occurrences(game->log(), "Dialog2: the voice Sounds/Dialogs/en/broken.ogg cannot be played"), 1u);
}

TEST_F(DialogTest, AnUnplayableVoiceKeepsItsLineForTheReadingTime)
{
    start();
    const KyString text = lineMarkup("A line of some forty characters or so.");
    const u64 reading = ReadingTime::microseconds(text);
    EXPECT_EQ(ReadingTime::visibleCharacters(text), 38u);
    dialog->playLine("ISIS_SLOW", text, "broken.ogg", 0);
    // Frames of a sixtieth of a second: the box stays up for the reading
    // time, then goes down (300 ms) and the line is reported.
    const int readingFrames = int(reading / GameTour::FrameMicroseconds);
    game->frames(u32(readingFrames - 2));
    EXPECT_TRUE(dialog->isSpeaking());
    EXPECT_GE(box()->anchor().y, 1.0f);
    ASSERT_TRUE(framesUntil(*game, [&] { return !finished.names.empty(); }, 60));
    EXPECT_EQ(finished.names.front(), "ISIS_SLOW");
}

TEST_F(DialogTest, ALineAskedForWhileTheBoxGoesDownWaitsForIt)
{
    start();
    dialog->playLine("MAIA_FIRST", lineMarkup("First."), "short.ogg", 0);
    ASSERT_TRUE(framesUntil(*game, [&] {
        return dialog->gui.layoutAnchorLinearAnimation("dialogAnimationDown")->isRunning();
    }));
    dialog->playLine("MAIA_SECOND", lineMarkup("Second."), "short.ogg", 0);
    // Queued: neither raised over the first nor speaking yet.
    EXPECT_STREQ(dialog->currentLine.name.c_str(), "MAIA_FIRST");
    EXPECT_FALSE(dialog->voice.IsPlaying());
    EXPECT_EQ(dialog->queue.count(), 1u);
    ASSERT_TRUE(framesUntil(*game, [&] { return finished.names.size() == 2; }));
    EXPECT_EQ(finished.names, (std::vector<std::string>{"MAIA_FIRST", "MAIA_SECOND"}));

    // A line asked for by a finished listener (a script answering a line
    // with the next) is played too.
    struct Chain {
        Dialog2* dialog;
        int asked = 0;
        bool onFinished(const KyString&)
        {
            if (asked++ == 0)
                dialog->playLine("MAIA_THIRD", lineMarkup("Third."), "broken.ogg", 0);
            return false;
        }
    } chain{dialog.get()};
    appendListener(dialog->onFinished, &chain, &Chain::onFinished);
    dialog->playLine("MAIA_FOURTH", lineMarkup("Fourth."), "short.ogg", 0);
    ASSERT_TRUE(framesUntil(*game, [&] { return finished.names.size() == 4; }));
    EXPECT_EQ(finished.names[2], "MAIA_FOURTH");
    EXPECT_EQ(finished.names[3], "MAIA_THIRD");
    removeListener(dialog->onFinished, &chain, &Chain::onFinished);
}

TEST_F(DialogTest, OnlyHeardLinesAreCutShortByAClickOnTheBox)
{
    start();
    KySoundManager* sound = KySingleton<KySoundManager>::instance();
    // A new line: the box is disabled, a click changes nothing.
    dialog->playLine("NAIN_NEW", lineMarkup("You have never heard this."), "long.ogg", 0);
    ASSERT_TRUE(framesUntil(*game, [&] { return !boxMoving(); }));
    game->run("click 240 268");
    EXPECT_TRUE(dialog->isSpeaking());
    EXPECT_TRUE(dialog->voice.IsPlaying());
    EXPECT_TRUE(finished.names.empty());
    dialog->unload();
    dialog->load();

    // The same line once heard (from a loaded save): a click while the box
    // still rises is ignored, one on the raised box stops the voice, plays
    // the click and lowers the box.
    TiXmlElement played("Dialog");
    TiXmlElement entry("Played");
    entry.SetAttribute("id", "NAIN_NEW");
    played.InsertEndChild(entry);
    dialog->Load(&played);
    dialog->playLine("NAIN_NEW", lineMarkup("You have heard this before."), "long.ogg", 0);
    EXPECT_TRUE(box()->isEnabled());
    game->run("click 240 300");
    EXPECT_TRUE(dialog->isSpeaking());
    ASSERT_TRUE(framesUntil(*game, [&] { return !boxMoving(); }));
    const u32 effects = sound->effects.count();
    game->run("click 240 268");
    EXPECT_FALSE(dialog->voice.IsPlaying());
    EXPECT_GE(sound->effects.count(), effects + 1);
    ASSERT_TRUE(framesUntil(*game, [&] { return finished.names.size() == 1; }, 120));
    EXPECT_EQ(finished.names.front(), "NAIN_NEW");
}

TEST_F(DialogTest, LeavingTheGameDropsTheQueueAndIgnoresWhatArrivesLate)
{
    start();
    dialog->playLine("PTAH_1", lineMarkup("One."), "long.ogg", 0);
    dialog->playLine("PTAH_2", lineMarkup("Two."), "short.ogg", 0);
    game->frames(30);
    dialog->unload();
    EXPECT_TRUE(dialog->queue.isEmpty());
    EXPECT_FALSE(dialog->isBusy());
    EXPECT_TRUE(dialog->heardLines.empty());
    EXPECT_EQ(dialog->childCount(), 0u);
    // The stopped voice's end comes in a later frame: nothing is reported.
    game->frames(60);
    EXPECT_TRUE(finished.names.empty());

    // Entered again: the interface is fresh, one listener each, and lines
    // play as before.
    for (int again = 0; again < 2; ++again) {
        dialog->load();
        EXPECT_EQ(dialog->childCount(), 1u);
        EXPECT_EQ(box()->onValidated.count(), 1u);
        EXPECT_EQ(dialog->voice.onFinished.count(), 1u);
        EXPECT_EQ(dialog->gui.layoutAnchorLinearAnimation("dialogAnimationDown")->onFinished.count(), 1u);
    }
    dialog->playLine("PTAH_3", lineMarkup("Three."), "short.ogg", 0);
    ASSERT_TRUE(framesUntil(*game, [&] { return finished.names.size() == 1; }));
    EXPECT_EQ(finished.names.front(), "PTAH_3");
}

TEST(DialogSave, HeardLinesAreWrittenInByteOrderOnceAndReadBack)
{
    Dialog2 dialog;
    for (const char* name : {"b", "MAIA_2", "MAIA_10", "a", "MAIA_2", "\xe9t\xe9", "Z"})
        dialog.heardLines.insert(name);
    TiXmlDocument document;
    dialog.Save(&document);
    TiXmlPrinter printer;
    printer.SetIndent("");
    printer.SetLineBreak("");
    document.Accept(&printer);
    EXPECT_STREQ(printer.CStr(), "<Dialog><Played id=\"MAIA_10\" /><Played id=\"MAIA_2\" /><Played id=\"Z\" />"
                                 "<Played id=\"a\" /><Played id=\"b\" /><Played id=\"\xe9t\xe9\" /></Dialog>");

    // Nothing heard: an empty element, and loading it empties the set.
    Dialog2 empty;
    TiXmlDocument emptyDocument;
    empty.Save(&emptyDocument);
    ASSERT_NE(emptyDocument.FirstChildElement("Dialog"), nullptr);
    EXPECT_EQ(emptyDocument.FirstChildElement("Dialog")->FirstChild(), nullptr);
    dialog.Load(emptyDocument.FirstChildElement("Dialog"));
    EXPECT_TRUE(dialog.heardLines.empty());

    // Reading: only "Played" elements count, a missing id is the empty
    // name, duplicates fold.
    TiXmlDocument saved;
    saved.Parse("<Dialog><!-- heard --><Played id=\"ISIS_1\"/>text<Other id=\"NO\"/><played id=\"NO2\"/>"
                "<Played/><Played id=\"ISIS_1\"/><Played id=\"GARD_4\" extra=\"1\"><Played id=\"NESTED\"/></Played>"
                "</Dialog>");
    dialog.Load(saved.FirstChildElement("Dialog"));
    EXPECT_EQ(dialog.heardLines, (Dialog2::NameSet{"", "GARD_4", "ISIS_1"}));

    // Round trip: what was read is written back the same way.
    TiXmlDocument again;
    dialog.Save(&again);
    Dialog2 reread;
    reread.Load(again.FirstChildElement("Dialog"));
    EXPECT_EQ(reread.heardLines, dialog.heardLines);
}
