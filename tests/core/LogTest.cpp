#include "core/KyLog.h"

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
