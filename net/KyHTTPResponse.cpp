#include "net/KyHTTPResponse.h"

#include <cstring>

namespace {

bool isBlank(u8 c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

u8 lowerAscii(u8 c)
{
    return c >= 'A' && c <= 'Z' ? u8(c - 'A' + 'a') : c;
}

// One header line, '\r' bytes dropped, as [begin, end) of a scratch copy.
struct Line {
    const u8* begin;
    const u8* end;
};

// Reads the decimal digits at p (never past end) into value, saturating;
// returns how many digits were read.
u32 readDigits(const u8*& p, const u8* end, u64& value)
{
    u32 digits = 0;
    value = 0;
    while (p < end && *p >= '0' && *p <= '9') {
        if (value < 0xFFFFFFFFull)
            value = value * 10 + u64(*p - '0');
        ++p;
        ++digits;
    }
    if (value > 0xFFFFFFFFull)
        value = 0xFFFFFFFFull;
    return digits;
}

bool wordIs(const u8* begin, const u8* end, const char* word)
{
    size_t n = std::strlen(word);
    return size_t(end - begin) == n && std::memcmp(begin, word, n) == 0;
}

bool startsWithNoCase(const u8* begin, const u8* end, const char* prefix)
{
    size_t n = std::strlen(prefix);
    if (size_t(end - begin) < n)
        return false;
    for (size_t i = 0; i < n; ++i) {
        if (lowerAscii(begin[i]) != u8(prefix[i]))
            return false;
    }
    return true;
}

// Reads one header line into response; false with a result set when the
// line makes the response unusable.
bool readHeaderLine(const Line& line, KyHTTPResponse& response)
{
    const u8* p = line.begin;
    while (p < line.end && isBlank(*p))
        ++p;
    const u8* word = p;
    while (p < line.end && !isBlank(*p))
        ++p;
    if (wordIs(word, p, "HTTP/1.0") || wordIs(word, p, "HTTP/1.1")) {
        while (p < line.end && isBlank(*p))
            ++p;
        u64 value = 0;
        if (readDigits(p, line.end, value) > 0)
            response.status = u32(value);
        return true;
    }
    if (!startsWithNoCase(word, line.end, "content-length:"))
        return true;
    p = word + std::strlen("content-length:");
    while (p < line.end && isBlank(*p))
        ++p;
    u64 value = 0;
    u32 digits = readDigits(p, line.end, value);
    while (p < line.end && isBlank(*p))
        ++p;
    if (digits == 0 || p != line.end || (response.hasContentLength && response.contentLength != value)) {
        response.result = KyHTTPResponse::BadLength;
        return false;
    }
    if (value > KyHTTPResponse::kMaxSize) {
        response.result = KyHTTPResponse::TooLarge;
        return false;
    }
    response.hasContentLength = true;
    response.contentLength = u32(value);
    return true;
}

} // namespace

KyHTTPResponse KyHTTPResponse::parse(const u8* data, u32 size)
{
    Reader reader;
    u32 bodyOffset = 0;
    u32 bodyLength = 0;
    if (data || size == 0)
        reader.feed(data, size, bodyOffset, bodyLength);
    reader.finish();
    return reader.response();
}

const char* KyHTTPResponse::describe(Result result)
{
    switch (result) {
    case Complete:
        return "complete";
    case NoHeaderEnd:
        return "the header does not end";
    case HeaderLineTooLong:
        return "a header line is longer than 64 KiB";
    case TooLarge:
        return "the response is larger than 64 MiB";
    case ShortBody:
        return "the body is shorter than its Content-Length";
    case BadLength:
        return "the Content-Length is not valid";
    }
    return "unknown";
}

KyHTTPResponse::Reader::Reader()
    : m_kept(0)
    , m_lineLength(0)
    , m_total(0)
    , m_headerDone(false)
    , m_refused(false)
{
}

void KyHTTPResponse::Reader::reset()
{
    m_response = KyHTTPResponse();
    m_line.clear();
    m_kept = 0;
    m_lineLength = 0;
    m_total = 0;
    m_headerDone = false;
    m_refused = false;
}

KyHTTPResponse::Result KyHTTPResponse::Reader::refuse(Result result)
{
    m_refused = true;
    m_line.clear();
    m_response.result = result;
    return result;
}

KyHTTPResponse::Result KyHTTPResponse::Reader::feed(const u8* data, u32 size, u32& bodyOffset, u32& bodyLength)
{
    bodyOffset = 0;
    bodyLength = 0;
    if (m_refused)
        return m_response.result;
    if (size > kMaxSize - m_total) {
        m_total = kMaxSize;
        return refuse(TooLarge);
    }
    u32 i = 0;
    while (i < size && !m_headerDone) {
        const u8 c = data[i++];
        if (c != '\n') {
            if (++m_lineLength > kMaxHeaderLine)
                return refuse(HeaderLineTooLong);
            if (c == '\r')
                continue;
            // The line grows by doubling, up to the longest one allowed.
            if (m_kept == m_line.count()) {
                u32 grown = m_line.count() < 64 ? 64 : m_line.count() * 2;
                m_line.resize(grown < kMaxHeaderLine ? grown : kMaxHeaderLine);
            }
            m_line[m_kept++] = c;
            continue;
        }
        const u32 kept = m_kept;
        m_kept = 0;
        m_lineLength = 0;
        if (kept == 0) {
            m_headerDone = true;
            m_response.bodyStart = m_total + i;
            m_line.clear();
            break;
        }
        Line line = {m_line.data(), m_line.data() + kept};
        if (!readHeaderLine(line, m_response))
            return refuse(m_response.result);
    }
    if (m_headerDone && i < size) {
        u32 n = size - i;
        if (m_response.hasContentLength) {
            const u32 room = m_response.contentLength - m_response.bodyLength;
            n = n < room ? n : room;
        }
        bodyOffset = i;
        bodyLength = n;
        m_response.bodyLength += n;
    }
    m_total += size;
    return Complete;
}

KyHTTPResponse::Result KyHTTPResponse::Reader::finish()
{
    if (!m_refused) {
        if (!m_headerDone)
            m_response.result = NoHeaderEnd;
        else if (m_response.hasContentLength && m_response.bodyLength < m_response.contentLength)
            m_response.result = ShortBody;
        else
            m_response.result = Complete;
    }
    // A refused response tells nothing.
    if (m_response.result != Complete) {
        m_response.status = 0;
        m_response.bodyStart = 0;
        m_response.bodyLength = 0;
    }
    m_line.clear();
    return m_response.result;
}
