#ifndef KY_TEST_LOOPBACK_PEER_H
#define KY_TEST_LOOPBACK_PEER_H

#include "tests/net/AdvertServer.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

// The far end of a connection, a plain listening socket on the loopback
// interface that the test drives by hand.
class LoopbackPeer {
public:
    LoopbackPeer()
    {
        m_listener = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address;
        std::memset(&address, 0, sizeof(address));
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof(address);
        if (::bind(m_listener, reinterpret_cast<sockaddr*>(&address), length) == 0 && ::listen(m_listener, 4) == 0 &&
            ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length) == 0)
            m_port = ntohs(address.sin_port);
    }
    ~LoopbackPeer()
    {
        closeConnection();
        ::close(m_listener);
    }

    std::string host() const { return "127.0.0.1:" + std::to_string(m_port); }

    // Waits for the engine's connection (pumping the engine meanwhile).
    bool accept()
    {
        bool ok = pumpUntil([this] {
            pollfd entry = {m_listener, POLLIN, 0};
            return ::poll(&entry, 1, 0) > 0;
        });
        if (ok)
            m_connection = ::accept(m_listener, nullptr, nullptr);
        return m_connection >= 0;
    }

    void write(const std::string& bytes) { ASSERT_EQ(::send(m_connection, bytes.data(), bytes.size(), MSG_NOSIGNAL), ssize_t(bytes.size())); }

    // Reads until size bytes came (pumping the engine meanwhile).
    std::string read(size_t size)
    {
        std::string got;
        pumpUntil([&] {
            char block[65536];
            ssize_t n;
            while ((n = ::recv(m_connection, block, sizeof(block), MSG_DONTWAIT)) > 0)
                got.append(block, size_t(n));
            return got.size() >= size;
        });
        return got;
    }

    void closeConnection()
    {
        if (m_connection >= 0)
            ::close(m_connection);
        m_connection = -1;
    }

    // Ends the connection with a reset instead of an orderly close.
    void reset()
    {
        linger hard = {1, 0};
        ::setsockopt(m_connection, SOL_SOCKET, SO_LINGER, &hard, sizeof(hard));
        closeConnection();
    }

private:
    int m_listener = -1;
    int m_connection = -1;
    int m_port = 0;
};

#endif
