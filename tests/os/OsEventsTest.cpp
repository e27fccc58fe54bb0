#include "os/KyOsEvents.h"
#include "os/KyOsWindow.h"

#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <vector>

namespace {

class OsEventsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(window.create("events", 160, 120, false));
        // What the system reported about the new window is not under test.
        pump.clear();
    }

    // Every message waiting, in order.
    std::vector<KyOsMessage> drain()
    {
        std::vector<KyOsMessage> out;
        KyOsMessage m;
        while (pump.take(window, m))
            out.push_back(m);
        return out;
    }

    KyOsWindow window;
    KyOsEvents pump;
};

void expectMouse(const KyOsMessage& m, KyOsMessage::Kind kind, std::int32_t x, std::int32_t y, std::uint32_t buttons)
{
    EXPECT_EQ(kind, m.kind);
    EXPECT_EQ(x, m.x);
    EXPECT_EQ(y, m.y);
    EXPECT_EQ(buttons, m.buttons);
}

std::vector<KyOsMessage> g_received;
void recordMessage(const KyOsMessage& m) { g_received.push_back(m); }

} // namespace

TEST_F(OsEventsTest, ConsecutiveMotionsBecomeOneMoveButOthersSplitTheRun)
{
    const std::uint32_t left = KyOsMessage::LeftButtonBit;
    ASSERT_TRUE(KyOsEvents::pushMouseMove(window, 1, 2));
    ASSERT_TRUE(KyOsEvents::pushMouseMove(window, 3, 4));
    ASSERT_TRUE(KyOsEvents::pushMouseMove(window, 5, 6));
    ASSERT_TRUE(KyOsEvents::pushMouseButton(window, KyOsMessage::LeftButton, true, 5, 6));
    ASSERT_TRUE(KyOsEvents::pushMouseMove(window, 7, 8, left));
    ASSERT_TRUE(KyOsEvents::pushMouseMove(window, -9, -10, left));

    std::vector<KyOsMessage> got = drain();
    ASSERT_EQ(3u, got.size());
    expectMouse(got[0], KyOsMessage::MouseMove, 5, 6, 0);
    expectMouse(got[1], KyOsMessage::ButtonDown, 5, 6, left);
    EXPECT_EQ(KyOsMessage::LeftButton, got[1].button);
    // Left of and above the client area the coordinates are negative.
    expectMouse(got[2], KyOsMessage::MouseMove, -9, -10, left);
}

TEST_F(OsEventsTest, ClickAwayFromThePointerReportsTheMoveFirst)
{
    const std::uint32_t left = KyOsMessage::LeftButtonBit;
    const std::uint32_t right = KyOsMessage::RightButtonBit;
    KyOsEvents::pushMouseButton(window, KyOsMessage::RightButton, true, 10, 20);
    KyOsEvents::pushMouseButton(window, KyOsMessage::LeftButton, true, 10, 20);
    KyOsEvents::pushMouseButton(window, KyOsMessage::LeftButton, false, 10, 20);
    KyOsEvents::pushMouseButton(window, KyOsMessage::RightButton, false, 30, 40);

    std::vector<KyOsMessage> got = drain();
    ASSERT_EQ(6u, got.size());
    expectMouse(got[0], KyOsMessage::MouseMove, 10, 20, 0);
    expectMouse(got[1], KyOsMessage::ButtonDown, 10, 20, right);
    EXPECT_EQ(KyOsMessage::RightButton, got[1].button);
    expectMouse(got[2], KyOsMessage::ButtonDown, 10, 20, right | left);
    EXPECT_EQ(KyOsMessage::LeftButton, got[2].button);
    expectMouse(got[3], KyOsMessage::ButtonUp, 10, 20, right);
    EXPECT_EQ(KyOsMessage::LeftButton, got[3].button);
    // The move carries the word from before the release.
    expectMouse(got[4], KyOsMessage::MouseMove, 30, 40, right);
    expectMouse(got[5], KyOsMessage::ButtonUp, 30, 40, 0);
    EXPECT_EQ(KyOsMessage::RightButton, got[5].button);
}

TEST_F(OsEventsTest, WindowEventsBecomeWindowMessages)
{
    KyOsEvents::pushWindowEvent(window, SDL_WINDOWEVENT_SIZE_CHANGED, 640, 480);
    KyOsEvents::pushWindowEvent(window, SDL_WINDOWEVENT_MOVED, -3, 40);
    KyOsEvents::pushWindowEvent(window, SDL_WINDOWEVENT_FOCUS_LOST);
    KyOsEvents::pushWindowEvent(window, SDL_WINDOWEVENT_FOCUS_GAINED);
    KyOsEvents::pushWindowEvent(window, SDL_WINDOWEVENT_EXPOSED);
    KyOsEvents::pushWindowEvent(window, SDL_WINDOWEVENT_CLOSE);
    KyOsEvents::pushQuit();

    std::vector<KyOsMessage> got = drain();
    ASSERT_EQ(7u, got.size());
    EXPECT_EQ(KyOsMessage::Size, got[0].kind);
    EXPECT_EQ(640, got[0].width);
    EXPECT_EQ(480, got[0].height);
    EXPECT_FALSE(got[0].minimized);
    EXPECT_EQ(KyOsMessage::Move, got[1].kind);
    EXPECT_EQ(-3, got[1].x);
    EXPECT_EQ(40, got[1].y);
    EXPECT_EQ(KyOsMessage::Activate, got[2].kind);
    EXPECT_FALSE(got[2].active);
    EXPECT_FALSE(got[2].minimized);
    EXPECT_EQ(KyOsMessage::Activate, got[3].kind);
    EXPECT_TRUE(got[3].active);
    EXPECT_EQ(KyOsMessage::Paint, got[4].kind);
    EXPECT_EQ(KyOsMessage::Destroy, got[5].kind);
    EXPECT_EQ(KyOsMessage::Destroy, got[6].kind);
}

TEST_F(OsEventsTest, MinimisingDeactivatesThenReportsAnEmptySizeOneMessageAtATime)
{
    KyOsEvents::pushWindowEvent(window, SDL_WINDOWEVENT_MINIMIZED);
    KyOsMessage m;
    ASSERT_TRUE(pump.take(window, m));
    EXPECT_EQ(KyOsMessage::Activate, m.kind);
    EXPECT_FALSE(m.active);
    EXPECT_TRUE(m.minimized);
    ASSERT_TRUE(pump.take(window, m));
    EXPECT_EQ(KyOsMessage::Size, m.kind);
    EXPECT_EQ(0, m.width);
    EXPECT_EQ(0, m.height);
    EXPECT_TRUE(m.minimized);
    EXPECT_FALSE(pump.take(window, m));
}

TEST_F(OsEventsTest, ForeignAndMeaninglessEventsGiveNoMessage)
{
    SDL_Event e = {};
    e.type = SDL_MOUSEMOTION;
    e.motion.windowID = window.id() + 100;
    SDL_PushEvent(&e);
    e = {};
    e.type = SDL_KEYDOWN;
    e.key.windowID = window.id();
    SDL_PushEvent(&e);
    e = {};
    e.type = SDL_MOUSEBUTTONDOWN;
    e.button.windowID = window.id();
    e.button.button = SDL_BUTTON_MIDDLE;
    SDL_PushEvent(&e);
    KyOsEvents::pushWindowEvent(window, SDL_WINDOWEVENT_EXPOSED);

    std::vector<KyOsMessage> got = drain();
    ASSERT_EQ(1u, got.size());
    EXPECT_EQ(KyOsMessage::Paint, got[0].kind);
}

TEST_F(OsEventsTest, PushedKeysReachTheQueueAndTheWindowIgnoresThem)
{
    // A scripted run presses keys as a player would; the window has no use
    // for them yet.
    EXPECT_TRUE(KyOsEvents::pushKey(window, "Escape", true));
    EXPECT_TRUE(KyOsEvents::pushKey(window, "A", false));
    EXPECT_FALSE(KyOsEvents::pushKey(window, "NoSuchKey", true));
    EXPECT_FALSE(KyOsEvents::pushKey(window, nullptr, true));
    SDL_PumpEvents();
    SDL_Event events[4];
    const int keys = SDL_PeepEvents(events, 4, SDL_PEEKEVENT, SDL_KEYDOWN, SDL_KEYUP);
    ASSERT_EQ(2, keys);
    EXPECT_EQ(SDL_KEYDOWN, events[0].type);
    EXPECT_EQ(SDLK_ESCAPE, events[0].key.keysym.sym);
    EXPECT_EQ(window.id(), events[0].key.windowID);
    EXPECT_EQ(SDL_KEYUP, events[1].type);
    EXPECT_EQ(SDLK_a, events[1].key.keysym.sym);
    EXPECT_TRUE(drain().empty());
}

TEST_F(OsEventsTest, DispatchHandsOneMessageAtATimeToTheProcedure)
{
    g_received.clear();
    window.setProcedure(recordMessage);
    KyOsEvents::pushMouseMove(window, 4, 5);
    KyOsEvents::pushWindowEvent(window, SDL_WINDOWEVENT_EXPOSED);

    EXPECT_TRUE(pump.dispatchOne(window));
    ASSERT_EQ(1u, g_received.size());
    EXPECT_EQ(KyOsMessage::MouseMove, g_received[0].kind);
    EXPECT_TRUE(pump.dispatchOne(window));
    ASSERT_EQ(2u, g_received.size());
    EXPECT_EQ(KyOsMessage::Paint, g_received[1].kind);
    EXPECT_FALSE(pump.dispatchOne(window));
    EXPECT_EQ(2u, g_received.size());
}

TEST_F(OsEventsTest, ResizingTheWindowReachesThePumpAsASizeMessage)
{
    ASSERT_TRUE(window.setClientSize(200, 150));
    bool sized = false;
    for (const KyOsMessage& m : drain())
        if (m.kind == KyOsMessage::Size && m.width == 200 && m.height == 150)
            sized = true;
    EXPECT_TRUE(sized);
}
