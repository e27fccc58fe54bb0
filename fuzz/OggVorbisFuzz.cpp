// Fuzzes the engine's Ogg Vorbis decoder the way the sounds and musics use
// it: the input becomes an ".ogg" file, KyOgg opens it and decodes it chunk
// by chunk to the end, then is asked once more (a caller may retry). Every page the input holds
// gets its checksum set first, so that mutations reach the headers and the
// audio instead of being dropped by the page layer. Whatever the bytes, an
// opened stream has a usable layout, chunks stay within the chunk size and
// the decoding ends.

#include "core/KyString.h"
#include "media/KyOgg.h"

#include <ogg/ogg.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// Sets the checksum of every well-formed page, in place.
void fixPageChecksums(std::vector<uint8_t>& bytes)
{
    size_t at = 0;
    while (at + 27 <= bytes.size()) {
        if (std::memcmp(&bytes[at], "OggS", 4) != 0) {
            ++at;
            continue;
        }
        const size_t segments = bytes[at + 26];
        size_t bodySize = 0;
        for (size_t i = 0; i < segments && at + 27 + i < bytes.size(); ++i)
            bodySize += bytes[at + 27 + i];
        const size_t body = at + 27 + segments;
        if (body > bytes.size() || bytes.size() - body < bodySize) {
            ++at;
            continue;
        }
        ogg_page page;
        page.header = &bytes[at];
        page.header_len = static_cast<long>(27 + segments);
        page.body = bytes.data() + body;
        page.body_len = static_cast<long>(bodySize);
        ogg_page_checksum_set(&page);
        at = body + bodySize;
    }
}

const std::string& filePath()
{
    static const std::string path = [] {
        const char* folder = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        return std::string(folder) + "/ky_fuzz_ogg_" + std::to_string(getpid()) + ".ogg";
    }();
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<uint8_t> bytes(data, data + size);
    fixPageChecksums(bytes);
    FILE* file = std::fopen(filePath().c_str(), "wb");
    if (!file)
        return 0;
    const bool written = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    if (std::fclose(file) != 0 || !written)
        return 0;

    KyOgg ogg;
    if (ogg.open(KyString(filePath().c_str()))) {
        if (ogg.channels() == 0 || ogg.rate() == 0 || ogg.bits() != 16 || ogg.chunkSize() == 0)
            std::abort();
        u8* buffer = nullptr;
        size_t got = 0;
        // A few bytes may hold hours of samples at a tiny rate: the decoding
        // stops after 16 MiB, then the stream is asked again mid-way.
        size_t total = 0;
        bool more = true;
        while (total < (size_t(16) << 20) && (more = ogg.decode(&buffer, got))) {
            if (got > ogg.chunkSize() || got % (2u * ogg.channels()) != 0)
                std::abort();
            total += got;
        }
        if (!more && ogg.decode(&buffer, got))
            std::abort();
    }
    return 0;
}
