#include "os/KyOsSocket.h"

#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <strings.h>
#include <sys/socket.h>
#include <sys/types.h>
#include <unistd.h>

namespace {

bool g_started = false;
unsigned g_startups = 0;

bool systemResolve(const char* host, std::uint32_t& address, int& error)
{
    addrinfo hints;
    std::memset(&hints, 0, sizeof(hints));
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    int code = ::getaddrinfo(host, nullptr, &hints, &found);
    if (code != 0 || !found) {
        if (found)
            ::freeaddrinfo(found);
        error = code != 0 ? code : EAI_NONAME;
        return false;
    }
    address = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr.s_addr;
    ::freeaddrinfo(found);
    return true;
}

std::atomic<KyOsSocket::Resolver> g_resolver(&systemResolve);

// Whether host lies in the reserved "invalid" domain ("x.invalid",
// "x.invalid.", "invalid"), whose names are never to be resolved.
bool isReservedInvalid(const char* host)
{
    size_t n = std::strlen(host);
    if (n > 0 && host[n - 1] == '.')
        --n;
    const char* suffix = "invalid";
    const size_t m = 7;
    if (n < m || strncasecmp(host + n - m, suffix, m) != 0)
        return false;
    return n == m || host[n - m - 1] == '.';
}

} // namespace

namespace KyOsSocket {

int startup()
{
    g_started = true;
    ++g_startups;
    return 0;
}

void cleanup()
{
    g_started = false;
}

bool isStarted()
{
    return g_started;
}

unsigned startupCount()
{
    return g_startups;
}

int lastError()
{
    return errno;
}

int create()
{
    int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    return s < 0 ? kInvalid : s;
}

void close(int socket)
{
    if (socket != kInvalid)
        ::close(socket);
}

bool setBroadcast(int socket, bool on)
{
    int value = on ? 1 : 0;
    return ::setsockopt(socket, SOL_SOCKET, SO_BROADCAST, &value, sizeof(value)) == 0;
}

bool setNonBlocking(int socket, bool on)
{
    int flags = ::fcntl(socket, F_GETFL, 0);
    if (flags < 0)
        return false;
    flags = on ? (flags | O_NONBLOCK) : (flags & ~O_NONBLOCK);
    return ::fcntl(socket, F_SETFL, flags) == 0;
}

bool resolve(const char* host, std::uint32_t& address, int& error)
{
    error = 0;
    if (!host || host[0] == '\0' || isReservedInvalid(host)) {
        error = EAI_NONAME;
        return false;
    }
    if (parseAddress(host, address))
        return true;
    return g_resolver.load()(host, address, error);
}

bool parseAddress(const char* host, std::uint32_t& address)
{
    in_addr parsed;
    if (!host || ::inet_pton(AF_INET, host, &parsed) != 1)
        return false;
    address = parsed.s_addr;
    return true;
}

bool answersAtOnce(const char* host)
{
    std::uint32_t address = 0;
    return !host || host[0] == '\0' || isReservedInvalid(host) || parseAddress(host, address);
}

void formatAddress(std::uint32_t address, char* text, std::size_t size)
{
    in_addr value;
    value.s_addr = address;
    if (!::inet_ntop(AF_INET, &value, text, socklen_t(size)) && size > 0)
        text[0] = '\0';
}

void installResolver(Resolver resolver)
{
    g_resolver.store(resolver ? resolver : &systemResolve);
}

Progress connect(int socket, std::uint32_t address, std::uint16_t port, int& error)
{
    sockaddr_in target;
    std::memset(&target, 0, sizeof(target));
    target.sin_family = AF_INET;
    target.sin_port = htons(port);
    target.sin_addr.s_addr = address;
    error = 0;
    if (::connect(socket, reinterpret_cast<const sockaddr*>(&target), sizeof(target)) == 0)
        return Done;
    error = errno;
    return error == EINPROGRESS || error == EINTR || error == EWOULDBLOCK || error == EAGAIN ? WouldBlock : Failed;
}

Progress connectStatus(int socket, int& error)
{
    error = 0;
    pollfd entry;
    entry.fd = socket;
    entry.events = POLLOUT;
    entry.revents = 0;
    int ready = ::poll(&entry, 1, 0);
    if (ready < 0) {
        error = errno;
        return error == EINTR ? WouldBlock : Failed;
    }
    if (ready == 0)
        return WouldBlock;
    int pending = 0;
    socklen_t length = sizeof(pending);
    if (::getsockopt(socket, SOL_SOCKET, SO_ERROR, &pending, &length) != 0) {
        error = errno;
        return Failed;
    }
    if (pending != 0) {
        error = pending;
        return Failed;
    }
    return (entry.revents & (POLLERR | POLLNVAL)) ? Failed : Done;
}

Progress send(int socket, const void* data, std::size_t size, std::size_t& sent, int& error)
{
    sent = 0;
    error = 0;
    ssize_t n = ::send(socket, data, size, MSG_NOSIGNAL);
    if (n >= 0) {
        sent = static_cast<std::size_t>(n);
        return Done;
    }
    error = errno;
    return error == EAGAIN || error == EWOULDBLOCK || error == EINTR ? WouldBlock : Failed;
}

Progress receive(int socket, void* data, std::size_t size, std::size_t& received, int& error)
{
    received = 0;
    error = 0;
    ssize_t n = ::recv(socket, data, size, 0);
    if (n > 0) {
        received = static_cast<std::size_t>(n);
        return Done;
    }
    if (n == 0)
        return Ended;
    error = errno;
    return error == EAGAIN || error == EWOULDBLOCK || error == EINTR ? WouldBlock : Failed;
}

} // namespace KyOsSocket
