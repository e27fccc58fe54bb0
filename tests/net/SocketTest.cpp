#include "core/KyCallback0Param.h"
#include "core/KyCallback1Param.h"
#include "net/KySocket2.h"
#include "net/KySocketBase.h"
#include "net/KyTcpSocket.h"
#include "os/KyOsClock.h"
#include "os/KyOsSocket.h"

#include "tests/net/AdvertServer.h"
#include "tests/net/LoopbackPeer.h"
#include "tests/support/StdoutCapture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <arpa/inet.h>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {

// Records what a socket reports.
struct Recorder {
    std::vector<u32> errors;
    std::string data;
    int connected = 0;
    KySocket2* deleteOnData = nullptr;
    KySocket2* closeOnData = nullptr;

    bool onError(KySocketBase::Error error)
    {
        errors.push_back(error);
        return false;
    }
    bool onData(const KyArray<u8>& bytes)
    {
        data.append(reinterpret_cast<const char*>(bytes.data()), bytes.count());
        if (closeOnData)
            closeOnData->close();
        if (deleteOnData) {
            KySocket2* victim = deleteOnData;
            deleteOnData = nullptr;
            delete victim;
        }
        return false;
    }
    bool onConnected()
    {
        ++connected;
        return false;
    }
    void listen(KySocket2& socket)
    {
        socket.errorListeners.pushBack(kyNewCallback(this, &Recorder::onError));
        socket.dataListeners.pushBack(kyNewCallback(this, &Recorder::onData));
        socket.connectedListeners.pushBack(kyNewCallback(this, &Recorder::onConnected));
    }
};

KyArray<u8> bytesOf(const std::string& text)
{
    KyArray<u8> bytes;
    bytes.resize(u32(text.size()));
    std::memcpy(bytes.data(), text.data(), text.size());
    return bytes;
}

} // namespace

TEST(SocketBase, TheLibraryStartsWithTheFirstSocketAndEndsWithTheLast)
{
    ASSERT_EQ(KySocketBase::liveCount(), 0u);
    unsigned startups = KyOsSocket::startupCount();
    {
        KyIntrusivePtr<KySocketBase> first(new KySocketBase);
        EXPECT_TRUE(KyOsSocket::isStarted());
        {
            KyIntrusivePtr<KySocketBase> second(new KySocketBase);
            EXPECT_EQ(KySocketBase::liveCount(), 2u);
            EXPECT_EQ(first->error(), KySocketBase::ErrorNone);
            EXPECT_FALSE(second->isBlocking());
            EXPECT_TRUE(second->isOpen());
        }
        EXPECT_TRUE(KyOsSocket::isStarted());
        EXPECT_EQ(KySocketBase::liveCount(), 1u);
    }
    EXPECT_FALSE(KyOsSocket::isStarted());
    EXPECT_EQ(KyOsSocket::startupCount(), startups + 1);
}

TEST(SocketBase, HostAndPortAreSplitAndCheckedBeforeAnyLookUp)
{
    struct Case {
        const char* host;
        bool ok;
        const char* name;
        u16 port;
    } cases[] = {
        {"example.org", true, "example.org", 80},     {"127.0.0.1:8123", true, "127.0.0.1", 8123},
        {"host:65535", true, "host", 65535},          {"host:0", false, "", 0},
        {"host:65536", false, "", 0},                 {"host:", false, "", 0},
        {"host:12a", false, "", 0},                   {"host:999999", false, "", 0},
    };
    for (const Case& c : cases) {
        KyString name;
        u16 port = 0;
        EXPECT_EQ(KySocketBase::splitHostPort(KyString(c.host), name, port), c.ok) << c.host;
        if (c.ok) {
            EXPECT_STREQ(name.c_str(), c.name) << c.host;
            EXPECT_EQ(port, c.port) << c.host;
        }
    }
}

TEST(Socket2, AHostThatDoesNotResolveIsReportedAsError5AndLeavesTheSocketIdle)
{
    for (const char* host : {"ads.orvalen.invalid", "INVALID.", "ads.invalid:8080", "127.0.0.1:0", "", "x:port"}) {
        KyTcpSocket socket;
        Recorder recorder;
        recorder.listen(socket);
        StdoutCapture log;
        socket.connect(KyString(host));
        EXPECT_NE(log.text().find(std::string("[KySocketBase::connect] Unknown host : ") + host + ". Error : "),
                  std::string::npos)
            << log.text();
        EXPECT_EQ(recorder.errors, std::vector<u32>{5}) << host;
        EXPECT_EQ(socket.state(), u32(KySocket2::StateIdle));
        EXPECT_EQ(socket.socket()->error(), KySocketBase::ErrorUnknownHost);
    }
}

TEST(Socket2, TheRegistryListsEveryLiveSocketOnce)
{
    u32 before = KySocket2::registry().count();
    KySocket2* a = new KyTcpSocket;
    KySocket2* b = new KyTcpSocket;
    EXPECT_EQ(KySocket2::registry().count(), before + 2);
    delete a;
    EXPECT_EQ(KySocket2::registry().count(), before + 1);
    EXPECT_TRUE(KySocket2::registry().contains(b));
    EXPECT_FALSE(KySocket2::registry().contains(a));
    delete b;
    EXPECT_EQ(KySocket2::registry().count(), before);
}

TEST(Socket2, ASocketWithoutSystemSocketReportsTheCreationError)
{
    KySocket2 bare;
    Recorder recorder;
    recorder.listen(bare);
    bare.connect(KyString("127.0.0.1"));
    EXPECT_EQ(recorder.errors, std::vector<u32>{2});
    EXPECT_EQ(bare.state(), u32(KySocket2::StateIdle));
}

TEST(Socket2Pump, ConnectsSendsInOrderReceivesAndReportsTheOrderlyEnd)
{
    LoopbackPeer peer;
    KyTcpSocket socket;
    Recorder recorder;
    recorder.listen(socket);
    socket.connect(KyString(peer.host().c_str()));
    // In progress: no error, nothing fired yet.
    EXPECT_TRUE(recorder.errors.empty());
    EXPECT_EQ(socket.state(), u32(KySocket2::StateConnecting));
    EXPECT_FALSE(socket.isConnected());

    socket.send(bytesOf("first "));
    socket.send(KyString("second "));
    socket.send(bytesOf("third"));
    ASSERT_TRUE(peer.accept());
    EXPECT_EQ(peer.read(18), "first second third");
    EXPECT_EQ(recorder.connected, 1);
    EXPECT_TRUE(socket.isConnected());
    EXPECT_TRUE(socket.sendQueue().isEmpty());

    peer.write("reply bytes");
    ASSERT_TRUE(pumpUntil([&] { return recorder.data.size() == 11; }));
    EXPECT_EQ(recorder.data, "reply bytes");

    peer.closeConnection();
    ASSERT_TRUE(pumpUntil([&] { return !recorder.errors.empty(); }));
    EXPECT_EQ(recorder.errors, std::vector<u32>{12});
    EXPECT_EQ(socket.state(), u32(KySocket2::StateIdle));
    EXPECT_FALSE(socket.socket()->isOpen());
}

TEST(Socket2Pump, APacketTheSystemTakesInPartsIsSentWholeAndInOrder)
{
    LoopbackPeer peer;
    KyTcpSocket socket;
    socket.connect(KyString(peer.host().c_str()));
    ASSERT_TRUE(peer.accept());
    std::string big(8u << 20, '\0');
    for (size_t i = 0; i < big.size(); ++i)
        big[i] = char(i * 7 + (i >> 12));
    socket.send(bytesOf(big));
    socket.send(bytesOf("tail"));
    // The peer does not read yet: the system buffers fill and the packet
    // goes out in parts.
    for (int i = 0; i < 20; ++i)
        KySocket2::updateAll();
    ASSERT_FALSE(socket.sendQueue().isEmpty());
    const KySocket2::Packet& first = socket.sendQueue().headNode()->next->value;
    EXPECT_GT(first.sent, 0u);
    EXPECT_LT(first.sent, first.bytes.count());
    EXPECT_EQ(peer.read(big.size() + 4), big + "tail");
}

TEST(Socket2Pump, AResetConnectionIsError13AndARefusedOneError6)
{
    {
        LoopbackPeer peer;
        KyTcpSocket socket;
        Recorder recorder;
        recorder.listen(socket);
        socket.connect(KyString(peer.host().c_str()));
        ASSERT_TRUE(peer.accept());
        ASSERT_TRUE(pumpUntil([&] { return socket.isConnected(); }));
        peer.reset();
        ASSERT_TRUE(pumpUntil([&] { return !recorder.errors.empty(); }));
        EXPECT_EQ(recorder.errors, std::vector<u32>{13});
    }
    std::string closedPort;
    {
        LoopbackPeer gone;
        closedPort = gone.host();
    }
    KyTcpSocket socket;
    Recorder recorder;
    recorder.listen(socket);
    socket.connect(KyString(closedPort.c_str()));
    ASSERT_TRUE(pumpUntil([&] { return !recorder.errors.empty(); }));
    EXPECT_EQ(recorder.errors, std::vector<u32>{6});
    EXPECT_EQ(recorder.connected, 0);
}

TEST(Socket2Pump, ListenersMayDeleteOrCloseSocketsWhileThePumpWalks)
{
    LoopbackPeer peerA;
    LoopbackPeer peerB;
    KySocket2* a = new KyTcpSocket;
    KyTcpSocket b;
    Recorder recorderA;
    Recorder recorderB;
    recorderA.listen(*a);
    recorderB.listen(b);
    // A's data listener deletes A itself; B's closes B.
    recorderA.deleteOnData = a;
    recorderB.closeOnData = &b;
    a->connect(KyString(peerA.host().c_str()));
    b.connect(KyString(peerB.host().c_str()));
    ASSERT_TRUE(peerA.accept());
    ASSERT_TRUE(peerB.accept());
    peerA.write("to a");
    peerB.write("to b");
    peerA.closeConnection();
    peerB.closeConnection();
    ASSERT_TRUE(pumpUntil([&] { return recorderA.data == "to a" && recorderB.data == "to b"; }));
    for (int i = 0; i < 10; ++i)
        KySocket2::updateAll();
    // Neither reports the end: one is gone, the other was closed by its
    // listener.
    EXPECT_TRUE(recorderA.errors.empty());
    EXPECT_TRUE(recorderB.errors.empty());
    EXPECT_FALSE(KySocket2::registry().contains(a));
    EXPECT_EQ(b.state(), u32(KySocket2::StateIdle));
}

TEST(Socket2Pump, AConnectionWhereNothingMovesTimesOutAsError14)
{
    LoopbackPeer peer;
    KyTcpSocket socket;
    Recorder recorder;
    recorder.listen(socket);
    KyOsClock::installFake(1000000);
    socket.setTimeout(5000000);
    socket.connect(KyString(peer.host().c_str()));
    ASSERT_TRUE(peer.accept());
    ASSERT_TRUE(pumpUntil([&] { return socket.isConnected(); }));
    KyOsClock::advanceFake(4000000);
    KySocket2::updateAll();
    EXPECT_TRUE(recorder.errors.empty());
    KyOsClock::advanceFake(2000000);
    KySocket2::updateAll();
    KyOsClock::install(nullptr);
    EXPECT_EQ(recorder.errors, std::vector<u32>{14});
    EXPECT_EQ(socket.state(), u32(KySocket2::StateIdle));
}

TEST(Socket2Pump, ASecondConnectUsesAFreshSystemSocket)
{
    LoopbackPeer peer;
    KyTcpSocket socket;
    Recorder recorder;
    recorder.listen(socket);
    for (int round = 0; round < 2; ++round) {
        recorder.errors.clear();
        recorder.data.clear();
        socket.connect(KyString(peer.host().c_str()));
        ASSERT_TRUE(peer.accept());
        peer.write("round");
        peer.closeConnection();
        ASSERT_TRUE(pumpUntil([&] { return !recorder.errors.empty(); }));
        EXPECT_EQ(recorder.data, "round");
        EXPECT_EQ(recorder.errors, std::vector<u32>{12});
    }
    EXPECT_EQ(recorder.connected, 2);
}

// One pump receives a bounded total across all sockets, shared evenly among
// those receiving; a socket that holds its receiving takes nothing and is
// not timed out meanwhile.
TEST(Socket2Pump, APumpReceivesABoundedTotalSharedAmongTheSocketsReceiving)
{
    const u32 sockets = 4;
    const size_t each = 100 * 1024;
    LoopbackPeer peers[sockets];
    KyTcpSocket clients[sockets];
    struct Blocks {
        size_t total = 0;
        size_t largest = 0;
        bool onData(const KyArray<u8>& bytes)
        {
            total += bytes.count();
            largest = std::max(largest, size_t(bytes.count()));
            return false;
        }
    } blocks[sockets];
    for (u32 i = 0; i < sockets; ++i) {
        clients[i].dataListeners.pushBack(kyNewCallback(&blocks[i], &Blocks::onData));
        clients[i].connect(KyString(peers[i].host().c_str()));
        ASSERT_TRUE(peers[i].accept());
    }
    ASSERT_TRUE(pumpUntil([&] {
        for (u32 i = 0; i < sockets; ++i) {
            if (!clients[i].isConnected())
                return false;
        }
        return true;
    }));
    KyOsClock::installFake(0);
    clients[0].holdReceiving(true);
    for (u32 i = 0; i < sockets; ++i)
        peers[i].write(std::string(each, char('a' + i)));
    // Held past the host's timeout: the silence is the reader's, not the host's.
    KyOsClock::advanceFake(clients[0].timeout() + 1);
    ASSERT_TRUE(pumpUntil([&] { return blocks[1].total == each && blocks[2].total == each && blocks[3].total == each; }));
    EXPECT_EQ(blocks[0].total, 0u);
    EXPECT_EQ(clients[0].state(), u32(KySocket2::StateConnecting));
    clients[0].holdReceiving(false);
    ASSERT_TRUE(pumpUntil([&] { return blocks[0].total == each; }));
    KyOsClock::install(nullptr);
    // Three or four receiving: never more than a third of the budget each.
    for (u32 i = 0; i < sockets; ++i)
        EXPECT_LE(blocks[i].largest, size_t(KySocket2::kPumpBudget / 3)) << i;
}
