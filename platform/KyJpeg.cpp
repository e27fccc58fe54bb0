#include "platform/KyJpeg.h"

#include "core/KyFile.h"
#include "core/KyLog.h"
#include "platform/KyImgInput.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <jerror.h>
#include <jpeglib.h>

namespace {

// Every scan is a pass over the whole picture: a file may hold this many at
// most (real files have a dozen).
const int kMaxScans = 1000;

enum Outcome { Failed, WrongFormat, Decoded };

} // namespace

// The source manager: libjpeg sees the first member.
struct KyJpeg::Source {
    jpeg_source_mgr pub;
    jpeg_progress_mgr progress;
    u8* window;
    // Stream form.
    KyStream* stream;
    // Zlib form: the block, inflated as the decoder reads.
    KyImgInput::ZlibBlock* block;
    // What the reading may cost; in the zlib form, once the picture's size
    // is known the block's whole stated size is spent at once.
    KyImgInput::Budget* budget;
    bool blockSpent;
    // The window holds the end marker supplied after the data ran out.
    bool ended;
    // The scans seen: the number of the last one, and for each component
    // and coefficient the lowest bit coded so far (-1 for none).
    int scan;
    signed char coded[MAX_COMPONENTS][DCTSIZE2];
};

struct KyJpeg::Error {
    jpeg_error_mgr pub;
    jmp_buf jump;
};

namespace {

KyJpeg::Source* sourceOf(j_decompress_ptr cinfo)
{
    return reinterpret_cast<KyJpeg::Source*>(cinfo->src);
}

// libjpeg's own messages, worded as libjpeg prints them on standard error,
// go to the log instead: a picture read on a worker thread keeps them with
// the rest of what its reading logged (KyOsLog::Capture).
void printMessage(j_common_ptr cinfo)
{
    char text[JMSG_LENGTH_MAX];
    (*cinfo->err->format_message)(cinfo, text);
    logPrint("%s\n", text);
}

void errorExit(j_common_ptr cinfo)
{
    (*cinfo->err->output_message)(cinfo);
    longjmp(reinterpret_cast<KyJpeg::Error*>(cinfo->err)->jump, 1);
}

void fail(j_decompress_ptr cinfo)
{
    longjmp(reinterpret_cast<KyJpeg::Error*>(cinfo->err)->jump, 1);
}

// Whether the scan whose header was just read codes again what an earlier
// scan coded, recording what it codes. Progressive: a coefficient's first
// scan (Ah 0) must be its only one, and a refinement must refine a bit below
// those coded. Sequential: a component is coded by one scan.
bool codesAgain(j_decompress_ptr cinfo, signed char (*coded)[DCTSIZE2])
{
    const bool progressive = cinfo->progressive_mode != 0;
    const int first = progressive ? cinfo->Ss : 0;
    const int last = progressive ? cinfo->Se : DCTSIZE2 - 1;
    if (first < 0 || first > last || last >= DCTSIZE2)
        return true;   // libjpeg refuses these first
    bool again = false;
    for (int i = 0; i < cinfo->comps_in_scan; ++i) {
        const int c = cinfo->cur_comp_info[i]->component_index;
        if (c < 0 || c >= MAX_COMPONENTS)
            return true;
        for (int k = first; k <= last; ++k) {
            signed char& bit = coded[c][k];
            if (bit >= 0 && (!progressive || cinfo->Ah == 0 || cinfo->Al >= bit))
                again = true;
            bit = static_cast<signed char>(progressive ? cinfo->Al : 0);
        }
    }
    return again;
}

// libjpeg calls this before it consumes each part of the data, so before
// each scan's data once its header is read. A scan that codes again what an
// earlier one coded (which no encoder writes, and libjpeg decodes with a
// warning at most) refuses the picture: so every coefficient is coded once
// and refined a bit at a time, and the work is bounded by the picture's
// size.
void watchScans(j_common_ptr common)
{
    if (!common->is_decompressor)
        return;
    j_decompress_ptr cinfo = reinterpret_cast<j_decompress_ptr>(common);
    KyJpeg::Source* s = sourceOf(cinfo);
    if (cinfo->input_scan_number == s->scan)
        return;
    s->scan = cinfo->input_scan_number;
    if (s->scan > kMaxScans) {
        s->budget->refuse("more than 1000 scans");
        fail(cinfo);
    }
    if (codesAgain(cinfo, s->coded)) {
        s->budget->refuse("a scan codes again what an earlier scan coded");
        fail(cinfo);
    }
}

void initSource(j_decompress_ptr cinfo)
{
    KyJpeg::Source* s = sourceOf(cinfo);
    s->pub.next_input_byte = s->window;
    s->pub.bytes_in_buffer = 0;
    s->ended = false;
}

// The data is exhausted: hand the decoder an end-of-image marker, as the
// library's own sources do, so it finishes with what it has.
boolean supplyEnd(j_decompress_ptr cinfo)
{
    KyJpeg::Source* s = sourceOf(cinfo);
    WARNMS(cinfo, JWRN_JPEG_EOF);
    s->window[0] = 0xFF;
    s->window[1] = JPEG_EOI;
    s->pub.next_input_byte = s->window;
    s->pub.bytes_in_buffer = 2;
    s->ended = true;
    return TRUE;
}

// The next window of the stream, within the budget.
boolean fillFromStream(j_decompress_ptr cinfo)
{
    KyJpeg::Source* s = sourceOf(cinfo);
    u32 n = 0;
    if (!s->ended && !s->budget->readSome(*s->stream, s->window, KyJpeg::WindowSize, n))
        fail(cinfo);
    if (n == 0)
        return supplyEnd(cinfo);
    s->pub.next_input_byte = s->window;
    s->pub.bytes_in_buffer = n;
    return TRUE;
}

void skipInStream(j_decompress_ptr cinfo, long n)
{
    if (n <= 0)
        return;
    KyJpeg::Source* s = sourceOf(cinfo);
    while (static_cast<unsigned long>(n) > s->pub.bytes_in_buffer) {
        n -= static_cast<long>(s->pub.bytes_in_buffer);
        fillFromStream(cinfo);
        if (s->ended)
            return;   // keep the end marker for the decoder
    }
    s->pub.next_input_byte += n;
    s->pub.bytes_in_buffer -= static_cast<size_t>(n);
}

// Gives the unused part of the last window back to the stream and to the
// budget, so that the stream stands right after the JPEG data and the
// reading has cost what the decoder used.
void termStream(j_decompress_ptr cinfo)
{
    KyJpeg::Source* s = sourceOf(cinfo);
    if (!s->ended && s->pub.bytes_in_buffer > 0) {
        u32 back = static_cast<u32>(s->pub.bytes_in_buffer);
        u32 here = s->stream->tell();
        s->stream->seek(here >= back ? here - back : 0);
        s->budget->giveBack(back);
    }
    s->pub.bytes_in_buffer = 0;
}

// Spends n inflated bytes, unless the block's stated size was spent whole.
void spendInflated(j_decompress_ptr cinfo, u64 n)
{
    KyJpeg::Source* s = sourceOf(cinfo);
    if (!s->blockSpent && !s->budget->spend(n))
        fail(cinfo);
}

// The zlib form: the next window of the block, inflated now.
boolean fillFromZlib(j_decompress_ptr cinfo)
{
    KyJpeg::Source* s = sourceOf(cinfo);
    u64 left = s->ended ? 0 : s->block->size() - s->block->position();
    u32 n = static_cast<u32>(left < KyJpeg::WindowSize ? left : KyJpeg::WindowSize);
    if (n == 0)
        return supplyEnd(cinfo);
    spendInflated(cinfo, n);
    if (!s->block->read(s->window, n))
        fail(cinfo);
    s->pub.next_input_byte = s->window;
    s->pub.bytes_in_buffer = n;
    return TRUE;
}

void skipInZlib(j_decompress_ptr cinfo, long n)
{
    if (n <= 0)
        return;
    KyJpeg::Source* s = sourceOf(cinfo);
    if (static_cast<unsigned long>(n) <= s->pub.bytes_in_buffer) {
        s->pub.next_input_byte += n;
        s->pub.bytes_in_buffer -= static_cast<size_t>(n);
        return;
    }
    u64 rest = static_cast<u64>(n) - s->pub.bytes_in_buffer;
    s->pub.bytes_in_buffer = 0;
    u64 left = s->block->size() - s->block->position();
    rest = rest < left ? rest : left;
    spendInflated(cinfo, rest);
    if (!s->block->read(nullptr, rest))
        fail(cinfo);
}

void termZlib(j_decompress_ptr) {}

} // namespace

KyJpeg::KyJpeg() : m_stream(nullptr)
{
    std::memset(m_window, 0, sizeof m_window);
}

KyJpeg::~KyJpeg() {}

void KyJpeg::LoadFromFile(const KyString& path)
{
    resetResult();
    KyFile file;
    if (!file.Open_2(path, KyFile::ModeRead)) {
        logPrint("[KyJpeg::LoadFromFile] Le fichier : %s n'existe pas.\n", path.c_str());
        return;
    }
    LoadFromStream(file);
    file.close();
}

void KyJpeg::LoadZlibFromFile(const KyString& path)
{
    resetResult();
    KyFile file;
    if (!file.Open_2(path, KyFile::ModeRead)) {
        logPrint("[KyJpeg::LoadFromFile] Le fichier : %s n'existe pas.\n", path.c_str());
        return;
    }
    LoadZlibFromStream(file);
    file.close();
}

void KyJpeg::LoadFromStream(KyStream& stream)
{
    resetResult();
    m_stream = &stream;
    KyImgInput::Budget budget(KyImgInput::Budget::Jpeg, "KyJpeg::LoadFromStream");
    Source source;
    std::memset(&source, 0, sizeof source);
    source.pub.init_source = initSource;
    source.pub.fill_input_buffer = fillFromStream;
    source.pub.skip_input_data = skipInStream;
    source.pub.resync_to_restart = jpeg_resync_to_restart;
    source.pub.term_source = termStream;
    source.window = m_window;
    source.stream = &stream;
    source.budget = &budget;
    decode(source);
    m_stream = nullptr;
}

void KyJpeg::LoadZlibFromStream(KyStream& stream)
{
    resetResult();
    m_stream = &stream;
    KyImgInput::Budget budget(KyImgInput::Budget::Jpeg, "KyJpeg::LoadZlibFromStream");
    KyImgInput::ZlibBlock block(stream, budget);
    if (block.open()) {
        Source source;
        std::memset(&source, 0, sizeof source);
        source.pub.init_source = initSource;
        source.pub.fill_input_buffer = fillFromZlib;
        source.pub.skip_input_data = skipInZlib;
        source.pub.resync_to_restart = jpeg_resync_to_restart;
        source.pub.term_source = termZlib;
        source.window = m_window;
        source.block = &block;
        source.budget = &budget;
        decode(source);
        // The block must hold the JPEG and nothing more than its stated
        // size, which the decoding held to the picture's budget.
        if (m_format != 13 && !block.finish())
            resetResult();
    }
    m_stream = nullptr;
}

void KyJpeg::decode(Source& source)
{
    jpeg_decompress_struct cinfo;
    std::memset(&cinfo, 0, sizeof cinfo);
    Error error;
    cinfo.err = jpeg_std_error(&error.pub);
    error.pub.error_exit = errorExit;
    error.pub.output_message = printMessage;
    source.progress.progress_monitor = watchScans;
    std::memset(source.coded, 0xFF, sizeof source.coded);

    int outcome = run(this, &source, &error, &cinfo);
    jpeg_destroy_decompress(&cinfo);
    if (outcome == WrongFormat)
        logPrint("KyJpeg::LoadFromStream: wrong format");
    if (outcome != Decoded)
        resetResult();
    else
        m_cutShort = source.ended;
}

// No object with a destructor lives in this frame: libjpeg leaves it
// through longjmp on any error. The pixels are members, so the caller frees
// them.
int KyJpeg::run(KyJpeg* self, Source* source, Error* error, void* decompressor)
{
    j_decompress_ptr cinfo = static_cast<j_decompress_ptr>(decompressor);
    if (setjmp(error->jump))
        return Failed;
    jpeg_create_decompress(cinfo);
    cinfo->mem->max_memory_to_use = static_cast<long>(KyImgInput::kMaxPixelBytes);
    cinfo->src = &source->pub;
    cinfo->progress = &source->progress;
    jpeg_read_header(cinfo, TRUE);
    jpeg_calc_output_dimensions(cinfo);
    int components = cinfo->output_components;
    if (components != 1 && components != 3)
        return WrongFormat;
    u64 total = 0;
    if (!KyImgInput::rowsBytes(cinfo->output_width, cinfo->output_height, u64(cinfo->output_width) * components,
                               total))
        return Failed;
    source->budget->setPicture(total);
    if (source->block) {
        // The block states what the picture's data takes: all of it counts.
        if (!source->budget->spend(source->block->size() - source->block->position()))
            return Failed;
        source->blockSpent = true;
    }
    jpeg_start_decompress(cinfo);
    u32 width = cinfo->output_width;
    u32 height = cinfo->output_height;
    u64 stride = u64(width) * components;
    if (stride * height != total)
        return Failed;
    u8* pixels = self->allocatePixels(total);
    while (cinfo->output_scanline < height) {
        // The first scanline becomes the last row: bottom row first.
        JSAMPROW row = pixels + stride * (height - 1 - cinfo->output_scanline);
        if (jpeg_read_scanlines(cinfo, &row, 1) != 1)
            return Failed;
    }
    jpeg_finish_decompress(cinfo);
    self->m_width = width;
    self->m_height = height;
    self->m_format = components == 1 ? 12 : 5;
    return Decoded;
}
