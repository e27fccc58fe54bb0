#ifndef KY_HTTPREQUEST_H
#define KY_HTTPREQUEST_H

#include "core/KyArray.h"
#include "core/KyICallback0Param.h"
#include "core/KyICallback1Param.h"
#include "core/KyString.h"
#include "core/KyTypes.h"
#include "net/KyHTTPResponse.h"
#include "net/KySocketBase.h"
#include "net/KyTcpSocket.h"

// One HTTP/1.0 POST with a multipart/form-data body, over a connection of
// its own. The caller fills the text fields (and file fields where needed)
// and sends to a location "host/path"; the socket pump moves the bytes, and
// when the server has closed the connection the response is read: a whole
// response fires onResponse (status and body are then set), anything else
// fires onFailure with what went wrong, after a log line.
//
// The response is read as it arrives; only the header line being read is
// kept. Its body goes into body(), or, when a body sink is set, to the sink
// as it arrives and nowhere else.
class KyHTTPRequest {
public:
    // Why an exchange gave no usable response.
    enum Failure : u32 {
        FailureConnection = 1,   // no connection could be made, or it broke before any response ended
        FailureTimeout = 2,      // the host stopped answering
        FailureNoHeaderEnd = 3,
        FailureHeaderLineTooLong = 4,
        FailureTooLarge = 5,
        FailureShortBody = 6,
        FailureBadLength = 7,
        FailureStopped = 8       // the body sink stopped the exchange (it logs why)
    };

    // Takes a response's body as it arrives, in place of body().
    class BodySink {
    public:
        virtual ~BodySink() {}
        // The header has been read: the body of a response with this status
        // follows. False stops the exchange (FailureStopped).
        virtual bool beginBody(u32 status, bool hasContentLength, u32 contentLength) = 0;
        // The next bytes of the body, never past its Content-Length. False
        // stops the exchange (FailureStopped).
        virtual bool bodyBytes(const u8* bytes, u32 n) = 0;
        // The body begun will not be whole: the exchange failed, was
        // cancelled or sent again. Not called once onResponse has fired.
        virtual void dropBody() = 0;
    };

    typedef KyArray<KyICallback0Param*> Signal;
    typedef KyArray<KyICallback1Param<Failure>*> FailureSignal;

    static const char* const kBoundary;

    KyHTTPRequest();
    virtual ~KyHTTPRequest();

    // Replaces the value of the first text field of that name, or appends
    // the field.
    void setField(const KyString& name, const KyString& value);
    // The value of the first text field of that name; "" when there is none.
    KyString field(const KyString& name) const;
    // Appends a file field: its content is sent as the file's bytes.
    void addFileField(const KyString& name, const KyString& contentType, const KyString& fileName,
                      const KyString& content);

    // Clears the last response, connects to the host of location ("host" or
    // "host:port", the text before the first '/') and queues the request:
    // the header as one packet, the body as a second. True when the location
    // holds a '/'; without one the whole location is the host and the path
    // is "/".
    bool send(const KyString& location);
    // The address ("a.b.c.d:port") the connections of later sends go to in
    // place of looking the location's host up; the host still names the
    // site in the request. Empty: the host is looked up.
    void setConnectHost(const KyString& address) { m_connectHost = address; }
    const KyString& connectHost() const { return m_connectHost; }
    // Drops the connection in progress; no signal fires.
    void cancel();
    // The most bytes a response may take, header and body together (never
    // more than KyHTTPResponse::kMaxSize, the default): one that passes it
    // fails as too large as soon as it does, so a caller that can use only
    // so much never receives, keeps or writes more.
    void setMaxResponseSize(u32 bytes);
    u32 maxResponseSize() const { return m_maxResponse; }
    // Sends the bodies of the responses to come to sink (not owned; null
    // keeps them in body()).
    void setBodySink(BodySink* sink) { m_sink = sink; }

    // The request's header and body bytes.
    void buildRequest(KyString& header, KyString& body) const;

    // Socket listeners; both return false so later listeners run too.
    bool onSocketData(const KyArray<u8>& bytes);
    bool onSocketError(KySocketBase::Error error);

    u32 statusCode() const { return m_status; }
    // The body of the last response, when no body sink is set.
    const KyString& body() const { return m_body; }
    // Frees the body once the caller has used it.
    void releaseBody();
    const KyString& host() const { return m_host; }
    const KyString& path() const { return m_path; }
    // The bytes received so far in the exchange in progress.
    u32 receivedSize() const { return m_reader.total(); }

    const KyArray<KyString>& fieldNames() const { return m_fieldNames; }
    const KyArray<KyString>& fieldValues() const { return m_fieldValues; }

    static const char* describe(Failure failure);

    // Fired when a whole response has been read (any status).
    Signal onResponse;
    // Fired when the exchange ended without a usable response.
    FailureSignal onFailure;

    KyTcpSocket socket;

private:
    KyHTTPRequest(const KyHTTPRequest&) = delete;
    KyHTTPRequest& operator=(const KyHTTPRequest&) = delete;

    // The connection ended: fires the signal the response calls for.
    void finish(bool reset);
    // Logs the failure (its description, or reason when given; nothing for
    // FailureStopped), drops the exchange and fires onFailure.
    void failWith(Failure failure, const char* reason = nullptr);
    // Hands the body bytes of one block on; false when the sink stopped.
    bool takeBody(const u8* bytes, u32 n);
    void keepBody(const u8* bytes, u32 n);
    void clearResponse();

    KyArray<KyString> m_fieldNames;
    KyArray<KyString> m_fieldValues;
    KyArray<KyString> m_fileNames;
    KyArray<KyString> m_fileContentTypes;
    KyArray<KyString> m_fileFileNames;
    KyArray<KyString> m_fileContents;
    KyString m_host;
    KyString m_path;
    KyString m_connectHost;
    KyHTTPResponse::Reader m_reader;
    u32 m_status;
    KyString m_body;
    u32 m_maxResponse;
    BodySink* m_sink;
    // The sink taking the body of the exchange in progress, once its header
    // is read.
    BodySink* m_taking;
};

#endif
