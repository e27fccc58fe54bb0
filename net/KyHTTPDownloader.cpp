#include "net/KyHTTPDownloader.h"

#include "core/KyCallback0Param.h"
#include "core/KyCallback1Param.h"
#include "core/KyFile.h"
#include "core/KyLog.h"

KyHTTPDownloader::KyHTTPDownloader()
    : m_finished(false)
    , m_succeeded(false)
{
    request.onResponse.pushBack(kyNewCallback(this, &KyHTTPDownloader::OnHTTPRequestResponse, 0.0f));
    request.onFailure.pushBack(kyNewCallback(this, &KyHTTPDownloader::onRequestFailure, 0.0f));
}

KyHTTPDownloader::~KyHTTPDownloader()
{
}

bool KyHTTPDownloader::start()
{
    m_finished = false;
    m_succeeded = false;
    return request.send(location);
}

bool KyHTTPDownloader::OnHTTPRequestResponse()
{
    u32 status = request.statusCode();
    m_finished = true;
    if (status != 200) {
        onFailure.call(status);
        return false;
    }
    const KyString& body = request.body();
    if (!KyFile::writeAtomically(file, body.c_str(), body.length())) {
        logPrint("[KyHTTPDownloader::OnHTTPRequestResponse()] Unable to save in : %s\n", file.c_str());
        onFailure.call(0);
        return false;
    }
    // The body is on disk: its memory goes back at once.
    request.releaseBody();
    logPrint("[KyHTTPDownloader::OnHTTPRequestResponse()] Save in : %s\n", file.c_str());
    m_succeeded = true;
    onSuccess.call(*this);
    return false;
}

bool KyHTTPDownloader::onRequestFailure(KyHTTPRequest::Failure)
{
    m_finished = true;
    onFailure.call(0);
    return false;
}
