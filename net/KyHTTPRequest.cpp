#include "net/KyHTTPRequest.h"

#include "core/KyCallback1Param.h"
#include "core/KyCore.h"
#include "core/KyLog.h"
#include "core/KySingleton.h"

#include <cstring>
#include <new>

const char* const KyHTTPRequest::kBoundary = "123456789";

KyHTTPRequest::KyHTTPRequest()
    : m_responseLength(0)
    , m_status(0)
    , m_maxResponse(KyHTTPResponse::kMaxSize)
{
    socket.errorListeners.pushBack(kyNewCallback(this, &KyHTTPRequest::onSocketError, 0.0f));
    socket.dataListeners.pushBack(kyNewCallback(this, &KyHTTPRequest::onSocketData, 0.0f));
}

KyHTTPRequest::~KyHTTPRequest()
{
}

void KyHTTPRequest::setField(const KyString& name, const KyString& value)
{
    u32 index;
    if (m_fieldNames.find(name, &index)) {
        m_fieldValues[index] = value;
        return;
    }
    m_fieldNames.pushBack(name);
    m_fieldValues.pushBack(value);
}

KyString KyHTTPRequest::field(const KyString& name) const
{
    u32 index;
    if (m_fieldNames.find(name, &index))
        return m_fieldValues[index];
    return KyString("");
}

void KyHTTPRequest::addFileField(const KyString& name, const KyString& contentType, const KyString& fileName,
                                 const KyString& content)
{
    m_fileNames.pushBack(name);
    m_fileContentTypes.pushBack(contentType);
    m_fileFileNames.pushBack(fileName);
    m_fileContents.pushBack(content);
}

bool KyHTTPRequest::send(const KyString& location)
{
    clearResponse();
    m_body = "";
    m_status = 0;

    u32 slash;
    bool found = location.find(KyString("/"), &slash);
    if (found) {
        m_host = location.substr(0, slash);
        m_path = location.substr(slash, location.length() - slash);
    } else {
        m_host = location;
        m_path = "/";
    }

    socket.connect(m_host);

    KyString header;
    KyString body;
    buildRequest(header, body);
    socket.send(header);
    socket.send(body);
    return found;
}

void KyHTTPRequest::cancel()
{
    socket.close();
    clearResponse();
}

void KyHTTPRequest::buildRequest(KyString& header, KyString& body) const
{
    KyString boundary(kBoundary);
    body = "";
    for (u32 i = 0; i < m_fieldNames.count(); ++i) {
        body += "--";
        body += boundary;
        body += "\r\nContent-Disposition: form-data; name=\"";
        body += m_fieldNames[i];
        body += "\"\r\n\r\n";
        body += m_fieldValues[i];
        body += "\r\n";
    }
    for (u32 i = 0; i < m_fileNames.count(); ++i) {
        body += "--";
        body += boundary;
        body += "\r\nContent-Disposition: form-data; name=\"";
        body += m_fileNames[i];
        body += "\"; filename=\"";
        body += m_fileFileNames[i];
        body += "\"\r\nContent-Type: ";
        body += m_fileContentTypes[i];
        body += "\r\n\r\n";
        body += m_fileContents[i];
        body += "\r\n";
    }
    body += "--";
    body += boundary;
    body += "--\r\n\r\n";

    KyCore* core = KySingleton<KyCore>::instance();
    KyString length;
    length.format("Content-Length: %d\r\n", static_cast<int>(body.length()));
    header = "POST ";
    header += m_path;
    header += " HTTP/1.0\r\nHost: ";
    header += m_host;
    header += "\r\nUser-Agent: ";
    header += core->applicationName();
    header += "\r\nAccept-Language: ";
    header += KyCore::systemLanguage();
    header += "\r\nConnection: close\r\nContent-Type: multipart/form-data; boundary=";
    header += boundary;
    header += "\r\n";
    header += length;
    header += "\r\n";
}

bool KyHTTPRequest::onSocketData(const KyArray<u8>& bytes)
{
    KyHTTPResponse::Result early = m_scanner.feed(bytes.data(), bytes.count());
    if (early == KyHTTPResponse::HeaderLineTooLong)
        failWith(FailureHeaderLineTooLong);
    else if (early == KyHTTPResponse::TooLarge)
        failWith(FailureTooLarge);
    else if (m_responseLength > m_maxResponse || bytes.count() > m_maxResponse - m_responseLength) {
        KyString reason;
        reason.format("the response is larger than %u bytes", m_maxResponse);
        failWith(FailureTooLarge, reason.c_str());
    } else
        appendResponse(bytes.data(), bytes.count());
    return false;
}

void KyHTTPRequest::setMaxResponseSize(u32 bytes)
{
    m_maxResponse = bytes < KyHTTPResponse::kMaxSize ? bytes : KyHTTPResponse::kMaxSize;
}

bool KyHTTPRequest::onSocketError(KySocketBase::Error error)
{
    if (error == KySocketBase::ErrorClosed || error == KySocketBase::ErrorReset)
        finish(error == KySocketBase::ErrorReset);
    else
        failWith(error == KySocketBase::ErrorTimeout ? FailureTimeout : FailureConnection);
    return false;
}

void KyHTTPRequest::finish(bool reset)
{
    KyHTTPResponse response = KyHTTPResponse::parse(m_response.data(), m_responseLength);
    switch (response.result) {
    case KyHTTPResponse::Complete:
        break;
    case KyHTTPResponse::NoHeaderEnd:
        failWith(reset ? FailureConnection : FailureNoHeaderEnd);
        return;
    case KyHTTPResponse::HeaderLineTooLong:
        failWith(FailureHeaderLineTooLong);
        return;
    case KyHTTPResponse::TooLarge:
        failWith(FailureTooLarge);
        return;
    case KyHTTPResponse::ShortBody:
        failWith(reset ? FailureConnection : FailureShortBody);
        return;
    case KyHTTPResponse::BadLength:
        failWith(FailureBadLength);
        return;
    }
    // A broken connection may have cut the body: only a Content-Length
    // tells that it is whole.
    if (reset && !response.hasContentLength) {
        failWith(FailureConnection);
        return;
    }
    m_status = response.status;
    m_body.assign(reinterpret_cast<const char*>(m_response.data()) + response.bodyStart, response.bodyLength);
    clearResponse();
    onResponse.call();
}

void KyHTTPRequest::failWith(Failure failure, const char* reason)
{
    logPrint("[KyHTTPRequest] %s%s : %s\n", m_host.c_str(), m_path.c_str(), reason ? reason : describe(failure));
    socket.close();
    clearResponse();
    m_status = 0;
    m_body = "";
    onFailure.call(failure);
}

void KyHTTPRequest::appendResponse(const u8* bytes, u32 n)
{
    if (n == 0)
        return;
    u32 needed = m_responseLength + n;
    if (m_response.count() < needed) {
        u32 grown = m_response.count() < KyHTTPResponse::kMaxSize / 2 ? m_response.count() * 2 : needed;
        m_response.resize(grown > needed ? grown : needed);
    }
    std::memcpy(m_response.data() + m_responseLength, bytes, n);
    m_responseLength = needed;
}

void KyHTTPRequest::clearResponse()
{
    m_response.clear();
    m_responseLength = 0;
    m_scanner.reset();
}

void KyHTTPRequest::releaseBody()
{
    // A string keeps its storage when emptied: a new one frees it.
    m_body.~KyString();
    new (&m_body) KyString();
}

const char* KyHTTPRequest::describe(Failure failure)
{
    switch (failure) {
    case FailureConnection:
        return "no connection, or it broke before the response ended";
    case FailureTimeout:
        return "the host stopped answering";
    case FailureNoHeaderEnd:
        return KyHTTPResponse::describe(KyHTTPResponse::NoHeaderEnd);
    case FailureHeaderLineTooLong:
        return KyHTTPResponse::describe(KyHTTPResponse::HeaderLineTooLong);
    case FailureTooLarge:
        return KyHTTPResponse::describe(KyHTTPResponse::TooLarge);
    case FailureShortBody:
        return KyHTTPResponse::describe(KyHTTPResponse::ShortBody);
    case FailureBadLength:
        return KyHTTPResponse::describe(KyHTTPResponse::BadLength);
    }
    return "unknown";
}
