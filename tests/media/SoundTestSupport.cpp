#include "tests/media/SoundTestSupport.h"

#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace SoundTest {

int runChild(const std::string& filter, const std::vector<std::string>& setEnv,
             const std::vector<std::string>& unsetEnv, const std::string& outputFile)
{
    char self[4096];
    ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0)
        return -1;
    self[n] = '\0';

    // Everything is built before the spawn: the parent may have threads.
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        std::string entry(*e);
        std::string name = entry.substr(0, entry.find('='));
        bool drop = false;
        for (const std::string& u : unsetEnv)
            drop = drop || u == name;
        for (const std::string& s : setEnv)
            drop = drop || s.substr(0, s.find('=')) == name;
        if (!drop)
            env.push_back(entry);
    }
    env.insert(env.end(), setEnv.begin(), setEnv.end());
    std::vector<char*> envp;
    for (std::string& e : env)
        envp.push_back(&e[0]);
    envp.push_back(nullptr);

    std::string filterArg = "--gtest_filter=" + filter;
    std::vector<char*> argv = {self, &filterArg[0], nullptr};

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outputFile.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = 0;
    int rc = posix_spawn(&pid, self, &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        return -1;
    int status = 0;
    if (waitpid(pid, &status, 0) != pid)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace SoundTest
