#include "media/KyTheoraDecoder.h"

#include "core/KyLog.h"

#include <ogg/ogg.h>
#include <theora/theoradec.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace {

const u32 kReadSize = 4096;

inline u8 clampByte(s32 v)
{
    return u8(v < 0 ? 0 : (v > 255 ? 255 : v));
}

// The conversion works on whole rows in 16-bit lanes, so that the compiler
// turns its loops into vector code. Per pixel, with L = 74 Y:
//   R = (L + redTerm) >> 6          redTerm = 102 V - 14240
//   G = (L + greenTerm) >> 6        greenTerm = 8672 - 25 U - 52 V
//   B = ((L + blueTerm) >> 6) - 277 blueTerm = 129 U + 32
// R and G stay within -14240..30640 and so fit a signed 16-bit lane. The sum
// for B reaches 34069, which does not; as 74 Y + 129 U + 32 it is never
// negative and stays below 51798, so it is shifted as an unsigned 16-bit
// value: since 17696 = 277 x 64 - 32, (a - 17696) >> 6 is ((a + 32) >> 6) -
// 277 for every a. All three results equal the 32-bit formula of yuvToRgb.

inline s16 clampChannel(s16 v)
{
    return v < 0 ? 0 : (v > 255 ? 255 : v);
}

// The chroma terms of one chroma row, computed once per chroma sample and
// given to the columns it covers: two each when xShift is 1, else one.
void computeChromaTerms(const u8* uRow, const u8* vRow, u32 samples, int xShift, s16* __restrict red,
                        s16* __restrict green, u16* __restrict blue)
{
    if (xShift == 0) {
        for (size_t c = 0; c < samples; ++c) {
            const s32 u = uRow[c];
            const s32 v = vRow[c];
            red[c] = s16(102 * v - 14240);
            green[c] = s16(8672 - 25 * u - 52 * v);
            blue[c] = u16(129 * u + 32);
        }
        return;
    }
    for (size_t c = 0; c < samples; ++c) {
        const s32 u = uRow[c];
        const s32 v = vRow[c];
        red[2 * c] = red[2 * c + 1] = s16(102 * v - 14240);
        green[2 * c] = green[2 * c + 1] = s16(8672 - 25 * u - 52 * v);
        blue[2 * c] = blue[2 * c + 1] = u16(129 * u + 32);
    }
}

// One row of luma with its chroma terms into three planes of channel bytes.
void convertRow(const u8* __restrict luma, const s16* __restrict redTerm, const s16* __restrict greenTerm,
                const u16* __restrict blueTerm, size_t n, u8* __restrict red, u8* __restrict green,
                u8* __restrict blue)
{
    for (size_t x = 0; x < n; ++x) {
        const s16 l = s16(74 * luma[x]);
        red[x] = u8(clampChannel(s16(s16(l + redTerm[x]) >> 6)));
        green[x] = u8(clampChannel(s16(s16(l + greenTerm[x]) >> 6)));
        blue[x] = u8(clampChannel(s16(s16(u16(u16(l) + blueTerm[x]) >> 6) - 277)));
    }
}

// Three channel planes into R, G, B byte triples.
void interleaveRow(const u8* __restrict red, const u8* __restrict green, const u8* __restrict blue, size_t n,
                   u8* __restrict out)
{
    for (size_t x = 0; x < n; ++x) {
        out[3 * x] = red[x];
        out[3 * x + 1] = green[x];
        out[3 * x + 2] = blue[x];
    }
}

} // namespace

// libogg's and libtheora's records. Each flag says whether its record holds
// something to free.
struct KyTheoraDecoder::State {
    ogg_sync_state sync;
    ogg_page page;
    ogg_stream_state stream;
    ogg_packet packet;
    th_info info;
    th_comment comment;
    th_setup_info* setup;
    th_dec_ctx* decoder;
    bool syncReady;
    bool streamReady;
    bool infoReady;
};

KyTheoraDecoder::KyTheoraDecoder()
    : opened(false)
    , playing(false)
    , frame(0)
    , width(0)
    , height(0)
    , frameRate(0.0)
    , imageChanged(false)
    , lastRead(0)
    , dataStart(0)
    , m_state(new State())
    , m_guards(nullptr)
{
}

KyTheoraDecoder::~KyTheoraDecoder()
{
    for (LifeGuard* guard = m_guards; guard; guard = guard->outer)
        guard->alive = false;
    closeStream();
    delete m_state;
}

void KyTheoraDecoder::play()
{
    playing = true;
    lastRead = 1;
    clock.start();
}

void KyTheoraDecoder::pause()
{
    playing = false;
    clock.pause();
}

void KyTheoraDecoder::stop()
{
    playing = false;
    frame = 0;
    // Pages and packets read ahead belong to the old position: dropped, so
    // that the video starts again with its first frame. The header packets
    // met again are refused by the decoder and skipped.
    if (m_state->syncReady)
        ogg_sync_reset(&m_state->sync);
    if (m_state->streamReady)
        ogg_stream_reset(&m_state->stream);
    if (file.isOpen())
        file.seek(dataStart);
    clock.stop();
    onStopped.call();
}

void KyTheoraDecoder::closeStream()
{
    State& s = *m_state;
    if (s.streamReady)
        ogg_stream_clear(&s.stream);
    if (s.syncReady)
        ogg_sync_clear(&s.sync);
    if (s.infoReady) {
        th_info_clear(&s.info);
        th_comment_clear(&s.comment);
    }
    if (s.setup)
        th_setup_free(s.setup);
    if (s.decoder)
        th_decode_free(s.decoder);
    std::memset(&s, 0, sizeof(s));
    // Waits for the reader thread before the file's memory goes.
    file.close();
    opened = false;
    // A closed video has no picture and no position, and a video opened
    // next starts paused at 0 rather than catching up with an old clock.
    playing = false;
    frame = 0;
    width = 0;
    height = 0;
    clock.stop();
    m_fileName = "";
}

bool KyTheoraDecoder::openStream(const KyString& openPath, const KyString& path, const char* logName)
{
    closeStream();
    if (!file.Open_2(openPath, KyFile::ModeRead)) {
        logPrint("[%s] Le fichier %s ne peux etre ouvert.\n", logName, path.c_str());
        return false;
    }
    m_fileName = path;
    State& s = *m_state;
    ogg_sync_init(&s.sync);
    s.syncReady = true;

    if (!readHeaders() || !acceptableInfo()) {
        logPrint("[%s] La lecture des headers du fichier %s a echoue.\n", logName, path.c_str());
        closeStream();
        return false;
    }
    s.decoder = th_decode_alloc(&s.info, s.setup);
    if (!s.decoder) {
        logPrint("[%s] th_decode_alloc => Invalid parameters.\n", logName);
        closeStream();
        return false;
    }
    th_setup_free(s.setup);
    s.setup = nullptr;

    width = s.info.pic_width;
    height = s.info.pic_height;
    frameRate = f64(u32(s.info.fps_numerator)) / f64(u32(s.info.fps_denominator));

    if (!image.create(5, width, height, KyIntrusivePtr<KyPalette>())) {
        logPrint("[%s] La lecture des headers du fichier %s a echoue.\n", logName, path.c_str());
        closeStream();
        return false;
    }
    image.fill(0, 0, 0, 0);
    frame = 0;
    opened = true;
    imageCreated();
    return true;
}

u32 KyTheoraDecoder::refill()
{
    char* buffer = ogg_sync_buffer(&m_state->sync, kReadSize);
    if (!buffer)
        return 0;
    const u32 n = file.read(buffer, kReadSize);
    ogg_sync_wrote(&m_state->sync, long(n));
    return n;
}

bool KyTheoraDecoder::nextPage()
{
    for (;;) {
        const int result = ogg_sync_pageout(&m_state->sync, &m_state->page);
        if (result > 0)
            return true;
        if (result == 0)
            return false;
        // Negative: bytes that were not a page were skipped; look again.
    }
}

bool KyTheoraDecoder::readHeaders()
{
    State& s = *m_state;
    th_info_init(&s.info);
    th_comment_init(&s.comment);
    s.infoReady = true;
    s.setup = nullptr;
    int headers = 0;

    // The beginning pages of every stream come first: the first stream
    // whose first packet Theora accepts is the video.
    for (;;) {
        if (!nextPage()) {
            if (refill() == 0)
                return false;
            continue;
        }
        if (!ogg_page_bos(&s.page)) {
            // A file without a Theora stream has nothing more to offer.
            if (!s.streamReady)
                return false;
            ogg_stream_pagein(&s.stream, &s.page);
            break;
        }
        if (s.streamReady)
            continue; // another stream (a sound track) beside the video
        ogg_stream_state trial;
        ogg_stream_init(&trial, ogg_page_serialno(&s.page));
        ogg_stream_pagein(&trial, &s.page);
        ogg_packet packet;
        if (ogg_stream_packetout(&trial, &packet) == 1
            && th_decode_headerin(&s.info, &s.comment, &s.setup, &packet) > 0) {
            s.stream = trial;
            s.streamReady = true;
            headers = 1;
        } else {
            ogg_stream_clear(&trial);
        }
    }

    while (headers < 3) {
        const int result = ogg_stream_packetout(&s.stream, &s.packet);
        if (result < 0) {
            logPrint("[KyVideo::ReadHeaders] File corrupted.\n");
            return false;
        }
        if (result > 0) {
            if (th_decode_headerin(&s.info, &s.comment, &s.setup, &s.packet) < 0) {
                logPrint("[KyVideo::ReadHeaders] File corrupted.\n");
                return false;
            }
            ++headers;
            continue;
        }
        if (nextPage())
            ogg_stream_pagein(&s.stream, &s.page);
        else if (refill() == 0)
            return false;
    }
    return s.setup != nullptr;
}

bool KyTheoraDecoder::acceptableInfo() const
{
    const th_info& info = m_state->info;
    // A zero rate would never show a frame nor end; a zero denominator has
    // no rate at all.
    if (info.fps_denominator == 0 || info.fps_numerator == 0)
        return false;
    const u64 w = info.pic_width;
    const u64 h = info.pic_height;
    if (w == 0 || h == 0 || w > kMaxSide || h > kMaxSide || w * h * 3 > kMaxImageBytes)
        return false;
    // The decoder allocates its reference frames at the coded size.
    const u64 fw = info.frame_width;
    const u64 fh = info.frame_height;
    if (fw > kMaxSide || fh > kMaxSide || fw * fh * 3 > kMaxImageBytes)
        return false;
    return u64(info.pic_x) + w <= fw && u64(info.pic_y) + h <= fh;
}

void KyTheoraDecoder::yuvToRgb(s32 y, s32 u, s32 v, u8* rgb)
{
    const s32 luma = 74 * y;
    rgb[0] = clampByte((luma + 102 * v - 14240) >> 6);
    rgb[1] = clampByte((luma - 25 * u - 52 * v + 8672) >> 6);
    rgb[2] = clampByte((luma + 129 * u - 17696) >> 6);
}

void KyTheoraDecoder::convertFrame(const th_ycbcr_buffer planes, int pixelFormat, u32 pictureX, u32 pictureY,
                                   u32 width, u32 height, u8* rgb)
{
    const int xShift = pixelFormat == TH_PF_444 ? 0 : 1;
    const int yShift = pixelFormat == TH_PF_420 ? 1 : 0;
    // Luma offsets lose their lowest bit, so that in 4:2:0 a luma pair and
    // its chroma sample start together.
    const u32 x0 = pictureX & ~1u;
    const u32 y0 = pictureY & ~1u;
    const size_t rowBytes = size_t(width) * 3;
    const u32 samples = (width + (1u << xShift) - 1) >> xShift;
    // One entry per picture column (and one spare for an odd width whose
    // last chroma sample covers a single column).
    std::vector<s16> redTerm(size_t(width) + 1);
    std::vector<s16> greenTerm(size_t(width) + 1);
    std::vector<u16> blueTerm(size_t(width) + 1);
    std::vector<u8> channels(size_t(width) * 3);
    u8* red = channels.data();
    u8* green = red + width;
    u8* blue = green + width;
    u32 termsRow = 0;
    bool haveTerms = false;
    for (u32 j = 0; j < height; ++j) {
        const u32 row = y0 + j;
        const u32 chromaRow = row >> yShift;
        // In 4:2:0 two luma rows share a chroma row and its terms.
        if (!haveTerms || chromaRow != termsRow) {
            const u8* uRow = planes[1].data + ptrdiff_t(chromaRow) * planes[1].stride + (x0 >> xShift);
            const u8* vRow = planes[2].data + ptrdiff_t(chromaRow) * planes[2].stride + (x0 >> xShift);
            computeChromaTerms(uRow, vRow, samples, xShift, redTerm.data(), greenTerm.data(), blueTerm.data());
            termsRow = chromaRow;
            haveTerms = true;
        }
        const u8* yRow = planes[0].data + ptrdiff_t(row) * planes[0].stride + x0;
        convertRow(yRow, redTerm.data(), greenTerm.data(), blueTerm.data(), width, red, green, blue);
        interleaveRow(red, green, blue, width, rgb + size_t(height - 1 - j) * rowBytes);
    }
}

bool KyTheoraDecoder::convertCurrentFrame()
{
    th_ycbcr_buffer planes;
    if (th_decode_ycbcr_out(m_state->decoder, planes) != 0 || !image.pixels())
        return false;
    const th_info& info = m_state->info;
    convertFrame(planes, info.pixel_fmt, info.pic_x, info.pic_y, width, height, image.pixels());
    imageChanged = true;
    return true;
}

void KyTheoraDecoder::decodeDueFrames()
{
    if (!opened || !playing)
        return;
    State& s = *m_state;
    const f64 due = std::trunc(f64(clock.getTimeFromStart()) / 1000000.0 * frameRate);
    const bool behind = f64(frame) < due;
    bool decoded = false;
    bool duplicate = false;
    bool ranOut = false;
    while (f64(frame) < due) {
        const int result = ogg_stream_packetout(&s.stream, &s.packet);
        if (result == 0) {
            // Pages already read come first; the file is read only when
            // none is left, so the last pages are never lost at the end.
            if (nextPage()) {
                ogg_stream_pagein(&s.stream, &s.page);
                continue;
            }
            lastRead = refill();
            if (lastRead == 0) {
                ranOut = true;
                break;
            }
            while (nextPage())
                ogg_stream_pagein(&s.stream, &s.page);
            continue;
        }
        if (result < 0)
            continue; // a gap in the stream
        const int decodedResult = th_decode_packetin(s.decoder, &s.packet, nullptr);
        if (decodedResult == 0) {
            ++frame;
            decoded = true;
        } else if (decodedResult == TH_DUPFRAME) {
            ++frame;
            duplicate = true;
        }
    }
    if (decoded && convertCurrentFrame())
        frameConverted();
    // The end comes when the frames due could not all be decoded because
    // the file has run out: reading ahead to the end of the file is not the
    // end of the video while pages read ahead are still waiting.
    if (ranOut && behind && !duplicate) {
        LifeGuard guard = {true, m_guards};
        m_guards = &guard;
        stop();
        if (!guard.alive)
            return;
        m_guards = guard.outer;
        onFinished.call();
        return;
    }
    if (lastRead != 0)
        lastRead = refill();
    if (nextPage())
        ogg_stream_pagein(&s.stream, &s.page);
}
