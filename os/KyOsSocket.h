#ifndef KY_OS_SOCKET_H
#define KY_OS_SOCKET_H

#include <cstddef>
#include <cstdint>

// TCP over POSIX sockets, as the engine's socket classes use it: a library
// start-up and clean-up pair, IPv4 stream sockets in non-blocking mode, host
// name look-up, a connect that completes in the background, and sends and
// receives that never block and never raise SIGPIPE.
//
// Errors are the errno values (the look-up's are getaddrinfo's codes).
namespace KyOsSocket {

const int kInvalid = -1;

// The library start-up and clean-up of the engine's socket classes. Nothing
// has to be started here; the pair keeps the started state that the engine's
// count of live sockets drives, and startup returns 0 (success).
int startup();
void cleanup();
bool isStarted();
// How many times the library was started since the program began.
unsigned startupCount();

// The errno of the last failing call of this thread.
int lastError();

// A new IPv4 TCP socket; kInvalid on failure.
int create();
void close(int socket);
bool setBroadcast(int socket, bool on);
// O_NONBLOCK on (true) or off.
bool setNonBlocking(int socket, bool on);

// The IPv4 address (network byte order) of a host name or a dotted address.
// Names in the reserved top-level domain "invalid" never resolve and are
// refused without asking the resolver. On failure error holds the
// look-up's code.
bool resolve(const char* host, std::uint32_t& address, int& error);
// The address of a dotted IPv4 host ("127.0.0.1"): needs no look-up.
bool parseAddress(const char* host, std::uint32_t& address);
// Whether resolve answers host without asking the resolver (a dotted
// address, or a name that never resolves).
bool answersAtOnce(const char* host);
// The dotted form of an address (network order).
void formatAddress(std::uint32_t address, char* text, std::size_t size);

// The resolver that resolve asks for names: the system's (getaddrinfo)
// unless another is installed (null restores it). Called on whatever thread
// resolves.
typedef bool (*Resolver)(const char* host, std::uint32_t& address, int& error);
void installResolver(Resolver resolver);

enum Progress {
    Done,        // the operation completed (bytes moved, connection made)
    WouldBlock,  // nothing can be done now; try again later
    Ended,       // receive only: the peer closed the connection in order
    Failed       // error holds the errno value
};

// Starts connecting to address:port (both network order for the address,
// host order for the port). Done or WouldBlock (in progress) or Failed.
Progress connect(int socket, std::uint32_t address, std::uint16_t port, int& error);
// Whether a connection started by connect has completed: Done when it is
// established, WouldBlock while in progress, Failed (with the socket's
// pending error) when it could not be made.
Progress connectStatus(int socket, int& error);

// Sends what the socket takes now of size bytes; sent receives the count.
Progress send(int socket, const void* data, std::size_t size, std::size_t& sent, int& error);
// Receives at most size bytes; received gets the count (Done only).
Progress receive(int socket, void* data, std::size_t size, std::size_t& received, int& error);

} // namespace KyOsSocket

#endif
