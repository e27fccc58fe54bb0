#include "net/KyHTTPRequest.h"

#include "core/KyCallback1Param.h"
#include "core/KyCore.h"
#include "core/KyLog.h"
#include "core/KySingleton.h"

#include <new>

const char* const KyHTTPRequest::kBoundary = "123456789";

namespace {

KyHTTPRequest::Failure failureOf(KyHTTPResponse::Result result, bool reset)
{
    switch (result) {
    case KyHTTPResponse::NoHeaderEnd:
        return reset ? KyHTTPRequest::FailureConnection : KyHTTPRequest::FailureNoHeaderEnd;
    case KyHTTPResponse::HeaderLineTooLong:
        return KyHTTPRequest::FailureHeaderLineTooLong;
    case KyHTTPResponse::TooLarge:
        return KyHTTPRequest::FailureTooLarge;
    case KyHTTPResponse::ShortBody:
        return reset ? KyHTTPRequest::FailureConnection : KyHTTPRequest::FailureShortBody;
    case KyHTTPResponse::BadLength:
    case KyHTTPResponse::Complete:
        break;
    }
    return KyHTTPRequest::FailureBadLength;
}

} // namespace

KyHTTPRequest::KyHTTPRequest()
    : m_status(0)
    , m_maxResponse(KyHTTPResponse::kMaxSize)
    , m_sink(nullptr)
    , m_taking(nullptr)
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
    releaseBody();
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

    socket.connect(m_connectHost.length() > 0 ? m_connectHost : m_host);

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
    const bool hadHeader = m_reader.headerDone();
    u32 bodyOffset = 0;
    u32 bodyLength = 0;
    KyHTTPResponse::Result result = m_reader.feed(bytes.data(), bytes.count(), bodyOffset, bodyLength);
    if (result != KyHTTPResponse::Complete) {
        failWith(failureOf(result, false));
        return false;
    }
    // A declared length that passes the maximum would pass it by the end:
    // nothing of such a body is taken.
    const KyHTTPResponse& response = m_reader.response();
    u64 whole = m_reader.total();
    if (m_reader.headerDone() && response.hasContentLength)
        whole = u64(response.bodyStart) + response.contentLength;
    if (m_reader.total() > m_maxResponse || whole > m_maxResponse) {
        KyString reason;
        reason.format("the response is larger than %u bytes", m_maxResponse);
        failWith(FailureTooLarge, reason.c_str());
        return false;
    }
    if (!hadHeader && m_reader.headerDone() && m_sink) {
        m_taking = m_sink;
        if (!m_taking->beginBody(response.status, response.hasContentLength, response.contentLength)) {
            failWith(FailureStopped);
            return false;
        }
    }
    if (bodyLength > 0 && !takeBody(bytes.data() + bodyOffset, bodyLength))
        failWith(FailureStopped);
    return false;
}

bool KyHTTPRequest::takeBody(const u8* bytes, u32 n)
{
    if (!m_taking) {
        keepBody(bytes, n);
        return true;
    }
    return m_taking->bodyBytes(bytes, n);
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
    KyHTTPResponse::Result result = m_reader.finish();
    if (result != KyHTTPResponse::Complete) {
        failWith(failureOf(result, reset));
        return;
    }
    // A broken connection may have cut the body: only a Content-Length
    // tells that it is whole.
    if (reset && !m_reader.response().hasContentLength) {
        failWith(FailureConnection);
        return;
    }
    m_status = m_reader.response().status;
    // The body is whole: the sink keeps it.
    m_taking = nullptr;
    clearResponse();
    onResponse.call();
}

void KyHTTPRequest::failWith(Failure failure, const char* reason)
{
    if (failure != FailureStopped)
        logPrint("[KyHTTPRequest] %s%s : %s\n", m_host.c_str(), m_path.c_str(), reason ? reason : describe(failure));
    socket.close();
    clearResponse();
    m_status = 0;
    releaseBody();
    onFailure.call(failure);
}

void KyHTTPRequest::keepBody(const u8* bytes, u32 n)
{
    const u32 needed = m_body.length() + n;
    if (m_body.capacity() < needed) {
        // Grown by doubling, never past the declared length nor the most a
        // response may take.
        const KyHTTPResponse& response = m_reader.response();
        const u32 limit = response.hasContentLength ? response.contentLength : m_maxResponse;
        const u32 grown = m_body.capacity() < limit / 2 ? m_body.capacity() * 2 : limit;
        m_body.reserve(grown > needed ? grown : needed);
    }
    m_body.write(bytes, n);
}

void KyHTTPRequest::clearResponse()
{
    m_reader.reset();
    if (m_taking) {
        BodySink* sink = m_taking;
        m_taking = nullptr;
        sink->dropBody();
    }
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
    case FailureStopped:
        return "the receiver of the body stopped the exchange";
    }
    return "unknown";
}
