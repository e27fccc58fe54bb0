// Fuzzes the reading of an HTTP response: whatever the bytes, the body lies
// inside them, a refused response tells nothing, and the reader gives the
// same answer and the same body however the bytes are cut into blocks.

#include "net/KyHTTPResponse.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > KyHTTPResponse::kMaxSize)
        return 0;
    u32 n = static_cast<u32>(size);
    KyHTTPResponse response = KyHTTPResponse::parse(data, n);
    if (response.result == KyHTTPResponse::Complete) {
        if (response.bodyStart > n || response.bodyLength > n - response.bodyStart)
            std::abort();
        if (response.hasContentLength && response.bodyLength != response.contentLength)
            std::abort();
    } else if (response.bodyLength != 0 || response.status != 0) {
        std::abort();
    }

    // The same bytes in blocks whose sizes the input chooses, as a socket
    // hands them over.
    KyHTTPResponse::Reader reader;
    std::vector<u8> body;
    KyHTTPResponse::Result early = KyHTTPResponse::Complete;
    for (u32 at = 0; at < n && early == KyHTTPResponse::Complete;) {
        u32 step = 1 + data[at] % 17;
        u32 block = step < n - at ? step : n - at;
        u32 offset = 0;
        u32 length = 0;
        early = reader.feed(data + at, block, offset, length);
        if (offset > block || length > block - offset)
            std::abort();
        body.insert(body.end(), data + at + offset, data + at + offset + length);
        at += block;
    }
    // A refusal stays.
    if (early != KyHTTPResponse::Complete && reader.finish() != early)
        std::abort();
    KyHTTPResponse::Result result = early == KyHTTPResponse::Complete ? reader.finish() : early;
    if (result != response.result)
        std::abort();
    if (result == KyHTTPResponse::Complete) {
        const KyHTTPResponse& pieces = reader.response();
        if (pieces.status != response.status || pieces.bodyStart != response.bodyStart ||
            body.size() != response.bodyLength ||
            (!body.empty() && std::memcmp(body.data(), data + response.bodyStart, body.size()) != 0))
            std::abort();
    }
    return 0;
}
