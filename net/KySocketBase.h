#ifndef KY_SOCKETBASE_H
#define KY_SOCKETBASE_H

#include "core/KyReferencesCounter.h"
#include "core/KyString.h"
#include "core/KyTypes.h"

// The owner of one system TCP socket: library start-up, creation, options,
// non-blocking mode, connect and close. Every operation starts by clearing
// the error and leaves the code of its failure in it. The first live socket
// of the process starts the socket library and the last one destroyed cleans
// it up.
class KySocketBase : public KyReferencesCounter {
public:
    // The codes a socket reports; only the numbers matter to the callers.
    enum Error : u32 {
        ErrorNone = 0,
        ErrorStartup = 1,       // starting the socket library failed
        ErrorCreate = 2,        // creating the socket failed
        ErrorBlocking = 3,      // setting the blocking mode failed
        ErrorUnknownHost = 5,   // resolving the host name failed
        ErrorConnect = 6,       // the connection could not be made
        ErrorClosed = 12,       // the peer ended the connection in order
        ErrorReset = 13,        // the connection broke (reset, send or receive failure)
        ErrorTimeout = 14       // nothing moved for longer than the socket's timeout
    };

    static const u16 kDefaultPort = 80;

    // Starts the library when no other socket lives, creates the socket,
    // allows broadcast and makes it non-blocking. A failure is logged and
    // kept in the error; construction always completes.
    KySocketBase();
    ~KySocketBase() override;

    // Sets blocking (true) or non-blocking (false) mode. Logs and sets
    // error 3 on failure. The engine's sockets are non-blocking: the socket
    // pump of KySocket2 moves their data once a frame.
    void blocking(bool on);

    // Resolves host and starts connecting to it. The host may end with
    // ":port" (decimal, 1 to 65535); the port is 80 otherwise. A connection
    // still in progress is no error.
    void connect(const KyString& host);
    // Closes the system socket; the error is cleared.
    void close();

    Error error() const { return m_error; }
    bool isBlocking() const { return m_blocking; }
    // The system socket; KyOsSocket::kInvalid when none.
    int handle() const { return m_handle; }
    bool isOpen() const;
    void setError(Error error) { m_error = error; }

    // Sockets alive in the process (the count that starts and cleans up the
    // library).
    static u32 liveCount();

    // Splits "name[:port]"; false when a port is given and is not a number
    // from 1 to 65535.
    static bool splitHostPort(const KyString& host, KyString& name, u16& port);

private:
    KySocketBase(const KySocketBase&) = delete;
    KySocketBase& operator=(const KySocketBase&) = delete;

    int m_handle;
    s32 m_family;
    Error m_error;
    bool m_blocking;
};

#endif
