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
    KyHTTPResponse response;
    if (size > kMaxSize) {
        response.result = TooLarge;
        return response;
    }
    if (!data)
        size = 0;
    // The '\r' bytes of a line are dropped in a copy of it.
    u8* scratch = new u8[kMaxHeaderLine + 1];
    u32 pos = 0;
    for (;;) {
        const u8* start = data + pos;
        const void* found = size > pos ? std::memchr(start, '\n', size - pos) : nullptr;
        u32 lineLength = found ? u32(static_cast<const u8*>(found) - start) : size - pos;
        if (lineLength > kMaxHeaderLine) {
            response.result = HeaderLineTooLong;
            break;
        }
        if (!found) {
            response.result = NoHeaderEnd;
            break;
        }
        u32 kept = 0;
        for (u32 i = 0; i < lineLength; ++i) {
            if (start[i] != '\r')
                scratch[kept++] = start[i];
        }
        pos += lineLength + 1;
        if (kept == 0) {
            response.bodyStart = pos;
            response.bodyLength = size - pos;
            response.result = Complete;
            if (response.hasContentLength) {
                if (response.bodyLength < response.contentLength)
                    response.result = ShortBody;
                else
                    response.bodyLength = response.contentLength;
            }
            break;
        }
        Line line = {scratch, scratch + kept};
        if (!readHeaderLine(line, response))
            break;
    }
    delete[] scratch;
    // A refused response tells nothing.
    if (response.result != Complete) {
        response.status = 0;
        response.bodyStart = 0;
        response.bodyLength = 0;
    }
    return response;
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

void KyHTTPResponse::Scanner::reset()
{
    *this = Scanner();
}

KyHTTPResponse::Result KyHTTPResponse::Scanner::feed(const u8* data, u32 size)
{
    if (size > kMaxSize - m_total) {
        m_total = kMaxSize;
        return TooLarge;
    }
    m_total += size;
    for (u32 i = 0; i < size && !m_headerDone; ++i) {
        u8 c = data[i];
        if (c == '\n') {
            if (!m_lineHasText)
                m_headerDone = true;
            m_lineLength = 0;
            m_lineHasText = false;
            continue;
        }
        if (++m_lineLength > kMaxHeaderLine)
            return HeaderLineTooLong;
        if (c != '\r')
            m_lineHasText = true;
    }
    return Complete;
}
