// Files written in the background: in the order they were asked for, and
// met written by whatever reaches the file through KyFile afterwards.

#include "core/KyFile.h"
#include "core/KyFileWriter.h"
#include "os/KyOsLog.h"
#include "os/KyOsThread.h"
#include "tests/support/StdoutCapture.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string contentOf(const std::string& path)
{
    KyFile file;
    if (!file.Open_2(path.c_str(), KyFile::ModeRead))
        return "(none)";
    std::string text;
    char block[256];
    u32 n = 0;
    while ((n = file.read(block, sizeof block)) > 0)
        text.append(block, n);
    return text;
}

void writeLater(const std::string& path, const std::string& text, const char* failure = "")
{
    KyFile::writeAtomicallyLater(path.c_str(), text.data(), u32(text.size()), failure);
}

} // namespace

TEST(FileWriterTest, WritesArriveInOrderAndAreMetByWhatComesAfter)
{
    TempDir dir;
    const std::string save = dir.path() + "/save.xml";
    const std::string other = dir.path() + "/other.xml";
    for (int round = 0; round < 20; ++round) {
        for (int i = 0; i <= round; ++i) {
            writeLater(save, std::string(size_t(1000 * i), 'x') + std::to_string(i));
            writeLater(other, "other " + std::to_string(i));
        }
        // Read, tested, written over, or deleted: the last write asked for
        // is there first.
        const std::string last = std::string(size_t(1000 * round), 'x') + std::to_string(round);
        switch (round % 4) {
        case 0:
            EXPECT_EQ(last, contentOf(save));
            break;
        case 1:
            EXPECT_TRUE(KyFile::exists(save.c_str()));
            EXPECT_EQ(last, contentOf(save));
            break;
        case 2:
            ASSERT_TRUE(KyFile::writeAtomically(save.c_str(), "now", 3));
            EXPECT_EQ("now", contentOf(save));
            break;
        default:
            ASSERT_TRUE(KyFile::DeleteFile(save.c_str()));
            EXPECT_FALSE(KyFile::exists(save.c_str()));
            break;
        }
        EXPECT_EQ("other " + std::to_string(round), contentOf(other));
    }
}

TEST(FileWriterTest, AWriteThatFailsLogsItsLine)
{
    TempDir dir;
    // Logged by the thread that waits, never by the writer's, where it
    // could land inside a line being written.
    std::string log;
    KyOsLog::Capture capture(log);
    // A folder that cannot be made: a file stands in its place.
    writeLater(dir.path() + "/kept.xml", "kept", "not logged\n");
    writeLater(dir.path() + "/kept.xml/save.xml", "text", "save refused\n");
    KyFileWriter::instance().waitForAll();
    EXPECT_EQ("save refused\n", log);
    EXPECT_EQ("kept", contentOf(dir.path() + "/kept.xml"));
}

// Thread creation refused for a while (one scene change): the writes of that
// while are made at once, with one line, and the writer uses its thread
// again afterwards, so no later write is left queued for ever.
TEST(FileWriterTest, WithoutAThreadEveryWriteIsStillMade)
{
    TempDir dir;
    const std::string save = dir.path() + "/save.xml";
    StdoutCapture log;
    KyOsThread::setCreationRefused(true);
    for (const char* text : {"in place 1", "in place 2"}) {
        writeLater(save, text);
        EXPECT_EQ(text, contentOf(save));
    }
    KyOsThread::setCreationRefused(false);
    for (int i = 0; i < 7; ++i)
        writeLater(save, "threaded " + std::to_string(i));
    EXPECT_EQ("threaded 6", contentOf(save));
    const size_t line = log.text().find("[KyFileWriter] no thread for the writes");
    EXPECT_TRUE(line != std::string::npos && line == log.text().rfind("[KyFileWriter]")) << log.text();
}
