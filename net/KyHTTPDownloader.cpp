#include "net/KyHTTPDownloader.h"

#include "core/KyCallback0Param.h"
#include "core/KyCallback1Param.h"
#include "core/KyFile.h"
#include "core/KyLog.h"
#include "core/KyTempFile.h"

#include <mutex>
#include <vector>

struct KyHTTPDownloader::Writing {
    // Used by the lane's jobs only, one at a time.
    KyTempFile temporary;
    std::mutex lock;
    // Under the lock: what the lane did.
    u64 written = 0;
    bool failed = false;
    bool forRoom = false;
    bool done = false;
    bool committed = false;

    void fail(bool room)
    {
        std::lock_guard<std::mutex> hold(lock);
        failed = true;
        forRoom = forRoom || room;
    }
};

KyHTTPDownloader::KyHTTPDownloader()
    : m_finished(false)
    , m_succeeded(false)
    , m_forRoom(false)
    , m_saving(false)
    , m_committing(false)
    , m_watching(false)
    , m_posted(0)
{
    request.setBodySink(this);
    request.onResponse.pushBack(kyNewCallback(this, &KyHTTPDownloader::OnHTTPRequestResponse, 0.0f));
    request.onFailure.pushBack(kyNewCallback(this, &KyHTTPDownloader::onRequestFailure, 0.0f));
}

KyHTTPDownloader::~KyHTTPDownloader()
{
    watch(false);
    request.setBodySink(nullptr);
    discard();
}

KySerialLane& KyHTTPDownloader::defaultLane()
{
    // Never destroyed, as the pool it runs on: downloads may end at exit.
    static KySerialLane* lane = new KySerialLane(KyWorkerPool::instance());
    return *lane;
}

bool KyHTTPDownloader::start()
{
    m_finished = false;
    m_succeeded = false;
    m_forRoom = false;
    return request.send(location);
}

u64 KyHTTPDownloader::pendingBytes() const
{
    if (!m_writing)
        return 0;
    std::lock_guard<std::mutex> hold(m_writing->lock);
    return m_posted - m_writing->written;
}

void KyHTTPDownloader::watch(bool on)
{
    if (on == m_watching)
        return;
    m_watching = on;
    if (on)
        KySocket2::addPumpTask(this);
    else
        KySocket2::removePumpTask(this);
}

bool KyHTTPDownloader::beginBody(u32 status, bool hasContentLength, u32 contentLength)
{
    discard();
    m_saving = status == 200;
    if (!m_saving)
        return true;
    if (hasContentLength && !fits(contentLength))
        return false;
    std::shared_ptr<Writing> writing = std::make_shared<Writing>();
    m_writing = writing;
    m_posted = 0;
    const KyString path = file;
    const RoomCheck room = roomCheck;
    fileLane().post([writing, path, room] {
        if (room && !room()) {
            writing->fail(true);
            return;
        }
        const KyPath disk = KyFile::resolvePath(path);
        if (!writing->temporary.open(disk))
            writing->fail(writing->temporary.failedForRoom());
    });
    watch(true);
    return true;
}

bool KyHTTPDownloader::bodyBytes(const u8* bytes, u32 n)
{
    if (!m_saving)
        return true;
    if (!fits(n))
        return false;
    if (!m_writing)
        return unableToSave();
    {
        std::lock_guard<std::mutex> hold(m_writing->lock);
        if (m_writing->failed) {
            m_forRoom = m_writing->forRoom;
            return unableToSave();
        }
    }
    if (allowance)
        allowance->left -= n;
    std::shared_ptr<Writing> writing = m_writing;
    auto block = std::make_shared<std::vector<u8>>(bytes, bytes + n);
    fileLane().post([writing, block] {
        bool ok = true;
        if (writing->temporary.isOpen())
            ok = writing->temporary.write(block->data(), u32(block->size()));
        std::lock_guard<std::mutex> hold(writing->lock);
        writing->written += block->size();
        if (!ok) {
            writing->failed = true;
            writing->forRoom = writing->forRoom || writing->temporary.failedForRoom();
        }
    });
    m_posted += n;
    // The lane is behind: the rest waits in the system until it catches up.
    if (pendingBytes() >= kMaxPendingBytes)
        request.socket.holdReceiving(true);
    return true;
}

void KyHTTPDownloader::dropBody()
{
    discard();
    m_saving = false;
    request.socket.holdReceiving(false);
}

bool KyHTTPDownloader::fits(u64 bytes)
{
    if (!allowance || bytes <= allowance->left)
        return true;
    allowance->passed = true;
    logPrint("[KyHTTPDownloader] %s : the downloads pass their allowance (%llu bytes were left)\n", file.c_str(),
             static_cast<unsigned long long>(allowance->left));
    discard();
    return false;
}

void KyHTTPDownloader::discard()
{
    if (!m_writing)
        return;
    std::shared_ptr<Writing> writing = m_writing;
    m_writing.reset();
    m_committing = false;
    fileLane().post([writing] { writing->temporary.discard(); });
}

bool KyHTTPDownloader::unableToSave()
{
    logPrint("[KyHTTPDownloader::OnHTTPRequestResponse()] Unable to save in : %s\n", file.c_str());
    discard();
    m_saving = false;
    return false;
}

void KyHTTPDownloader::failNow()
{
    watch(false);
    m_finished = true;
    onFailure.call(0);
}

bool KyHTTPDownloader::OnHTTPRequestResponse()
{
    const u32 status = request.statusCode();
    m_saving = false;
    if (status != 200) {
        discard();
        watch(false);
        m_finished = true;
        onFailure.call(status);
        return false;
    }
    if (!m_writing) {
        unableToSave();
        failNow();
        return false;
    }
    std::shared_ptr<Writing> writing = m_writing;
    const bool durable = makeDurable;
    fileLane().post([writing, durable] {
        KyTempFile& temporary = writing->temporary;
        bool ok = temporary.isOpen() && (!durable || temporary.makeDurable()) && temporary.commit();
        std::lock_guard<std::mutex> hold(writing->lock);
        ok = ok && !writing->failed;
        writing->done = true;
        writing->committed = ok;
        if (!ok) {
            writing->failed = true;
            writing->forRoom = writing->forRoom || temporary.failedForRoom();
        }
    });
    m_committing = true;
    watch(true);
    return false;
}

bool KyHTTPDownloader::onRequestFailure(KyHTTPRequest::Failure)
{
    dropBody();
    failNow();
    return false;
}

void KyHTTPDownloader::afterPump()
{
    KySerialLane& files = fileLane();
    // No thread at all: the frames write, a job a pump.
    files.step();
    if (!m_writing) {
        watch(false);
        return;
    }
    bool failed, done, committed;
    u64 pending;
    {
        std::lock_guard<std::mutex> hold(m_writing->lock);
        failed = m_writing->failed;
        done = m_writing->done;
        committed = m_writing->committed;
        m_forRoom = m_writing->forRoom;
        pending = m_posted - m_writing->written;
    }
    if (m_saving) {
        if (failed) {
            // The file cannot take the body: the exchange ends here.
            request.cancel();
            unableToSave();
            failNow();
            return;
        }
        if (request.socket.isHoldingReceiving() && pending < kMaxPendingBytes / 2)
            request.socket.holdReceiving(false);
        return;
    }
    if (!m_committing || !done)
        return;
    m_committing = false;
    watch(false);
    if (!committed) {
        unableToSave();
        m_finished = true;
        onFailure.call(0);
        return;
    }
    // The file is in place: nothing is left to remove.
    m_writing.reset();
    logPrint("[KyHTTPDownloader::OnHTTPRequestResponse()] Save in : %s\n", file.c_str());
    m_succeeded = true;
    m_finished = true;
    onSuccess.call(*this);
}
