#include "core/KyLog.h"
#include "os/KyOsLog.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

namespace {

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

} // namespace

// The log line must be in the redirected file as soon as logPrint returns,
// without any later flush or close of standard output.
TEST(Log, LineReachesRedirectedStdoutAtOnce)
{
    char path[] = "/tmp/kylogXXXXXX";
    int fd = mkstemp(path);
    ASSERT_GE(fd, 0);

    std::fflush(stdout);
    int saved = dup(STDOUT_FILENO);
    ASSERT_GE(saved, 0);
    ASSERT_GE(dup2(fd, STDOUT_FILENO), 0);

    int n = logPrint("[KyFile::Open_2] Le fichier %s n'existe pas.\n", "a.png");
    std::string seen = readFile(path);

    dup2(saved, STDOUT_FILENO);
    close(saved);
    close(fd);
    unlink(path);

    EXPECT_EQ(seen, "[KyFile::Open_2] Le fichier a.png n'existe pas.\n");
    EXPECT_EQ(n, static_cast<int>(seen.size()));
}

TEST(Log, NoLineEndIsAdded)
{
    char path[] = "/tmp/kylogXXXXXX";
    int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    std::fflush(stdout);
    int saved = dup(STDOUT_FILENO);
    dup2(fd, STDOUT_FILENO);
    logPrint("Remove globals condition ");
    std::string seen = readFile(path);
    dup2(saved, STDOUT_FILENO);
    close(saved);
    close(fd);
    unlink(path);
    EXPECT_EQ(seen, "Remove globals condition ");
}

// An alert is a log line that also reaches the console the program was
// started from (kept apart from the log by the start-up), or standard
// error when no console is kept.
TEST(Log, AnAlertAlsoReachesTheConsole)
{
    char logPath[] = "/tmp/kylogXXXXXX";
    char errPath[] = "/tmp/kyerrXXXXXX";
    const int log = mkstemp(logPath);
    const int err = mkstemp(errPath);
    int console[2];
    ASSERT_GE(log, 0);
    ASSERT_GE(err, 0);
    ASSERT_EQ(0, pipe2(console, O_NONBLOCK));
    std::fflush(stdout);
    std::fflush(stderr);
    const int savedOut = dup(STDOUT_FILENO);
    const int savedErr = dup(STDERR_FILENO);
    dup2(log, STDOUT_FILENO);
    dup2(err, STDERR_FILENO);

    EXPECT_TRUE(KyOsLog::keepConsole(console[1]));
    // The console is a copy: closing the descriptor given keeps it.
    close(console[1]);
    const int kept = logAlert("%s could not be written\n", "save.xml");
    char seen[128] = {};
    const ssize_t n = read(console[0], seen, sizeof seen - 1);
    EXPECT_TRUE(KyOsLog::keepConsole(-1));
    logAlert("no console\n");
    const std::string logged = readFile(logPath);
    const std::string errors = readFile(errPath);

    dup2(savedOut, STDOUT_FILENO);
    dup2(savedErr, STDERR_FILENO);
    close(savedOut);
    close(savedErr);
    close(console[0]);
    close(log);
    close(err);
    unlink(logPath);
    unlink(errPath);

    EXPECT_EQ(kept, int(std::string("save.xml could not be written\n").size()));
    EXPECT_EQ(std::string(seen, n > 0 ? size_t(n) : 0), "save.xml could not be written\n");
    EXPECT_EQ(logged, "save.xml could not be written\nno console\n");
    EXPECT_EQ(errors, "no console\n");
}
