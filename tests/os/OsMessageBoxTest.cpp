#include "os/KyOsMessageBox.h"

#include "tests/support/ScopedEnv.h"
#include "tests/support/StdoutCapture.h"

#include <gtest/gtest.h>

#include <string>

TEST(OsMessageBoxTest, HeadlessOnlyForTheValueOne)
{
    {
        ScopedEnv env("KY_HEADLESS", "1");
        EXPECT_TRUE(KyOsMessageBox::isHeadless());
    }
    {
        ScopedEnv env("KY_HEADLESS", "0");
        EXPECT_FALSE(KyOsMessageBox::isHeadless());
    }
    {
        ScopedEnv env("KY_HEADLESS");
        EXPECT_FALSE(KyOsMessageBox::isHeadless());
    }
}

TEST(OsMessageBoxTest, HeadlessBoxLogsTheTextAndAnswersAtOnce)
{
    ScopedEnv env("KY_HEADLESS", "1");
    StdoutCapture capture;
    const KyOsMessageBox::Answer answer =
        KyOsMessageBox::show("The Fullscreen Mode Is Not Supported By\nYour Video Card.", "KyEngine");
    const KyOsMessageBox::Answer empty = KyOsMessageBox::show(nullptr, nullptr, KyOsMessageBox::Error);
    const std::string log = capture.text();

    EXPECT_EQ(KyOsMessageBox::Ok, answer);
    EXPECT_EQ(KyOsMessageBox::Ok, empty);
    EXPECT_NE(std::string::npos, log.find("KyEngine: The Fullscreen Mode Is Not Supported By\nYour Video Card.\n"));
}
