#include "tools/content/TheoraWriter.h"

#include <ogg/ogg.h>
#include <theora/theoraenc.h>
#include <vorbis/vorbisenc.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace {

OggPacketData copyPacket(const ogg_packet& packet)
{
    OggPacketData data;
    data.bytes.assign(reinterpret_cast<const char*>(packet.packet), size_t(packet.bytes));
    data.granulePosition = packet.granulepos;
    return data;
}

void paintDefault(unsigned index, TheoraPlane planes[3])
{
    const int y = 16 + int((8 * index) % 220);
    std::memset(planes[0].data, y, size_t(planes[0].stride) * planes[0].height);
    std::memset(planes[1].data, 128, size_t(planes[1].stride) * planes[1].height);
    std::memset(planes[2].data, 128, size_t(planes[2].stride) * planes[2].height);
}

void appendPage(std::string& out, const ogg_page& page)
{
    out.append(reinterpret_cast<const char*>(page.header), size_t(page.header_len));
    out.append(reinterpret_cast<const char*>(page.body), size_t(page.body_len));
}

// A logical stream being paged: packets go in one by one; pages come out as
// libogg fills them (or at once when forced).
class StreamPager {
public:
    StreamPager(const std::vector<OggPacketData>& packets, int serial, unsigned headerCount, bool pagePerPacket)
        : m_packets(packets), m_headerCount(headerCount), m_pagePerPacket(pagePerPacket)
    {
        ogg_stream_init(&m_stream, serial);
    }
    ~StreamPager() { ogg_stream_clear(&m_stream); }

    bool done() const { return m_next >= m_packets.size(); }

    // Puts packet index in and appends the pages that are complete.
    void feed(std::string& out)
    {
        const size_t i = m_next++;
        ogg_packet packet;
        std::memset(&packet, 0, sizeof(packet));
        packet.packet = reinterpret_cast<unsigned char*>(const_cast<char*>(m_packets[i].bytes.data()));
        packet.bytes = long(m_packets[i].bytes.size());
        packet.b_o_s = i == 0;
        packet.e_o_s = i + 1 == m_packets.size();
        packet.granulepos = m_packets[i].granulePosition;
        packet.packetno = ogg_int64_t(i);
        ogg_stream_packetin(&m_stream, &packet);
        ogg_page page;
        if (i < m_headerCount || m_pagePerPacket || packet.e_o_s) {
            while (ogg_stream_flush(&m_stream, &page) > 0)
                appendPage(out, page);
        } else {
            while (ogg_stream_pageout(&m_stream, &page) > 0)
                appendPage(out, page);
        }
    }

private:
    const std::vector<OggPacketData>& m_packets;
    unsigned m_headerCount;
    bool m_pagePerPacket;
    size_t m_next = 0;
    ogg_stream_state m_stream;
};

} // namespace

std::vector<OggPacketData> encodeTheoraPackets(const TheoraVideoSpec& spec)
{
    th_info info;
    th_info_init(&info);
    info.frame_width = spec.frameWidth;
    info.frame_height = spec.frameHeight;
    info.pic_width = spec.pictureWidth;
    info.pic_height = spec.pictureHeight;
    info.pic_x = spec.pictureX;
    info.pic_y = spec.pictureY;
    info.fps_numerator = spec.fpsNumerator;
    info.fps_denominator = spec.fpsDenominator;
    info.aspect_numerator = 1;
    info.aspect_denominator = 1;
    info.colorspace = TH_CS_UNSPECIFIED;
    info.pixel_fmt = th_pixel_fmt(spec.pixelFormat);
    info.quality = spec.quality;
    info.target_bitrate = 0;
    info.keyframe_granule_shift = 6;
    th_enc_ctx* encoder = th_encode_alloc(&info);
    th_info_clear(&info);
    if (!encoder)
        throw std::runtime_error("th_encode_alloc refused the video spec");
    ogg_uint32_t interval = spec.keyframeInterval;
    th_encode_ctl(encoder, TH_ENCCTL_SET_KEYFRAME_FREQUENCY_FORCE, &interval, sizeof(interval));

    std::vector<OggPacketData> packets;
    th_comment comment;
    th_comment_init(&comment);
    ogg_packet packet;
    while (th_encode_flushheader(encoder, &comment, &packet) > 0)
        packets.push_back(copyPacket(packet));
    th_comment_clear(&comment);

    const int xdec = spec.pixelFormat == TH_PF_444 ? 0 : 1;
    const int ydec = spec.pixelFormat == TH_PF_420 ? 1 : 0;
    std::vector<unsigned char> planeBytes[3];
    th_ycbcr_buffer buffer;
    TheoraPlane planes[3];
    for (int p = 0; p < 3; ++p) {
        const int w = int(spec.frameWidth) >> (p ? xdec : 0);
        const int h = int(spec.frameHeight) >> (p ? ydec : 0);
        planeBytes[p].assign(size_t(w) * h, 0);
        buffer[p].width = w;
        buffer[p].height = h;
        buffer[p].stride = w;
        buffer[p].data = planeBytes[p].data();
        planes[p] = TheoraPlane{w, h, w, planeBytes[p].data()};
    }
    for (unsigned i = 0; i < spec.frames; ++i) {
        if (spec.paint)
            spec.paint(i, planes);
        else
            paintDefault(i, planes);
        int dups = i < spec.duplicateAfter.size() ? int(spec.duplicateAfter[i]) : 0;
        if (dups > 0)
            th_encode_ctl(encoder, TH_ENCCTL_SET_DUP_COUNT, &dups, sizeof(dups));
        if (th_encode_ycbcr_in(encoder, buffer) != 0) {
            th_encode_free(encoder);
            throw std::runtime_error("th_encode_ycbcr_in failed");
        }
        while (th_encode_packetout(encoder, i + 1 == spec.frames, &packet) > 0)
            packets.push_back(copyPacket(packet));
    }
    th_encode_free(encoder);
    return packets;
}

std::vector<OggPacketData> encodeVorbisPackets(double seconds, long sampleRate, int channels)
{
    const long total = long(seconds * double(sampleRate));
    std::vector<float> samples(size_t(total) * size_t(channels));
    for (long s = 0; s < total; ++s) {
        const float v = 0.25f * std::sin(2.0 * M_PI * 440.0 * double(s) / double(sampleRate));
        for (int c = 0; c < channels; ++c)
            samples[size_t(s) * size_t(channels) + size_t(c)] = v;
    }
    return encodeVorbisPackets(samples, sampleRate, channels, 0.3f);
}

std::vector<OggPacketData> encodeVorbisPackets(const std::vector<float>& samples, long sampleRate, int channels,
                                               float quality)
{
    if (channels < 1)
        throw std::runtime_error("a sound track needs at least one channel");
    vorbis_info info;
    vorbis_info_init(&info);
    if (vorbis_encode_init_vbr(&info, channels, sampleRate, quality) != 0) {
        vorbis_info_clear(&info);
        throw std::runtime_error("vorbis_encode_init_vbr failed");
    }
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    vorbis_dsp_state dsp;
    vorbis_analysis_init(&dsp, &info);
    vorbis_block block;
    vorbis_block_init(&dsp, &block);

    std::vector<OggPacketData> packets;
    ogg_packet header, commentPacket, codebook;
    vorbis_analysis_headerout(&dsp, &comment, &header, &commentPacket, &codebook);
    packets.push_back(copyPacket(header));
    packets.push_back(copyPacket(commentPacket));
    packets.push_back(copyPacket(codebook));

    const long total = long(samples.size() / size_t(channels));
    const long chunk = 1024;
    long written = 0;
    for (;;) {
        const long n = total - written < chunk ? total - written : chunk;
        if (n > 0) {
            float** buffer = vorbis_analysis_buffer(&dsp, int(n));
            for (long s = 0; s < n; ++s)
                for (int c = 0; c < channels; ++c)
                    buffer[c][s] = samples[size_t(written + s) * size_t(channels) + size_t(c)];
            written += n;
        }
        vorbis_analysis_wrote(&dsp, int(n));
        while (vorbis_analysis_blockout(&dsp, &block) == 1) {
            vorbis_analysis(&block, nullptr);
            vorbis_bitrate_addblock(&block);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&dsp, &packet))
                packets.push_back(copyPacket(packet));
        }
        if (n == 0)
            break;
    }
    vorbis_block_clear(&block);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    return packets;
}

std::string muxOgg(const std::vector<OggPacketData>& packets, int serialNumber, unsigned headerCount,
                   bool pagePerPacket)
{
    std::string out;
    StreamPager pager(packets, serialNumber, headerCount, pagePerPacket);
    while (!pager.done())
        pager.feed(out);
    return out;
}

std::string muxOggPair(const std::vector<OggPacketData>& video, int videoSerial,
                       const std::vector<OggPacketData>& audio, int audioSerial)
{
    std::string out;
    StreamPager v(video, videoSerial, 3, false);
    StreamPager a(audio, audioSerial, 3, false);
    // Both beginning pages, then the remaining headers of each.
    v.feed(out);
    a.feed(out);
    for (int i = 1; i < 3; ++i) {
        if (!v.done())
            v.feed(out);
    }
    for (int i = 1; i < 3; ++i) {
        if (!a.done())
            a.feed(out);
    }
    while (!v.done() || !a.done()) {
        if (!v.done())
            v.feed(out);
        for (int i = 0; i < 4 && !a.done(); ++i)
            a.feed(out);
    }
    return out;
}

std::string writeTheoraOgv(const TheoraVideoSpec& spec, bool withVorbis)
{
    std::vector<OggPacketData> video = encodeTheoraPackets(spec);
    if (!withVorbis)
        return muxOgg(video, 0x5eed);
    const double seconds = double(spec.frames) * spec.fpsDenominator / spec.fpsNumerator;
    return muxOggPair(video, 0x5eed, encodeVorbisPackets(seconds), 0x0a0d);
}

std::string writeVorbisOgg(double seconds)
{
    return muxOgg(encodeVorbisPackets(seconds), 0x0a0d);
}

bool writeBytesToFile(const std::string& path, const std::string& bytes)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && ok;
}

void setTheoraInfoField(std::string& infoPacket, unsigned offset, unsigned bytes, std::uint64_t value)
{
    if (offset + bytes > infoPacket.size())
        throw std::runtime_error("info field past the packet");
    for (unsigned i = 0; i < bytes; ++i)
        infoPacket[offset + i] = char((value >> (8 * (bytes - 1 - i))) & 0xff);
}
