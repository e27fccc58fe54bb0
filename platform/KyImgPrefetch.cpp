#include "platform/KyImgPrefetch.h"

#include "core/KyFile.h"
#include "core/KyPath.h"
#include "os/KyOsLog.h"
#include "os/KyOsThread.h"
#include "platform/KyImg.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

namespace {

// The whole file, or false when it cannot be read.
bool readFile(const KyString& diskPath, std::vector<char>& bytes)
{
    std::FILE* file = std::fopen(diskPath.c_str(), "rb");
    if (!file)
        return false;
    char block[64 * 1024];
    size_t n = 0;
    while ((n = std::fread(block, 1, sizeof block, file)) > 0)
        bytes.insert(bytes.end(), block, block + n);
    const bool ok = !std::ferror(file);
    std::fclose(file);
    return ok;
}

// How deep the scripts named by scripts are followed.
const u32 kScriptDepth = 4;
const char* const kPictureTypes[] = {".png", ".jpg", ".jpeg", ".bmp", ".tga", ".pvr", ".jpg.zlib", ".jpeg.zlib"};

bool endsWith(const std::string& text, const char* end)
{
    const size_t n = std::strlen(end);
    if (text.size() <= n)
        return false;
    for (size_t i = 0; i < n; ++i) {
        if (std::tolower(static_cast<unsigned char>(text[text.size() - n + i])) != end[i])
            return false;
    }
    return true;
}

// The strings a Lua text quotes on one line, outside its "--" comments, in
// their order (escapes are not decoded: a name holding one is not a file).
std::vector<std::string> quotedStrings(const std::vector<char>& text)
{
    std::vector<std::string> strings;
    const size_t size = text.size();
    size_t i = 0;
    while (i < size) {
        const char c = text[i];
        if (c == '-' && i + 1 < size && text[i + 1] == '-') {
            while (i < size && text[i] != '\n')
                ++i;
        } else if (c == '"' || c == '\'') {
            size_t end = i + 1;
            bool plain = true;
            while (end < size && text[end] != c && text[end] != '\n') {
                if (text[end] == '\\') {
                    plain = false;
                    ++end;
                }
                ++end;
            }
            if (end < size && text[end] == c && plain)
                strings.push_back(std::string(&text[i + 1], end - i - 1));
            i = end + 1;
        } else {
            ++i;
        }
    }
    return strings;
}

} // namespace

KyImgPrefetch& KyImgPrefetch::instance()
{
    static KyImgPrefetch prefetch;
    return prefetch;
}

KyImgPrefetch::KyImgPrefetch() : m_done(KyOsThread::createSignal()) {}

KyImgPrefetch::~KyImgPrefetch()
{
    clear();
    KyOsThread::closeSignal(m_done);
}

KyImgPrefetch::Worker::~Worker()
{
    // run() reads the owner's jobs: the thread ends before the worker goes.
    wait();
}

void KyImgPrefetch::request(const KyString& path)
{
    const std::string key(path.c_str());
    if (m_jobs.count(key))
        return;
    // The file KyImg::load would read.
    KyPath file;
    if (!KyImg::fileFor(path, file))
        return;
    std::unique_ptr<Job> job(new Job);
    job->file = file;
    job->diskPath = KyFile::resolvePath(file);
    job->type = KyPath(file.toLower()).extension();
    Worker* idle = nullptr;
    {
        KyMutexLock lock(m_mutex);
        m_queue.push_back(job.get());
        m_jobs[key] = std::move(job);
        for (std::unique_ptr<Worker>& worker : m_workers) {
            if (!worker->busy) {
                idle = worker.get();
                break;
            }
        }
        if (!idle && m_workers.size() < KyThread::workerLimit()) {
            m_workers.emplace_back(new Worker(*this));
            idle = m_workers.back().get();
        }
        if (idle)
            idle->busy = true;
    }
    // A worker that found the queue empty has ended, or is ending: start
    // waits for it and runs it again.
    if (idle)
        idle->start();
}

void KyImgPrefetch::requestNamedIn(const KyString& scriptPath)
{
    std::vector<std::string> scanned;
    requestNamedIn(scriptPath, 0, scanned);
}

void KyImgPrefetch::requestNamedIn(const KyString& scriptPath, u32 depth, std::vector<std::string>& scanned)
{
    const std::string key(scriptPath.c_str());
    if (depth > kScriptDepth || std::find(scanned.begin(), scanned.end(), key) != scanned.end())
        return;
    scanned.push_back(key);
    std::vector<char> text;
    if (!KyFile::exists(scriptPath) || !readFile(KyFile::resolvePath(scriptPath), text))
        return;
    for (const std::string& name : quotedStrings(text)) {
        if (endsWith(name, ".lua")) {
            requestNamedIn(KyString(name.c_str()), depth + 1, scanned);
            continue;
        }
        for (const char* type : kPictureTypes) {
            if (endsWith(name, type)) {
                request(KyString(name.c_str()));
                break;
            }
        }
    }
}

KyImgPrefetch::Job* KyImgPrefetch::nextJob(Worker& worker)
{
    KyMutexLock lock(m_mutex);
    if (m_queue.empty()) {
        worker.busy = false;
        return nullptr;
    }
    Job* job = m_queue.front();
    m_queue.erase(m_queue.begin());
    return job;
}

void KyImgPrefetch::read(Job& job)
{
    std::vector<char> bytes;
    std::unique_ptr<KyImgResult> picture;
    std::string log;
    if (readFile(job.diskPath, bytes)) {
        KyString stream(bytes.data(), u32(bytes.size()));
        stream.seek(0);
        KyOsLog::Capture capture(log);
        picture = KyImg::read(job.type, &stream, KyString());
    }
    KyMutexLock lock(m_mutex);
    job.picture = std::move(picture);
    job.log = log;
    job.done = true;
    KyOsThread::setSignal(m_done);
}

void KyImgPrefetch::Worker::run()
{
    while (Job* job = m_owner.nextJob(*this))
        m_owner.read(*job);
}

bool KyImgPrefetch::take(const KyString& path, std::unique_ptr<KyImgResult>& picture, std::string& log)
{
    std::map<std::string, std::unique_ptr<Job>>::iterator found = m_jobs.find(path.c_str());
    if (found == m_jobs.end())
        return false;
    Job& job = *found->second;
    // The language may have changed since: a picture read from another file
    // than load would read now is dropped.
    KyPath file;
    const bool same = KyImg::fileFor(path, file) && file == job.file;
    bool readHere = false;
    {
        KyMutexLock lock(m_mutex);
        std::vector<Job*>::iterator queued = std::find(m_queue.begin(), m_queue.end(), &job);
        if (queued != m_queue.end()) {
            m_queue.erase(queued);
            readHere = true;
        }
    }
    if (!readHere)
        waitForDone(job);
    else if (same)
        read(job);
    if (!same) {
        m_jobs.erase(found);
        return false;
    }
    // A file that could not be read is read again by the caller, which
    // reports it as usual.
    const bool read = job.picture != nullptr;
    picture = std::move(job.picture);
    log = job.log;
    m_jobs.erase(found);
    return read;
}

void KyImgPrefetch::waitForDone(Job& job)
{
    for (;;) {
        {
            KyMutexLock lock(m_mutex);
            if (job.done)
                return;
            KyOsThread::clearSignal(m_done);
        }
        KyOsThread::waitSignal(m_done, 100);
    }
}

void KyImgPrefetch::finish()
{
    for (;;) {
        Job* job = nullptr;
        {
            KyMutexLock lock(m_mutex);
            if (m_queue.empty())
                break;
            job = m_queue.front();
            m_queue.erase(m_queue.begin());
        }
        read(*job);
    }
    for (std::unique_ptr<Worker>& worker : m_workers)
        worker->wait();
}

void KyImgPrefetch::clear()
{
    {
        KyMutexLock lock(m_mutex);
        m_queue.clear();
    }
    m_workers.clear();
    m_jobs.clear();
}
