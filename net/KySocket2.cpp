#include "net/KySocket2.h"

#include "os/KyOsClock.h"
#include "os/KyOsSocket.h"

#include <cstring>

namespace {

// The registry of live sockets, freed at exit. Sockets destroyed after that
// (static ones) find it null and have nothing to leave.
KyArray<KySocket2*>* g_registry = nullptr;

struct RegistryOwner {
    ~RegistryOwner()
    {
        delete g_registry;
        g_registry = nullptr;
    }
} g_registryOwner;

KyArray<KySocket2*>& registryList()
{
    if (!g_registry)
        g_registry = new KyArray<KySocket2*>;
    return *g_registry;
}

bool g_pumping = false;

KyArray<KySocket2::PumpTask*>* g_tasks = nullptr;

struct TasksOwner {
    ~TasksOwner()
    {
        delete g_tasks;
        g_tasks = nullptr;
    }
} g_tasksOwner;

} // namespace

KySocket2::KySocket2()
    : m_connected(false)
    , m_state(StateIdle)
    , m_sizeLimit(kDefaultSizeLimit)
    , m_timeout(kDefaultTimeout)
    , m_lastProgress(0)
    , m_alive(nullptr)
    , m_used(false)
    , m_held(false)
{
    registryList().pushBack(this);
}

KySocket2::~KySocket2()
{
    if (m_alive)
        *m_alive = false;
    if (g_registry)
        g_registry->remove(this);
    m_sendQueue.clear();
    m_receiveBuffer.clear();
    m_socket.reset();
}

void KySocket2::connect(const KyString& host)
{
    if (m_used || !m_socket) {
        KySocketBase* fresh = createSocket();
        if (fresh)
            m_socket = fresh;
    }
    m_used = true;
    m_held = false;
    m_connected = false;
    m_state = StateIdle;
    m_sendQueue.clear();
    m_receiveBuffer.clear();

    if (!m_socket) {
        errorListeners.call(KySocketBase::ErrorCreate);
        return;
    }
    m_socket->connect(host);
    KySocketBase::Error error = m_socket->error();
    if (error != KySocketBase::ErrorNone) {
        errorListeners.call(error);
        return;
    }
    if (m_socket->isBlocking())
        m_connected = true;
    m_state = StateConnecting;
    m_lastProgress = KyOsClock::microseconds();
}

void KySocket2::send(const KyArray<u8>& bytes)
{
    Packet packet;
    packet.bytes.copy(bytes);
    m_sendQueue.pushBack(packet);
}

void KySocket2::send(const KyString& bytes)
{
    Packet packet;
    packet.bytes.resize(bytes.length());
    for (u32 i = 0; i < bytes.length(); ++i)
        packet.bytes[i] = static_cast<u8>(bytes.at(i));
    m_sendQueue.pushBack(packet);
}

void KySocket2::close()
{
    if (m_socket)
        m_socket->close();
    m_connected = false;
    m_state = StateIdle;
    m_sendQueue.clear();
    m_receiveBuffer.clear();
}

bool KySocket2::isBlocking() const
{
    return m_socket && m_socket->isBlocking();
}

const KyArray<KySocket2*>& KySocket2::registry()
{
    return registryList();
}

void KySocket2::updateAll()
{
    if (g_pumping)
        return;
    g_pumping = true;
    if (g_registry) {
        // The walk goes over a copy: listeners may create and delete sockets.
        // A socket deleted meanwhile has left the registry and is skipped.
        KyArray<KySocket2*> sockets;
        sockets.copy(*g_registry);
        u32 receiving = 0;
        for (u32 i = 0; i < sockets.count(); ++i)
            receiving += sockets[i]->isReceiving() ? 1 : 0;
        // An even share of the pump's budget each.
        const u32 share = receiving > 0 ? kPumpBudget / receiving : kPumpBudget;
        for (u32 i = 0; i < sockets.count(); ++i) {
            if (g_registry && g_registry->contains(sockets[i]))
                sockets[i]->pump(share > 0 ? share : 1);
        }
    }
    if (g_tasks) {
        KyArray<PumpTask*> tasks;
        tasks.copy(*g_tasks);
        for (u32 i = 0; i < tasks.count(); ++i) {
            if (g_tasks && g_tasks->contains(tasks[i]))
                tasks[i]->afterPump();
        }
    }
    g_pumping = false;
}

void KySocket2::addPumpTask(PumpTask* task)
{
    if (!g_tasks)
        g_tasks = new KyArray<PumpTask*>;
    if (task && !g_tasks->contains(task))
        g_tasks->pushBack(task);
}

void KySocket2::removePumpTask(PumpTask* task)
{
    if (g_tasks)
        g_tasks->remove(task);
}

bool KySocket2::isReceiving() const
{
    return m_state == StateConnecting && m_connected && !m_held && m_socket && m_socket->isOpen();
}

bool KySocket2::timedOut() const
{
    u64 now = KyOsClock::microseconds();
    return now > m_lastProgress && now - m_lastProgress > m_timeout;
}

void KySocket2::fail(KySocketBase::Error error)
{
    close();
    if (m_socket)
        m_socket->setError(error);
    errorListeners.call(error);
}

void KySocket2::pump(u32 budget)
{
    if (m_state != StateConnecting || !m_socket || !m_socket->isOpen())
        return;

    bool alive = true;
    m_alive = nullptr;

    if (!m_connected) {
        int code = 0;
        KyOsSocket::Progress progress = KyOsSocket::connectStatus(m_socket->handle(), code);
        if (progress == KyOsSocket::Failed) {
            fail(KySocketBase::ErrorConnect);
            return;
        }
        if (progress == KyOsSocket::WouldBlock) {
            if (timedOut())
                fail(KySocketBase::ErrorTimeout);
            return;
        }
        m_connected = true;
        m_lastProgress = KyOsClock::microseconds();
        m_alive = &alive;
        connectedListeners.call();
        if (!alive)
            return;
        m_alive = nullptr;
        if (m_state != StateConnecting)
            return;
    }

    if (!flushQueue(alive)) {
        if (alive && m_state == StateConnecting)
            fail(KySocketBase::ErrorReset);
        return;
    }

    if (m_held) {
        // The reader is behind, not the host.
        m_lastProgress = KyOsClock::microseconds();
        return;
    }
    bool ended = false;
    bool broken = false;
    receiveBlock(budget < m_sizeLimit ? budget : m_sizeLimit, ended, broken);
    if (m_receiveBuffer.count() > 0) {
        m_lastProgress = KyOsClock::microseconds();
        m_alive = &alive;
        dataListeners.call(m_receiveBuffer);
        if (!alive)
            return;
        m_alive = nullptr;
        m_receiveBuffer.resize(0);
        // A listener closed the connection: nothing more to report.
        if (m_state != StateConnecting)
            return;
    }
    if (ended)
        fail(KySocketBase::ErrorClosed);
    else if (broken)
        fail(KySocketBase::ErrorReset);
    else if (timedOut())
        fail(KySocketBase::ErrorTimeout);
}

bool KySocket2::flushQueue(bool& alive)
{
    while (!m_sendQueue.isEmpty()) {
        Packet& packet = m_sendQueue.headNode()->next->value;
        while (packet.sent < packet.bytes.count()) {
            size_t sent = 0;
            int code = 0;
            KyOsSocket::Progress progress = KyOsSocket::send(m_socket->handle(), packet.bytes.data() + packet.sent,
                                                             packet.bytes.count() - packet.sent, sent, code);
            if (progress == KyOsSocket::WouldBlock)
                return true;
            if (progress == KyOsSocket::Failed)
                return false;
            packet.sent += static_cast<u32>(sent);
            m_lastProgress = KyOsClock::microseconds();
        }
        // The packet leaves the queue before anyone hears of it.
        Packet done = packet;
        m_sendQueue.eraseNode(m_sendQueue.headNode()->next);
        m_alive = &alive;
        sentListeners.call(done.bytes);
        if (alive && m_state == StateConnecting && m_sendQueue.isEmpty())
            queueEmptyListeners.call();
        if (!alive)
            return false;
        m_alive = nullptr;
        if (m_state != StateConnecting)
            return false;
    }
    return true;
}

void KySocket2::receiveBlock(u32 limit, bool& ended, bool& broken)
{
    ended = false;
    broken = false;
    m_receiveBuffer.resize(0);
    u8 chunk[65536];
    while (m_receiveBuffer.count() < limit) {
        u32 room = limit - m_receiveBuffer.count();
        size_t received = 0;
        int code = 0;
        KyOsSocket::Progress progress = KyOsSocket::receive(m_socket->handle(), chunk,
                                                            room < sizeof(chunk) ? room : sizeof(chunk), received, code);
        if (progress != KyOsSocket::Done) {
            ended = progress == KyOsSocket::Ended;
            broken = progress == KyOsSocket::Failed;
            return;
        }
        u32 old = m_receiveBuffer.count();
        m_receiveBuffer.resize(old + static_cast<u32>(received));
        std::memcpy(m_receiveBuffer.data() + old, chunk, received);
    }
}
