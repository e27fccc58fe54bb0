#ifndef KY_HOST_LOOKUP_H
#define KY_HOST_LOOKUP_H

#include "core/KyString.h"
#include "core/KyTypes.h"
#include "core/KyWorkerPool.h"

#include <memory>

// The address of a host ("name" or "name:port") looked up off the main
// thread, once, for the connections to come: one job of the worker pool
// that asks the resolver (KyOsSocket::resolve), however long it takes. A
// dotted address, and a name that never resolves, are answered at once
// without a job. The owner polls for the answer and never waits: a look-up
// dropped (drop, a new start, the destructor) ends on its worker on its own,
// its answer going nowhere.
class KyHostLookup {
public:
    explicit KyHostLookup(KyWorkerPool& pool = KyWorkerPool::instance());
    // Drops a look-up in progress; never waits.
    ~KyHostLookup();
    KyHostLookup(const KyHostLookup&) = delete;
    KyHostLookup& operator=(const KyHostLookup&) = delete;

    void start(const KyString& host);
    // Whether a look-up was started and not dropped.
    bool isStarted() const { return m_answer != nullptr; }
    // Whether the answer came; never waits.
    bool isDone();
    void drop();

    // After the answer: whether the host has an address, the address with
    // the port ("a.b.c.d:port", for KyHTTPRequest::setConnectHost), and the
    // resolver's code on failure.
    bool succeeded() const;
    KyString address() const;
    int error() const;
    // The host as given to start.
    const KyString& host() const { return m_host; }

private:
    struct Answer;

    std::shared_ptr<Answer> m_answer;
    KyString m_host;
    KyWorkerPool::Group m_job;
};

#endif
