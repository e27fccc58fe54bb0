#ifndef KY_HTTPRESPONSE_H
#define KY_HTTPRESPONSE_H

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

    static KyHTTPResponse parse(const u8* data, u32 size);
    // A short English description of a result, for the log.
    static const char* describe(Result result);

    // Checks a response while it arrives, so that an oversized one is given
    // up early: feed each block as it comes; the result is Complete while
    // nothing is wrong yet (the whole response is parsed at the end).
    class Scanner {
    public:
        Result feed(const u8* data, u32 size);
        void reset();

    private:
        u32 m_total = 0;
        u32 m_lineLength = 0;
        bool m_lineHasText = false;
        bool m_headerDone = false;
    };
};

#endif
