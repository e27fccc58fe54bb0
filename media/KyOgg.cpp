#include "media/KyOgg.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/KyLog.h"
#include "core/KyPath.h"
#include "media/KyVorbisSetupCheck.h"

namespace {

// A damaged page makes ov_read report a hole and go on with the next one;
// a chunk gives up after this many holes in a row.
const int kMaxHoles = 64;

} // namespace

KyOgg::KyOgg()
    : m_bufferDuration(kDefaultBufferDuration)
    , m_channels(0)
    , m_rate(0)
    , m_bits(0)
    , m_chunkSize(0)
    , m_pcm(nullptr)
    , m_pcmCapacity(0)
    , m_vfOpen(false)
    , m_ended(false)
{
    m_callbacks.read_func = &KyOgg::readCallback;
    m_callbacks.seek_func = &KyOgg::seekCallback;
    m_callbacks.close_func = &KyOgg::closeCallback;
    m_callbacks.tell_func = &KyOgg::tellCallback;
    std::memset(&m_vf, 0, sizeof m_vf);
}

KyOgg::~KyOgg()
{
    close();
}

void KyOgg::close()
{
    if (m_vfOpen) {
        ov_clear(&m_vf); // closes the file through the close callback
        m_vfOpen = false;
    }
    m_file.close();
    std::free(m_pcm);
    m_pcm = nullptr;
    m_pcmCapacity = 0;
    m_channels = 0;
    m_rate = 0;
    m_bits = 0;
    m_chunkSize = 0;
    m_ended = false;
}

bool KyOgg::open(const KyString& filename)
{
    close();
    if (KyPath(filename).extension() != "ogg")
        return false;

    if (!m_file.Open_2(filename, 1)) {
        logPrint("[KyOgg::open(const KyString& filename)] File %s exist but can't be opened.\n",
                 filename.c_str());
        return false;
    }

    if (ov_open_callbacks(&m_file, &m_vf, nullptr, 0, m_callbacks) != 0) {
        logPrint("[KyOgg::open(const KyString& filename)] ov_open_callbacks error.\n");
        // A failed open leaves the data source to the caller.
        m_file.close();
        return false;
    }
    m_vfOpen = true;

    // Nothing is decoded before the headers of every link are checked.
    KyString unsafe;
    const char* error = nullptr;
    if (!checkHeaders(unsafe)) {
        unsafe = KyString("Unsafe Vorbis headers: ") + unsafe + ".";
        error = unsafe.c_str();
    }
    // Opening leaves a chained file at its second link: playing starts at
    // the first.
    else if (m_vf.links > 1 && ov_raw_seek(&m_vf, 0) != 0)
        error = "Chained file cannot be rewound.";
    if (error) {
        logPrint("[KyOgg::open(const KyString& filename)] file name : %s error : %s\n",
                 filename.c_str(), error);
        close();
        return false;
    }

    vorbis_info* info = ov_info(&m_vf, -1);
    if (!info) {
        logPrint("[KyOgg::open(const KyString& filename)] ov_info error.\n");
        close();
        return false;
    }

    if (m_bufferDuration == 0 || m_bufferDuration > 1000)
        error = "Invalid buffer duration.";
    else if (info->rate <= 0 || info->channels <= 0 ||
             !computeChunkSize(m_bufferDuration, static_cast<u32>(info->rate),
                               static_cast<u32>(info->channels), 16, m_chunkSize))
        error = "Unsupported stream layout.";
    if (error) {
        logPrint("[KyOgg::open(const KyString& filename)] file name : %s error : %s\n",
                 filename.c_str(), error);
        close();
        return false;
    }

    m_rate = static_cast<u32>(info->rate);
    m_channels = static_cast<u8>(info->channels);
    m_bits = 16;
    return true;
}

bool KyOgg::decode(u8** buffer, size_t& size)
{
    size = 0;
    *buffer = m_pcm;
    if (!m_vfOpen || m_ended || !reserveBuffer(m_pcm, m_pcmCapacity, m_chunkSize))
        return false;
    *buffer = m_pcm;

    int holes = 0;
    while (size < m_chunkSize) {
        int link = 0;
        long got = ov_read(&m_vf, reinterpret_cast<char*>(m_pcm) + size,
                           static_cast<int>(m_chunkSize - size), 0, 2, 1, &link);
        if (got == OV_HOLE && ++holes <= kMaxHoles)
            continue;
        if (got < 0 && got != OV_HOLE) {
            // The library may have failed to set its decoder up (OV_EBADLINK):
            // reading again would run the half-built decoder.
            m_ended = true;
            break;
        }
        if (got <= 0)
            break;
        holes = 0;
        // A chained file whose later link changes the layout ends there: its
        // samples cannot go into buffers of this format.
        vorbis_info* info = ov_info(&m_vf, link);
        if (!info || info->channels != m_channels || info->rate != static_cast<long>(m_rate)) {
            m_ended = true;
            break;
        }
        size += static_cast<size_t>(got);
    }

    if (m_channels == 6)
        reorder51(size);
    return size != 0;
}

// Vorbis 5.1 order (front left, centre, front right, rear left, rear right,
// LFE) to the OpenAL one (front left, front right, centre, LFE, rear left,
// rear right).
void KyOgg::reorder51(size_t size)
{
    s16* s = reinterpret_cast<s16*>(m_pcm);
    size_t frames = size / 12;
    for (size_t f = 0; f < frames; ++f, s += 6) {
        s16 c = s[1], fr = s[2], rl = s[3], rr = s[4], lfe = s[5];
        s[1] = fr;
        s[2] = c;
        s[3] = lfe;
        s[4] = rl;
        s[5] = rr;
    }
}

u8* KyOgg::decodeAll(size_t& size)
{
    u8* total = nullptr;
    size_t totalSize = 0;
    u8* chunk = nullptr;
    size_t chunkSize = 0;
    while (totalSize < kMaxDecodeAll && decode(&chunk, chunkSize)) {
        if (chunkSize > kMaxDecodeAll - totalSize)
            chunkSize = kMaxDecodeAll - totalSize;
        u8* grown = static_cast<u8*>(std::realloc(total, totalSize + chunkSize));
        if (!grown)
            break;
        total = grown;
        std::memcpy(total + totalSize, chunk, chunkSize);
        totalSize += chunkSize;
    }
    std::free(m_pcm);
    m_pcm = total;
    m_pcmCapacity = static_cast<u32>(totalSize);
    if (!m_pcm) {
        m_pcm = static_cast<u8*>(std::malloc(1));
        m_pcmCapacity = 0;
    }
    size = totalSize;
    return m_pcm;
}

bool KyOgg::checkHeaders(KyString& reason)
{
    const u32 resume = m_file.tell();
    bool safe = true;
    if (m_vf.seekable && m_vf.offsets && m_vf.serialnos) {
        // The library decodes each link with the headers it read at open.
        for (int link = 0; safe && link < m_vf.links; ++link) {
            // A link whose headers the library could not read is never decoded.
            if (m_vf.dataoffsets && m_vf.dataoffsets[link] < 0)
                continue;
            safe = checkLinkHeaders(m_vf.offsets[link], m_vf.offsets[link + 1],
                                    m_vf.serialnos[link], reason);
            if (!safe && m_vf.links > 1) {
                KyString where;
                where.format("link %d: ", link);
                reason = where + reason;
            }
        }
    } else {
        safe = checkLinkHeaders(0, m_file.GetFileSize(), m_vf.current_serialno, reason);
    }
    m_file.seek(resume);
    return safe;
}

bool KyOgg::checkLinkHeaders(s64 start, s64 end, long serial, KyString& reason)
{
    const s64 fileSize = m_file.GetFileSize();
    if (end > fileSize)
        end = fileSize;
    ogg_sync_state sync;
    ogg_stream_state stream;
    ogg_sync_init(&sync);
    ogg_stream_init(&stream, static_cast<int>(serial));

    // The identification, comment and setup packets, in this order.
    std::vector<u8> packets[3];
    int found = 0;
    bool broken = false;
    s64 position = start;
    if (start < 0 || start > end || !m_file.seek(static_cast<u32>(start)))
        position = end;
    while (found < 3 && !broken) {
        ogg_page page;
        const int paged = ogg_sync_pageout(&sync, &page);
        if (paged > 0) {
            if (ogg_page_serialno(&page) != static_cast<int>(serial))
                continue;
            ogg_stream_pagein(&stream, &page);
            ogg_packet packet;
            int got;
            while (found < 3 && (got = ogg_stream_packetout(&stream, &packet)) != 0) {
                if (got < 0) {
                    broken = true; // a gap between the header packets
                    break;
                }
                packets[found++].assign(packet.packet, packet.packet + packet.bytes);
            }
            continue;
        }
        if (paged < 0)
            continue; // bytes skipped before a page
        if (position >= end)
            break;
        const long want = end - position < 4096 ? static_cast<long>(end - position) : 4096;
        char* buffer = ogg_sync_buffer(&sync, want);
        const u32 got = buffer ? m_file.read(buffer, static_cast<u32>(want)) : 0;
        if (got == 0)
            break;
        ogg_sync_wrote(&sync, static_cast<long>(got));
        position += got;
    }
    ogg_stream_clear(&stream);
    ogg_sync_clear(&sync);

    if (found < 3) {
        reason = "header packets not found";
        return false;
    }
    return KyVorbisSetupCheck::check(packets[0].data(), static_cast<u32>(packets[0].size()),
                                     packets[2].data(), static_cast<u32>(packets[2].size()), reason);
}

size_t KyOgg::readCallback(void* ptr, size_t size, size_t count, void* source)
{
    KyFile* file = static_cast<KyFile*>(source);
    if (size == 0 || count == 0)
        return 0;
    u64 want = static_cast<u64>(size) * count;
    if (want > 0x7FFFFFFFu)
        want = 0x7FFFFFFFu;
    u32 got = file->read(ptr, static_cast<u32>(want));
    return got / size;
}

int KyOgg::seekCallback(void* source, ogg_int64_t offset, int whence)
{
    KyFile* file = static_cast<KyFile*>(source);
    s64 base;
    switch (whence) {
    case SEEK_SET: base = 0; break;
    case SEEK_CUR: base = file->tell(); break;
    case SEEK_END: base = file->GetFileSize(); break;
    default: return -1;
    }
    // Files are under 4 GiB: positions are 32-bit.
    if (offset > 0xFFFFFFFFll || offset < -0xFFFFFFFFll)
        return -1;
    s64 target = base + offset;
    if (target < 0 || target > 0xFFFFFFFFll)
        return -1;
    return file->seek(static_cast<u32>(target)) ? 0 : -1;
}

int KyOgg::closeCallback(void* source)
{
    static_cast<KyFile*>(source)->close();
    return 0;
}

long KyOgg::tellCallback(void* source)
{
    return static_cast<long>(static_cast<KyFile*>(source)->tell());
}
