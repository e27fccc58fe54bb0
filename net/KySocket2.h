#ifndef KY_SOCKET2_H
#define KY_SOCKET2_H

#include "core/KyArray.h"
#include "core/KyICallback0Param.h"
#include "core/KyICallback1Param.h"
#include "core/KyIntrusivePtr.h"
#include "core/KyList.h"
#include "core/KyReferencesCounter.h"
#include "core/KyString.h"
#include "core/KyTypes.h"
#include "net/KySocketBase.h"

// A TCP connection as the rest of the engine holds it: listener arrays for
// errors and received data, a queue of outgoing packets and a receive
// buffer. Every live connection is listed in a process-wide registry.
//
// Nothing moves while the game is between frames: the socket pump
// (updateAll), called once a frame by the application, completes pending
// connects, sends the queued packets in order, hands the received bytes to
// the data listeners and reports the end of a connection to the error
// listeners (12 for an orderly end, 13 for a reset or a failed send or
// receive, 6 for a connection that could not be made, 14 when nothing moved
// for longer than the timeout). A connection that ended is closed.
//
// One pump receives at most kPumpBudget bytes across all sockets, shared
// evenly among those receiving, so a frame's cost does not grow with the
// count of downloads. A socket whose reader falls behind holds its
// receiving (holdReceiving): its bytes wait in the system meanwhile, and the
// silence is not counted against the host.
class KySocket2 : public KyReferencesCounter {
public:
    typedef KyArray<KyICallback1Param<KySocketBase::Error>*> ErrorSignal;
    typedef KyArray<KyICallback1Param<const KyArray<u8>&>*> DataSignal;
    typedef KyArray<KyICallback0Param*> Signal;

    // One queued packet: its bytes and how many of them are sent.
    struct Packet {
        u32 sent = 0;
        KyArray<u8> bytes;
    };

    enum State : u32 {
        StateIdle = 0,
        StateConnecting = 1   // a connection was started (and may be established)
    };

    // The most bytes one socket receives in one pump.
    static const u32 kDefaultSizeLimit = 524288;
    // The most bytes all sockets together receive in one pump.
    static const u32 kPumpBudget = 262144;

    // Work that follows each pump (the end of a download whose file is
    // written elsewhere); registered and removed by its owner.
    class PumpTask {
    public:
        virtual ~PumpTask() {}
        virtual void afterPump() = 0;
    };
    // Microseconds without progress after which a connection is given up.
    static const u64 kDefaultTimeout = 30000000u;

    KySocket2();
    ~KySocket2() override;

    // Starts connecting to host ("name" or "name:port"). A socket that was
    // used before gets a fresh system socket first, and whatever was queued
    // or received on the old connection is dropped. On an error the error
    // listeners are called with it and the state stays idle.
    void connect(const KyString& host);
    // Queues a copy of the bytes; the pump sends them once connected.
    void send(const KyArray<u8>& bytes);
    void send(const KyString& bytes);
    // Closes the connection without calling any listener; queued and
    // received bytes are dropped.
    void close();

    // Stops (true) or resumes receiving; connects and sends go on.
    void holdReceiving(bool held) { m_held = held; }
    bool isHoldingReceiving() const { return m_held; }

    bool isBlocking() const;
    bool isConnected() const { return m_connected; }
    u32 state() const { return m_state; }
    KySocketBase* socket() const { return m_socket.get(); }
    const KyList<Packet>& sendQueue() const { return m_sendQueue; }

    u32 sizeLimit() const { return m_sizeLimit; }
    void setSizeLimit(u32 bytes) { m_sizeLimit = bytes > 0 ? bytes : 1; }
    u64 timeout() const { return m_timeout; }
    void setTimeout(u64 microseconds) { m_timeout = microseconds; }

    // The socket pump: one step of every registered socket, in registry
    // order. Listeners may close, delete or create sockets (a socket created
    // during the walk waits for the next one); a call made from inside a
    // listener does nothing.
    // Then the pump tasks, in the order they were added (one added or
    // removed meanwhile is taken into account at once).
    static void updateAll();
    static void addPumpTask(PumpTask* task);
    static void removePumpTask(PumpTask* task);
    // The live sockets, in the order they were created.
    static const KyArray<KySocket2*>& registry();

    // Called with the error code when a connect fails or a connection ends.
    ErrorSignal errorListeners;
    // Called with the bytes received in one pump.
    DataSignal dataListeners;
    // Called when a connection started by connect is established.
    Signal connectedListeners;
    // Called with the bytes of each packet once all of it is sent.
    DataSignal sentListeners;
    // Called when the last queued packet has been sent.
    Signal queueEmptyListeners;

protected:
    // Makes the system socket a new connection uses; the base class has
    // none to make.
    virtual KySocketBase* createSocket() { return nullptr; }

    KyIntrusivePtr<KySocketBase> m_socket;

private:
    KySocket2(const KySocket2&) = delete;
    KySocket2& operator=(const KySocket2&) = delete;

    // One pump step of this socket, receiving at most budget bytes.
    void pump(u32 budget);
    // Connected, not held, with a connection in progress: it would receive.
    bool isReceiving() const;
    // Sends what the system takes of the queue. False when the connection
    // broke, or when this socket was closed or deleted by a listener (alive
    // tells which).
    bool flushQueue(bool& alive);
    // Receives up to limit bytes into the receive buffer; ended and broken
    // tell how the connection stands afterwards.
    void receiveBlock(u32 limit, bool& ended, bool& broken);
    // Closes, then calls the error listeners with error (the last thing the
    // caller does: a listener may delete this socket).
    void fail(KySocketBase::Error error);
    bool timedOut() const;

    bool m_connected;
    u32 m_state;
    u32 m_sizeLimit;
    u64 m_timeout;
    u64 m_lastProgress;
    KyList<Packet> m_sendQueue;
    KyArray<u8> m_receiveBuffer;
    // Points to the flag of the pump step in progress, cleared when this
    // socket is destroyed under it.
    bool* m_alive;
    // A connect was made on the system socket: the next one needs a new one.
    bool m_used;
    bool m_held;
};

#endif
