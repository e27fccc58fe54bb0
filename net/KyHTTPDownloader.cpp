#include "net/KyHTTPDownloader.h"

#include "core/KyCallback0Param.h"
#include "core/KyCallback1Param.h"
#include "core/KyFile.h"
#include "core/KyLog.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// Named as KyFile names its temporary files (see KyFile::isTemporaryName):
// the file's name, this mark and six letters or digits chosen by mkstemp,
// so that a leftover is told apart from the player's files.
const char kTemporarySuffix[] = ".kytmp~XXXXXX";
const u32 kTemporarySuffixLength = sizeof(kTemporarySuffix) - 1;

} // namespace

KyHTTPDownloader::KyHTTPDownloader()
    : m_finished(false)
    , m_succeeded(false)
    , m_saving(false)
    , m_temporary(-1)
{
    request.setBodySink(this);
    request.onResponse.pushBack(kyNewCallback(this, &KyHTTPDownloader::OnHTTPRequestResponse, 0.0f));
    request.onFailure.pushBack(kyNewCallback(this, &KyHTTPDownloader::onRequestFailure, 0.0f));
}

KyHTTPDownloader::~KyHTTPDownloader()
{
    request.setBodySink(nullptr);
    discard();
}

bool KyHTTPDownloader::start()
{
    m_finished = false;
    m_succeeded = false;
    return request.send(location);
}

bool KyHTTPDownloader::beginBody(u32 status, bool hasContentLength, u32 contentLength)
{
    discard();
    m_saving = status == 200;
    if (!m_saving)
        return true;
    if (hasContentLength && !fits(contentLength))
        return false;
    const KyPath disk = KyFile::resolvePath(file);
    if (disk.length() == 0)
        return unableToSave();
    std::vector<char> name(disk.c_str(), disk.c_str() + disk.length());
    name.insert(name.end(), kTemporarySuffix, kTemporarySuffix + sizeof(kTemporarySuffix));
    m_temporary = mkstemp(name.data());
    if (m_temporary < 0)
        return unableToSave();
    m_temporaryPath = KyString(name.data());
    // mkstemp makes the file private; the player's files are ordinary ones.
    if (fchmod(m_temporary, 0644) != 0)
        return unableToSave();
    return true;
}

bool KyHTTPDownloader::bodyBytes(const u8* bytes, u32 n)
{
    if (!m_saving)
        return true;
    if (!fits(n))
        return false;
    if (allowance)
        allowance->left -= n;
    u32 written = 0;
    while (written < n) {
        ssize_t done = ::write(m_temporary, bytes + written, n - written);
        if (done < 0 && errno == EINTR)
            continue;
        if (done <= 0)
            return unableToSave();
        written += static_cast<u32>(done);
    }
    return true;
}

void KyHTTPDownloader::dropBody()
{
    discard();
    m_saving = false;
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

bool KyHTTPDownloader::commit()
{
    if (m_temporary < 0)
        return false;
    bool ok = fsync(m_temporary) == 0;
    ok = ::close(m_temporary) == 0 && ok;
    m_temporary = -1;
    const KyString target = m_temporaryPath.substr(0, m_temporaryPath.length() - kTemporarySuffixLength);
    ok = ok && std::rename(m_temporaryPath.c_str(), target.c_str()) == 0;
    if (ok)
        m_temporaryPath = "";
    else
        discard();
    return ok;
}

void KyHTTPDownloader::discard()
{
    if (m_temporary >= 0)
        ::close(m_temporary);
    m_temporary = -1;
    if (m_temporaryPath.length() > 0)
        unlink(m_temporaryPath.c_str());
    m_temporaryPath = "";
}

bool KyHTTPDownloader::unableToSave()
{
    logPrint("[KyHTTPDownloader::OnHTTPRequestResponse()] Unable to save in : %s\n", file.c_str());
    discard();
    m_saving = false;
    return false;
}

bool KyHTTPDownloader::OnHTTPRequestResponse()
{
    const u32 status = request.statusCode();
    m_finished = true;
    m_saving = false;
    if (status != 200) {
        discard();
        onFailure.call(status);
        return false;
    }
    if (!commit()) {
        unableToSave();
        onFailure.call(0);
        return false;
    }
    logPrint("[KyHTTPDownloader::OnHTTPRequestResponse()] Save in : %s\n", file.c_str());
    m_succeeded = true;
    onSuccess.call(*this);
    return false;
}

bool KyHTTPDownloader::onRequestFailure(KyHTTPRequest::Failure)
{
    m_finished = true;
    dropBody();
    onFailure.call(0);
    return false;
}
