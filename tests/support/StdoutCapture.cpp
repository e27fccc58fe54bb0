#include "tests/support/StdoutCapture.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <unistd.h>
#include <vector>

StdoutCapture::StdoutCapture()
    : m_saved(-1)
{
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/kystdoutXXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    int fd = mkstemp(name.data());
    if (fd < 0)
        return;
    m_file = name.data();
    std::fflush(stdout);
    m_saved = dup(STDOUT_FILENO);
    dup2(fd, STDOUT_FILENO);
    ::close(fd);
}

StdoutCapture::~StdoutCapture()
{
    std::fflush(stdout);
    // The test's own failure messages went into the capture with the log:
    // a failing test shows both.
    if (::testing::Test::HasFailure())
        std::fprintf(stderr, "---- standard output captured during the test ----\n%s----\n", text().c_str());
    if (m_saved >= 0) {
        dup2(m_saved, STDOUT_FILENO);
        ::close(m_saved);
    }
    if (!m_file.empty())
        unlink(m_file.c_str());
}

std::string StdoutCapture::text() const
{
    std::fflush(stdout);
    std::ifstream in(m_file, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}
