#include "net/KyHostLookup.h"

#include "net/KySocketBase.h"
#include "os/KyOsSocket.h"

#include <cstdint>
#include <mutex>
#include <string>

struct KyHostLookup::Answer {
    // Set before the job runs, read by it.
    std::string name;
    u16 port = 0;
    mutable std::mutex lock;
    // Under the lock.
    bool done = false;
    bool found = false;
    std::uint32_t address = 0;
    int error = 0;

    void resolve()
    {
        std::uint32_t value = 0;
        int code = 0;
        const bool ok = KyOsSocket::resolve(name.c_str(), value, code);
        std::lock_guard<std::mutex> hold(lock);
        done = true;
        found = ok;
        address = value;
        error = code;
    }
};

KyHostLookup::KyHostLookup(KyWorkerPool& pool) : m_job(KyWorkerPool::Now, pool)
{
}

KyHostLookup::~KyHostLookup()
{
    drop();
}

void KyHostLookup::start(const KyString& host)
{
    drop();
    m_host = host;
    std::shared_ptr<Answer> answer = std::make_shared<Answer>();
    m_answer = answer;
    KyString name;
    u16 port = KySocketBase::kDefaultPort;
    if (!KySocketBase::splitHostPort(host, name, port)) {
        std::lock_guard<std::mutex> hold(answer->lock);
        answer->done = true;
        answer->error = -1;
        return;
    }
    answer->name = std::string(name.c_str(), name.length());
    answer->port = port;
    if (KyOsSocket::answersAtOnce(name.c_str())) {
        answer->resolve();
        return;
    }
    // The job owns the answer: dropped, it ends on its own.
    m_job.add([answer] { answer->resolve(); });
}

bool KyHostLookup::isDone()
{
    if (!m_answer)
        return false;
    {
        std::lock_guard<std::mutex> hold(m_answer->lock);
        if (m_answer->done)
            return true;
    }
    // A thread refused a while ago may be had again.
    m_job.poll();
    return false;
}

void KyHostLookup::drop()
{
    m_job.drop();
    m_answer.reset();
}

bool KyHostLookup::succeeded() const
{
    if (!m_answer)
        return false;
    std::lock_guard<std::mutex> hold(m_answer->lock);
    return m_answer->done && m_answer->found;
}

KyString KyHostLookup::address() const
{
    if (!succeeded())
        return KyString();
    char text[32];
    std::uint32_t address;
    {
        std::lock_guard<std::mutex> hold(m_answer->lock);
        address = m_answer->address;
    }
    KyOsSocket::formatAddress(address, text, sizeof(text));
    KyString result;
    result.format("%s:%u", text, unsigned(m_answer->port));
    return result;
}

int KyHostLookup::error() const
{
    if (!m_answer)
        return 0;
    std::lock_guard<std::mutex> hold(m_answer->lock);
    return m_answer->error;
}
