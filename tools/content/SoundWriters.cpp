#include "tools/content/SoundWriters.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

#include <vorbis/vorbisenc.h>

namespace SoundWriters {

namespace {

const double kTwoPi = 6.283185307179586;

void putU16(Bytes& out, std::uint16_t v)
{
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void putU32(Bytes& out, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void putTag(Bytes& out, const char* tag)
{
    out.insert(out.end(), tag, tag + 4);
}

void appendPage(Bytes& out, const ogg_page& page)
{
    out.insert(out.end(), page.header, page.header + page.header_len);
    out.insert(out.end(), page.body, page.body + page.body_len);
}

} // namespace

WavBuilder& WavBuilder::fmt(std::uint16_t format, std::uint16_t channels, std::uint32_t rate,
                            std::uint16_t bits, std::uint32_t extraBytes)
{
    Bytes payload;
    std::uint16_t blockAlign = static_cast<std::uint16_t>(channels * (bits / 8));
    putU16(payload, format);
    putU16(payload, channels);
    putU32(payload, rate);
    putU32(payload, rate * blockAlign);
    putU16(payload, blockAlign);
    putU16(payload, bits);
    payload.insert(payload.end(), extraBytes, 0);
    return chunk("fmt ", payload);
}

WavBuilder& WavBuilder::data(const Bytes& pcm, std::uint32_t declaredSize)
{
    putTag(m_body, "data");
    putU32(m_body, declaredSize == ~0u ? static_cast<std::uint32_t>(pcm.size()) : declaredSize);
    m_body.insert(m_body.end(), pcm.begin(), pcm.end());
    if (pcm.size() & 1)
        m_body.push_back(0);
    return *this;
}

WavBuilder& WavBuilder::chunk(const char tag[4], const Bytes& payload)
{
    putTag(m_body, tag);
    putU32(m_body, static_cast<std::uint32_t>(payload.size()));
    m_body.insert(m_body.end(), payload.begin(), payload.end());
    if (payload.size() & 1)
        m_body.push_back(0);
    return *this;
}

WavBuilder& WavBuilder::raw(const Bytes& bytes)
{
    m_body.insert(m_body.end(), bytes.begin(), bytes.end());
    return *this;
}

Bytes WavBuilder::bytes(const char* riffTag, const char* waveTag) const
{
    Bytes out;
    putTag(out, riffTag);
    putU32(out, static_cast<std::uint32_t>(4 + m_body.size()));
    putTag(out, waveTag);
    out.insert(out.end(), m_body.begin(), m_body.end());
    return out;
}

Bytes makeWav(std::uint16_t channels, std::uint32_t rate, std::uint16_t bits, const Bytes& pcm)
{
    return WavBuilder().fmt(1, channels, rate, bits).data(pcm).bytes();
}

Bytes sineS16(std::uint32_t channels, std::uint32_t rate, std::uint32_t frames,
              const std::vector<double>& frequencies, const std::vector<double>& amplitudes)
{
    Bytes out;
    out.reserve(static_cast<size_t>(frames) * channels * 2);
    for (std::uint32_t f = 0; f < frames; ++f) {
        for (std::uint32_t c = 0; c < channels; ++c) {
            double v = amplitudes[c] * std::sin(kTwoPi * frequencies[c] * f / rate);
            putU16(out, static_cast<std::uint16_t>(static_cast<std::int16_t>(std::lround(v))));
        }
    }
    return out;
}

Bytes sineU8(std::uint32_t channels, std::uint32_t rate, std::uint32_t frames, double frequency,
             double amplitude)
{
    Bytes out;
    out.reserve(static_cast<size_t>(frames) * channels);
    for (std::uint32_t f = 0; f < frames; ++f) {
        double v = 128.0 + amplitude * std::sin(kTwoPi * frequency * f / rate);
        for (std::uint32_t c = 0; c < channels; ++c)
            out.push_back(static_cast<std::uint8_t>(std::lround(v)));
    }
    return out;
}

std::vector<float> sineFloat(std::uint32_t channels, std::uint32_t rate, std::uint32_t frames,
                             const std::vector<double>& frequencies,
                             const std::vector<double>& amplitudes)
{
    std::vector<float> out;
    out.reserve(static_cast<size_t>(frames) * channels);
    for (std::uint32_t f = 0; f < frames; ++f)
        for (std::uint32_t c = 0; c < channels; ++c)
            out.push_back(static_cast<float>(amplitudes[c] *
                                             std::sin(kTwoPi * frequencies[c] * f / rate)));
    return out;
}

Bytes encodeVorbis(std::uint32_t channels, std::uint32_t rate, const std::vector<float>& samples,
                   float quality)
{
    VorbisSettings settings;
    settings.quality = quality;
    return encodeVorbis(channels, rate, samples, settings);
}

Bytes encodeVorbis(std::uint32_t channels, std::uint32_t rate, const std::vector<float>& samples,
                   const VorbisSettings& settings)
{
    Bytes out;
    vorbis_info info;
    vorbis_info_init(&info);
    const int set = settings.managed
                        ? vorbis_encode_init(&info, static_cast<long>(channels), static_cast<long>(rate),
                                             settings.maximumBitrate, settings.nominalBitrate,
                                             settings.minimumBitrate)
                        : vorbis_encode_init_vbr(&info, static_cast<long>(channels),
                                                 static_cast<long>(rate), settings.quality);
    if (set != 0) {
        vorbis_info_clear(&info);
        return out;
    }

    vorbis_comment comment;
    vorbis_comment_init(&comment);
    vorbis_dsp_state dsp;
    vorbis_analysis_init(&dsp, &info);
    vorbis_block block;
    vorbis_block_init(&dsp, &block);
    ogg_stream_state stream;
    ogg_stream_init(&stream, settings.serial);

    ogg_packet header, headerComment, headerCode;
    vorbis_analysis_headerout(&dsp, &comment, &header, &headerComment, &headerCode);
    ogg_stream_packetin(&stream, &header);
    ogg_stream_packetin(&stream, &headerComment);
    ogg_stream_packetin(&stream, &headerCode);
    ogg_page page;
    while (ogg_stream_flush(&stream, &page) != 0)
        appendPage(out, page);

    const size_t frames = channels ? samples.size() / channels : 0;
    const size_t step = 1024;
    size_t done = 0;
    bool ended = false;
    while (!ended) {
        size_t n = frames - done < step ? frames - done : step;
        if (n == 0) {
            vorbis_analysis_wrote(&dsp, 0);
        } else {
            float** buffer = vorbis_analysis_buffer(&dsp, static_cast<int>(n));
            for (size_t i = 0; i < n; ++i)
                for (std::uint32_t c = 0; c < channels; ++c)
                    buffer[c][i] = samples[(done + i) * channels + c];
            vorbis_analysis_wrote(&dsp, static_cast<int>(n));
            done += n;
        }
        while (vorbis_analysis_blockout(&dsp, &block) == 1) {
            vorbis_analysis(&block, nullptr);
            vorbis_bitrate_addblock(&block);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&dsp, &packet)) {
                ogg_stream_packetin(&stream, &packet);
                while (ogg_stream_pageout(&stream, &page) != 0) {
                    appendPage(out, page);
                    if (ogg_page_eos(&page))
                        ended = true;
                }
            }
        }
        if (n == 0)
            ended = true;
    }
    while (ogg_stream_flush(&stream, &page) != 0)
        appendPage(out, page);

    ogg_stream_clear(&stream);
    vorbis_block_clear(&block);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    return out;
}

std::vector<OggPage> oggPages(const Bytes& file)
{
    std::vector<OggPage> pages;
    size_t at = 0;
    while (file.size() - at >= 27 && std::memcmp(&file[at], "OggS", 4) == 0) {
        const size_t segments = file[at + 26];
        if (file.size() - at < 27 + segments)
            break;
        size_t bodySize = 0;
        for (size_t i = 0; i < segments; ++i)
            bodySize += file[at + 27 + i];
        const size_t body = at + 27 + segments;
        if (file.size() - body < bodySize)
            break;
        const int serial = static_cast<int>(file[at + 14] | file[at + 15] << 8 | file[at + 16] << 16 |
                                            static_cast<std::uint32_t>(file[at + 17]) << 24);
        pages.push_back(OggPage{at, body, bodySize, serial});
        at = body + bodySize;
    }
    return pages;
}

void fixOggPageCrc(Bytes& file, const OggPage& page)
{
    ogg_page view;
    view.header = &file[page.start];
    view.header_len = static_cast<long>(page.body - page.start);
    view.body = file.data() + page.body;
    view.body_len = static_cast<long>(page.bodySize);
    ogg_page_checksum_set(&view);
}

bool writeFile(const std::string& path, const Bytes& bytes)
{
    for (size_t i = 1; i < path.size(); ++i) {
        if (path[i] == '/') {
            std::string folder = path.substr(0, i);
            if (mkdir(folder.c_str(), 0755) != 0 && errno != EEXIST)
                return false;
        }
    }
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    size_t written = bytes.empty() ? 0 : std::fwrite(bytes.data(), 1, bytes.size(), f);
    bool ok = std::fclose(f) == 0 && written == bytes.size();
    return ok;
}

Bytes readFile(const std::string& path)
{
    Bytes out;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return out;
    std::uint8_t block[65536];
    size_t n;
    while ((n = std::fread(block, 1, sizeof block, f)) > 0)
        out.insert(out.end(), block, block + n);
    std::fclose(f);
    return out;
}

} // namespace SoundWriters
