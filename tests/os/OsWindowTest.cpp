#include "os/KyOsWindow.h"

#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <string>

namespace {

int g_calls = 0;
void countMessage(const KyOsMessage&) { ++g_calls; }

} // namespace

TEST(OsWindowTest, WindowedCreationGivesTheRequestedClientArea)
{
    KyOsWindow window;
    ASSERT_TRUE(window.create("first", 320, 200, false));
    EXPECT_TRUE(window.exists());
    EXPECT_NE(0u, window.id());
    EXPECT_FALSE(window.isFullScreen());
    std::int32_t w = 0, h = 0;
    ASSERT_TRUE(window.clientSize(w, h));
    EXPECT_EQ(320, w);
    EXPECT_EQ(200, h);

    EXPECT_TRUE(window.setTitle("second"));
    EXPECT_EQ(std::string("second"), SDL_GetWindowTitle(window.sdlWindow()));
    EXPECT_FALSE(window.setTitle(nullptr));

    EXPECT_TRUE(window.setClientSize(400, 300));
    window.clientSize(w, h);
    EXPECT_EQ(400, w);
    EXPECT_EQ(300, h);
    EXPECT_FALSE(window.setClientSize(0, 300));
    EXPECT_FALSE(window.setClientSize(400, -1));
    window.clientSize(w, h);
    EXPECT_EQ(400, w);
}

TEST(OsWindowTest, FullScreenCoversTheDesktop)
{
    std::int32_t dw = 0, dh = 0;
    ASSERT_TRUE(KyOsWindow::desktopSize(dw, dh));
    EXPECT_GT(dw, 0);
    EXPECT_GT(dh, 0);

    KyOsWindow window;
    ASSERT_TRUE(window.create("full", 320, 200, true));
    EXPECT_TRUE(window.isFullScreen());
    std::int32_t w = 0, h = 0;
    window.clientSize(w, h);
    EXPECT_EQ(dw, w);
    EXPECT_EQ(dh, h);
    EXPECT_TRUE(window.setFullScreen(false));
    EXPECT_FALSE(window.isFullScreen());
    EXPECT_TRUE(window.setFullScreen(true));
    EXPECT_TRUE(window.isFullScreen());
}

TEST(OsWindowTest, WithoutAWindowEverythingRefusesQuietly)
{
    KyOsWindow window;
    ASSERT_TRUE(window.create("gone", 100, 100, false, countMessage));
    window.destroy();
    window.destroy();
    EXPECT_FALSE(window.exists());
    EXPECT_EQ(0u, window.id());
    EXPECT_FALSE(window.setTitle("x"));
    EXPECT_FALSE(window.setClientSize(10, 10));
    EXPECT_FALSE(window.setFullScreen(true));
    EXPECT_FALSE(window.isFullScreen());
    std::int32_t w = 1, h = 1, x = 1, y = 1;
    EXPECT_FALSE(window.clientSize(w, h));
    EXPECT_FALSE(window.position(x, y));
    EXPECT_EQ(0, w + h + x + y);
    window.minimize();
    window.restore();
    window.raise();

    // The procedure outlives the system window; a new create replaces it.
    g_calls = 0;
    window.dispatch(KyOsMessage::paint());
    EXPECT_EQ(1, g_calls);
    ASSERT_TRUE(window.create("again", 100, 100, false));
    window.dispatch(KyOsMessage::paint());
    EXPECT_EQ(1, g_calls);
}
