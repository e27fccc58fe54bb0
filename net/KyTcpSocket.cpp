#include "net/KyTcpSocket.h"

KyTcpSocket::KyTcpSocket()
{
    m_socket = new KySocketBase;
}

KyTcpSocket::~KyTcpSocket()
{
}

KySocketBase* KyTcpSocket::createSocket()
{
    return new KySocketBase;
}
