#include "tests/net/AdvertServer.h"

#include "core/KyTimer.h"
#include "net/KySocket2.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

const char* const AdvertServer::kPath = "/Orvalen3/PC/Part3/Ads";

AdvertServer::AdvertServer(const std::string& root, const std::string& mode, int maxRequests,
                           const std::vector<std::string>& options)
    : m_pid(-1)
{
    int out[2];
    if (pipe(out) != 0)
        return;
    std::vector<std::string> args = {KY_PYTHON3, KY_ADVERT_SERVER, "--root", root, "--mode", mode};
    if (maxRequests > 0) {
        args.push_back("--max-requests");
        args.push_back(std::to_string(maxRequests));
    }
    args.insert(args.end(), options.begin(), options.end());
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(&a[0]);
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    posix_spawn_file_actions_addclose(&actions, out[1]);
    int spawned = posix_spawn(&m_pid, KY_PYTHON3, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    if (spawned != 0) {
        m_pid = -1;
        close(out[0]);
        return;
    }

    // The first line is "host:port". It comes however long a busy machine
    // takes to start the interpreter; a server that dies closes the pipe.
    std::string line;
    for (;;) {
        char c;
        const ssize_t n = read(out[0], &c, 1);
        if (n < 0 && errno == EINTR)
            continue;
        if (n != 1)
            break;
        if (c == '\n') {
            m_address = line;
            break;
        }
        line += c;
    }
    close(out[0]);
}

AdvertServer::~AdvertServer()
{
    stop();
}

void AdvertServer::stop()
{
    if (m_pid <= 0)
        return;
    kill(m_pid, SIGTERM);
    // A held server takes the signal once it goes on.
    kill(m_pid, SIGCONT);
    int status = 0;
    waitpid(m_pid, &status, 0);
    m_pid = -1;
}

void AdvertServer::hold(bool held)
{
    if (m_pid > 0)
        kill(m_pid, held ? SIGSTOP : SIGCONT);
}

bool AdvertServer::running()
{
    if (m_pid <= 0)
        return false;
    int status = 0;
    if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
        m_pid = -1;
        return false;
    }
    return true;
}

bool pumpUntil(const std::function<bool()>& done, double seconds)
{
    auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    for (;;) {
        KySocket2::updateAll();
        KyTimer::updateAll();
        if (done())
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}
