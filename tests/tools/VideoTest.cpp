// Videos made from descriptions: picture strips become Theora frames of
// their colours (held frames as duplicate packets), a sound description
// becomes a Vorbis track beside them, and bad descriptions are refused with
// their line.

#include "media/KyTheoraDecoder.h"
#include "tests/tools/ToolsTestSupport.h"
#include "tools/content/SoundWriters.h"

#include <gtest/gtest.h>
#include <ogg/ogg.h>
#include <theora/theoradec.h>
#include <vorbis/codec.h>

#include <cstdlib>
#include <map>
#include <string>
#include <vector>

namespace {

// What a made file holds, read back with libogg, libtheora and libvorbis.
struct Decoded {
    th_info info;
    int streams = 0;
    int frames = 0;          // frame packets, duplicates included
    int duplicates = 0;      // empty packets: the previous frame again
    std::vector<KyColor> centres;   // the centre pixel of every decoded frame
    long soundRate = 0;
    int soundChannels = 0;
    long soundSamples = 0;

    Decoded() { th_info_init(&info); }
    ~Decoded() { th_info_clear(&info); }
};

KyColor centreOf(const th_ycbcr_buffer planes, const th_info& info)
{
    const int x = int(info.pic_x + info.pic_width / 2), y = int(info.pic_y + info.pic_height / 2);
    u8 rgb[3];
    KyTheoraDecoder::yuvToRgb(planes[0].data[y * planes[0].stride + x], planes[1].data[(y / 2) * planes[1].stride + x / 2],
                              planes[2].data[(y / 2) * planes[2].stride + x / 2], rgb);
    return KyColor(rgb[0], rgb[1], rgb[2], 255);
}

void decode(const std::vector<std::uint8_t>& bytes, Decoded& out)
{
    ogg_sync_state sync;
    ogg_sync_init(&sync);
    char* buffer = ogg_sync_buffer(&sync, long(bytes.size()));
    std::copy(bytes.begin(), bytes.end(), buffer);
    ogg_sync_wrote(&sync, long(bytes.size()));

    std::map<int, ogg_stream_state> streams;
    std::map<int, char> kinds;   // 't' Theora, 'v' Vorbis
    th_comment comment;
    th_comment_init(&comment);
    th_setup_info* setup = nullptr;
    th_dec_ctx* decoder = nullptr;
    vorbis_info vinfo;
    vorbis_comment vcomment;
    vorbis_info_init(&vinfo);
    vorbis_comment_init(&vcomment);
    int vorbisHeaders = 0;

    ogg_page page;
    while (ogg_sync_pageout(&sync, &page) == 1) {
        const int serial = ogg_page_serialno(&page);
        if (!streams.count(serial)) {
            ogg_stream_init(&streams[serial], serial);
            ++out.streams;
        }
        ogg_stream_pagein(&streams[serial], &page);
        ogg_packet packet;
        while (ogg_stream_packetout(&streams[serial], &packet) == 1) {
            if (!kinds.count(serial))
                kinds[serial] = packet.bytes > 0 && packet.packet[0] == 0x80 ? 't' : 'v';
            if (kinds[serial] == 't') {
                if (!decoder) {
                    if (th_decode_headerin(&out.info, &comment, &setup, &packet) > 0)
                        continue;
                    decoder = th_decode_alloc(&out.info, setup);
                }
                ++out.frames;
                if (packet.bytes == 0) {
                    ++out.duplicates;
                    continue;
                }
                if (th_decode_packetin(decoder, &packet, nullptr) == 0) {
                    th_ycbcr_buffer planes;
                    th_decode_ycbcr_out(decoder, planes);
                    out.centres.push_back(centreOf(planes, out.info));
                }
            } else if (vorbisHeaders < 3) {
                if (vorbis_synthesis_headerin(&vinfo, &vcomment, &packet) == 0)
                    ++vorbisHeaders;
                out.soundRate = vinfo.rate;
                out.soundChannels = vinfo.channels;
            } else if (packet.granulepos >= 0) {
                out.soundSamples = long(packet.granulepos);
            }
        }
    }
    if (decoder)
        th_decode_free(decoder);
    th_setup_free(setup);
    th_comment_clear(&comment);
    vorbis_comment_clear(&vcomment);
    vorbis_info_clear(&vinfo);
    for (auto& s : streams)
        ogg_stream_clear(&s.second);
    ogg_sync_clear(&sync);
}

// A strip of four 40 x 30 frames: red, green, blue, white.
void writeStrip(const DataFolder& data)
{
    data.write("Frames.png.gen", "picture 40 30 frames=4\n"
                                 "frame 0\n  fill #ff0000\nend\nframe 1\n  fill #00ff00\nend\n"
                                 "frame 2\n  fill #0000ff\nend\nframe 3\n  fill #ffffff\nend\n");
}

} // namespace

TEST(Video, StripFramesBecomeTheoraFramesOfTheirColours)
{
    DataFolder data;
    writeStrip(data);
    data.write("Other.png.gen", "picture 40 30\nfill #808080\n");
    Decoded video;
    decode(data.make("Film.ogv", "video fps=10 quality=60\n"
                                 "frames Frames.png from=1 to=2\n"
                                 "frames Other.png hold=3\n"
                                 "frames Frames.png to=0\n"),
           video);
    EXPECT_EQ(1, video.streams);
    // The picture keeps its size inside a coded frame of whole blocks.
    EXPECT_EQ(40u, video.info.pic_width);
    EXPECT_EQ(30u, video.info.pic_height);
    EXPECT_EQ(48u, video.info.frame_width);
    EXPECT_EQ(32u, video.info.frame_height);
    EXPECT_EQ(10u, video.info.fps_numerator);
    EXPECT_EQ(1u, video.info.fps_denominator);
    EXPECT_EQ(TH_PF_420, video.info.pixel_fmt);
    // green, blue, grey held three times, red: six frames, two of them repeats
    EXPECT_EQ(6, video.frames);
    EXPECT_EQ(2, video.duplicates);
    const KyColor expected[] = {KyColor(0, 255, 0, 255), KyColor(0, 0, 255, 255), KyColor(128, 128, 128, 255),
                                KyColor(255, 0, 0, 255)};
    ASSERT_EQ(4u, video.centres.size());
    for (size_t i = 0; i < 4; ++i)
        EXPECT_TRUE(near(video.centres[i], expected[i], 12))
            << "frame " << i << ": " << describe(video.centres[i]) << " for " << describe(expected[i]);
}

TEST(Video, ASoundDescriptionBecomesAVorbisTrackBesideTheFrames)
{
    DataFolder data;
    writeStrip(data);
    data.write("Track.ogg.gen", "sound rate=22050 channels=2 length=1.5\ntone 0 1 A4\n");
    const std::vector<std::uint8_t> bytes =
        data.make("Film.ogv", "video fps=4\nframes Frames.png hold=2\nsound Track.ogg\n");
    Decoded video;
    decode(bytes, video);
    EXPECT_EQ(2, video.streams);
    EXPECT_EQ(8, video.frames);
    EXPECT_EQ(22050, video.soundRate);
    EXPECT_EQ(2, video.soundChannels);
    EXPECT_EQ(long(1.5 * 22050), video.soundSamples);
    // The same sources give the same bytes.
    EXPECT_EQ(bytes, data.make("Film.ogv", "video fps=4\nframes Frames.png hold=2\nsound Track.ogg\n"));
}

TEST(Video, FaultsNameTheirLine)
{
    DataFolder data;
    writeStrip(data);
    data.write("Wide.png.gen", "picture 48 30\nfill #000\n");
    data.write("Track.ogg.gen", "sound length=1\n");
    data.write("Picture.png.gen", "picture 4 4\n");
    const struct {
        const char* description;
        const char* message;
    } cases[] = {
        {"video\nframes Frames.png\nframes Wide.png\n", "Film.ogv.gen:3: frames: every frame of a video has the size of the first (40 x 30), not 48 x 30"},
        {"video\nframes Frames.png from=3 to=1\n", "Film.ogv.gen:2: frames: to is a whole number from 3 to 3"},
        {"video\nframes Frames.png hold=0\n", "Film.ogv.gen:2: frames: hold is a whole number from 1 to 10000"},
        {"video fps=0\n", "Film.ogv.gen:1: video: fps is a whole number from 1 to 60"},
        {"video\nframes Missing.png\n", "Film.ogv.gen:2: frames: 'Missing.png' has no description"},
        {"video\nframes Frames.png\nsound Track.ogg\nsound Track.ogg\n", "Film.ogv.gen:4: sound: a video has one sound track"},
        {"video\nframes Frames.png\nsound Picture.png\n", "a sound track's description starts with 'sound', not 'picture'"},
        {"video\nframes Frames.png\nvideo\n", "Film.ogv.gen:3: video: a description makes one video"},
        {"video\nframe Frames.png\n", "Film.ogv.gen:2: unknown video command 'frame' (frames, sound)"},
        {"video\n", "a video needs at least one frame"},
    };
    for (const auto& c : cases) {
        const std::string message = data.failure("Film.ogv", c.description);
        EXPECT_NE(std::string::npos, message.find(c.message)) << c.description << "gave: " << message;
    }
    EXPECT_NE(std::string::npos, data.failure("Film.ogg", "video\nframes Frames.png\n").find("a video is written as .ogv"));
}
