#include "net/KySocketBase.h"

#include "core/KyLog.h"
#include "os/KyOsSocket.h"

namespace {

// Live sockets; the first starts the socket library, the last cleans it up.
u32 g_liveSockets = 0;

const s32 kFamilyInet = 2;

} // namespace

KySocketBase::KySocketBase()
    : m_handle(KyOsSocket::kInvalid)
    , m_family(0)
    , m_error(ErrorNone)
    , m_blocking(false)
{
    if (g_liveSockets == 0) {
        int code = KyOsSocket::startup();
        if (code != 0) {
            logPrint("[KySocketBase::KySocketBase] Unable to initialize socket library. Error : %d\n", code);
            m_error = ErrorStartup;
        }
    }
    ++g_liveSockets;

    m_handle = KyOsSocket::create();
    if (m_handle == KyOsSocket::kInvalid) {
        logPrint("[KySocketBase::KySocketBase] Unable to create socket. Error : %d\n", KyOsSocket::lastError());
        m_error = ErrorCreate;
    }
    m_family = kFamilyInet;
    if (!KyOsSocket::setBroadcast(m_handle, true))
        logPrint("KySocketBase::KySocketBase: broadcast disable\n");
    blocking(false);
}

KySocketBase::~KySocketBase()
{
    if (m_handle != KyOsSocket::kInvalid)
        KyOsSocket::close(m_handle);
    if (g_liveSockets > 0)
        --g_liveSockets;
    m_handle = KyOsSocket::kInvalid;
    m_error = ErrorNone;
    if (g_liveSockets == 0)
        KyOsSocket::cleanup();
}

void KySocketBase::blocking(bool on)
{
    m_error = ErrorNone;
    if (!KyOsSocket::setNonBlocking(m_handle, !on)) {
        logPrint("[KySocketBase::blocking] Unable to set socket blocking. Error : %d\n", KyOsSocket::lastError());
        m_error = ErrorBlocking;
        return;
    }
    m_blocking = on;
}

bool KySocketBase::splitHostPort(const KyString& host, KyString& name, u16& port)
{
    port = kDefaultPort;
    name = host;
    const char* text = host.c_str();
    u32 length = host.length();
    u32 colon = length;
    for (u32 i = 0; i < length; ++i) {
        if (text[i] == ':')
            colon = i;
    }
    if (colon == length)
        return true;
    name = host.substr(0, colon);
    u32 value = 0;
    u32 digits = 0;
    for (u32 i = colon + 1; i < length; ++i) {
        char c = text[i];
        if (c < '0' || c > '9' || ++digits > 5)
            return false;
        value = value * 10 + u32(c - '0');
    }
    if (digits == 0 || value == 0 || value > 65535)
        return false;
    port = static_cast<u16>(value);
    return true;
}

void KySocketBase::connect(const KyString& host)
{
    m_error = ErrorNone;
    KyString name;
    u16 port = kDefaultPort;
    std::uint32_t address = 0;
    int code = 0;
    if (!splitHostPort(host, name, port) || !KyOsSocket::resolve(name.c_str(), address, code)) {
        logPrint("[KySocketBase::connect] Unknown host : %s. Error : %d\n", host.c_str(), code);
        m_error = ErrorUnknownHost;
        return;
    }
    KyOsSocket::Progress progress = KyOsSocket::connect(m_handle, address, port, code);
    if (progress == KyOsSocket::Failed || (progress == KyOsSocket::WouldBlock && m_blocking)) {
        logPrint("[KySocketBase::connect] Unable to connect socket. Error : %d\n", code);
        m_error = ErrorConnect;
    }
}

void KySocketBase::close()
{
    if (m_handle != KyOsSocket::kInvalid)
        KyOsSocket::close(m_handle);
    m_error = ErrorNone;
    m_handle = KyOsSocket::kInvalid;
}

bool KySocketBase::isOpen() const
{
    return m_handle != KyOsSocket::kInvalid;
}

u32 KySocketBase::liveCount()
{
    return g_liveSockets;
}
