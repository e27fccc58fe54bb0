#ifndef KY_TEST_ADVERT_SERVER_H
#define KY_TEST_ADVERT_SERVER_H

#include <functional>
#include <string>
#include <sys/types.h>
#include <vector>

// The advert server of tools/ run as a real process for one test: it serves
// a folder on a loopback port it chooses, in one of its modes ("normal",
// "names", "endless", "garbage", "bigheader", "short", "silent", "cutindex",
// "portal", "cutbody", "manynames", "bigpictures", "bombpictures", "textbombs",
// "padded"; see
// tools/advert_server.py). The server
// is stopped (and waited for) when the object is destroyed.
class AdvertServer {
public:
    static const char* const kPath;

    // maxRequests > 0 stops the server after that many answers; options go
    // on the server's command line as they are ("--cut", "7").
    explicit AdvertServer(const std::string& root, const std::string& mode = "normal", int maxRequests = 0,
                          const std::vector<std::string>& options = {});
    ~AdvertServer();
    AdvertServer(const AdvertServer&) = delete;
    AdvertServer& operator=(const AdvertServer&) = delete;

    // True once the server printed where it listens.
    bool ok() const { return !m_address.empty(); }
    // "127.0.0.1:port"
    const std::string& address() const { return m_address; }
    // address + kPath: the web location the rotator is given.
    std::string location() const { return m_address + kPath; }
    // Stops the server now.
    void stop();
    // Holds the server's process (connections wait, unanswered) or lets it
    // go on.
    void hold(bool held);
    // Whether the process still runs.
    bool running();

private:
    pid_t m_pid;
    std::string m_address;
};

// Runs the socket pump (and the timers) until done() holds or seconds of
// real time have passed; true when done() held. Waiting here is for the
// loopback server's input and output, not for the engine's clock; the limit
// only ends a test that hangs, so it is far beyond what a busy machine takes.
bool pumpUntil(const std::function<bool()>& done, double seconds = 300.0);

#endif
