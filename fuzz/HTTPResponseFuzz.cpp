// Fuzzes the reading of an HTTP response: the whole-response parser and the
// scanner that watches the bytes as they arrive. Whatever the bytes, the body
// lies inside them, a whole response is refused by neither, and the scanner
// gives the same answer however the bytes are cut into blocks.

#include "net/KyHTTPResponse.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

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

    // The scanner, fed whole and in blocks cut at a point the input chooses.
    KyHTTPResponse::Scanner whole;
    KyHTTPResponse::Result wholeResult = whole.feed(data, n);
    KyHTTPResponse::Scanner pieces;
    u32 cut = n > 0 ? data[0] % (n + 1) : 0;
    KyHTTPResponse::Result pieceResult = pieces.feed(data, cut);
    if (pieceResult == KyHTTPResponse::Complete)
        pieceResult = pieces.feed(data + cut, n - cut);
    if (pieceResult != wholeResult)
        std::abort();
    // A header line the scanner finds too long is one the parser refuses.
    if (wholeResult == KyHTTPResponse::HeaderLineTooLong && response.result == KyHTTPResponse::Complete)
        std::abort();
    return 0;
}
