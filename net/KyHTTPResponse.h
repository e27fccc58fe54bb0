#ifndef KY_HTTPRESPONSE_H
#define KY_HTTPRESPONSE_H

#include "core/KyArray.h"
#include "core/KyTypes.h"

// Reads the bytes an HTTP server sent before it closed the connection: the
// header lines up to the first empty line, the status from a line whose first
// word is "HTTP/1.0" or "HTTP/1.1", the Content-Length, and where the body
// lies. Only a whole response is accepted: the header must end, no header
// line may pass 64 KiB, the whole response may not pass 64 MiB, and a body
// shorter than its Content-Length is refused (a longer one is cut to it).
struct KyHTTPResponse {
    enum Result : u32 {
        Complete = 0,
        NoHeaderEnd = 1,        // the bytes end before the empty line
        HeaderLineTooLong = 2,  // a header line longer than kMaxHeaderLine
        TooLarge = 3,           // more than kMaxSize bytes, or such a Content-Length
        ShortBody = 4,          // fewer body bytes than the Content-Length
        BadLength = 5           // a Content-Length that is not a number, or two that differ
    };

    static const u32 kMaxSize = 64u * 1024u * 1024u;
    static const u32 kMaxHeaderLine = 64u * 1024u;

    Result result = NoHeaderEnd;
    // 0 when no status line was read, or when the response is refused.
    u32 status = 0;
    bool hasContentLength = false;
    u32 contentLength = 0;
    // Where the body starts in the bytes, and its length.
    u32 bodyStart = 0;
    u32 bodyLength = 0;

    // A whole response at once: the bytes read by a Reader.
    static KyHTTPResponse parse(const u8* data, u32 size);
    // A short English description of a result, for the log.
    static const char* describe(Result result);

    // Reads a response block by block as it arrives (below).
    class Reader;
};

// Reads a response block by block as it arrives, by the rules above, so
// that its body can go wherever the caller puts it and a bad response is
// given up as soon as it shows: only the header line being read is kept.
class KyHTTPResponse::Reader {
public:
    Reader();

    // Reads the next block. The result is Complete while nothing is wrong
    // yet, otherwise the refusal, which stays (later blocks are not read).
    // The body bytes of the block, cut at the Content-Length, are
    // data[bodyOffset, bodyOffset + bodyLength).
    Result feed(const u8* data, u32 size, u32& bodyOffset, u32& bodyLength);
    // The bytes have ended: the result of the whole response, and in
    // response() its status and where its body lies (all 0 on a refusal).
    Result finish();
    void reset();

    // The empty line has been read: status and Content-Length are known.
    bool headerDone() const { return m_headerDone; }
    const KyHTTPResponse& response() const { return m_response; }
    // Bytes read so far, header included.
    u32 total() const { return m_total; }

private:
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;

    Result refuse(Result result);

    KyHTTPResponse m_response;
    // The header line being read, '\r' bytes dropped; freed once the
    // header ends.
    KyArray<u8> m_line;
    u32 m_kept;        // bytes of m_line in use
    u32 m_lineLength;  // bytes of the line as sent
    u32 m_total;
    bool m_headerDone;
    bool m_refused;
};

#endif
