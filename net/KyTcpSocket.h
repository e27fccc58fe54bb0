#ifndef KY_TCPSOCKET_H
#define KY_TCPSOCKET_H

#include "net/KySocket2.h"

// A connection that makes its own system socket: one at construction, and a
// new one for each later connect.
class KyTcpSocket : public KySocket2 {
public:
    KyTcpSocket();
    ~KyTcpSocket() override;

protected:
    KySocketBase* createSocket() override;
};

#endif
