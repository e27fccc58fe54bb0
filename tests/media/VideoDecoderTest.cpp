#include "media/KyTheoraDecoder.h"
#include "tests/media/VideoFixture.h"
#include "tests/support/StdoutCapture.h"

#include <theora/codec.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace {

// The decoding core as a player with no picture of its own.
class CorePlayer : public KyTheoraDecoder {
public:
    bool open(const KyString& path) { return openStream(path, path, "KyVideo::Open"); }
    void update() { decodeDueFrames(); }
    void close() { closeStream(); }

    int created = 0;
    std::vector<u32> convertedAt;

protected:
    void imageCreated() override { ++created; }
    void frameConverted() override { convertedAt.push_back(frame); }
};

std::vector<u8> rgbOf(s32 y, s32 u, s32 v)
{
    u8 rgb[3];
    KyTheoraDecoder::yuvToRgb(y, u, v, rgb);
    return {rgb[0], rgb[1], rgb[2]};
}

// Hand-made planes of a frame: luma sample (x, y) = 10 x y + x (so reading
// positions can be told apart), chroma samples given by a function.
struct Planes {
    Planes(int w, int h, int xShift, int yShift)
    {
        for (int p = 0; p < 3; ++p) {
            const int pw = p ? w >> xShift : w;
            const int ph = p ? h >> yShift : h;
            bytes[p].assign(size_t(pw) * ph, 128);
            buffer[p].width = pw;
            buffer[p].height = ph;
            buffer[p].stride = pw;
            buffer[p].data = bytes[p].data();
        }
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                bytes[0][size_t(y) * w + x] = u8(10 * y + x);
    }
    std::vector<u8> bytes[3];
    th_ycbcr_buffer buffer;
};

} // namespace

TEST(VideoConversionTest, ConvertsTheReferenceColoursWithClamping)
{
    EXPECT_EQ((std::vector<u8>{0, 0, 0}), rgbOf(16, 128, 128));
    EXPECT_EQ((std::vector<u8>{253, 253, 253}), rgbOf(235, 128, 128));
    EXPECT_EQ((std::vector<u8>{255, 255, 255}), rgbOf(255, 128, 128));
    EXPECT_EQ((std::vector<u8>{0, 135, 0}), rgbOf(0, 0, 0));
    // The extremes of the range clamp instead of reading outside a table.
    EXPECT_EQ((std::vector<u8>{255, 123, 255}), rgbOf(255, 255, 255));
    EXPECT_EQ((std::vector<u8>{72, 255, 18}), rgbOf(255, 0, 0));
    EXPECT_EQ((std::vector<u8>{183, 0, 237}), rgbOf(0, 255, 255));
    // Inside the range the result is the plain formula.
    EXPECT_EQ((std::vector<u8>{u8((74 * 100 + 102 * 150 - 14240) >> 6), u8((74 * 100 - 25 * 90 - 52 * 150 + 8672) >> 6),
                               u8((74 * 100 + 129 * 90 - 17696) >> 6)}),
              rgbOf(100, 90, 150));
}

TEST(VideoConversionTest, OddPictureOffsetsLoseTheirLowBitForLumaAndRowsGoBottomUp)
{
    Planes planes(16, 16, 1, 1);
    u8 rgb[3 * 3 * 2];
    KyTheoraDecoder::convertFrame(planes.buffer, TH_PF_420, 3, 5, 3, 2, rgb);
    // Top picture row j = 0 reads luma row 4 from column 2; it is the last
    // image row.
    u8 expected[3];
    KyTheoraDecoder::yuvToRgb(10 * 4 + 2, 128, 128, expected);
    EXPECT_EQ(expected[0], rgb[3 * 3 + 0]);
    KyTheoraDecoder::yuvToRgb(10 * 4 + 4, 128, 128, expected);
    EXPECT_EQ(expected[0], rgb[3 * 3 + 6]);
    KyTheoraDecoder::yuvToRgb(10 * 5 + 2, 128, 128, expected);
    EXPECT_EQ(expected[0], rgb[0]);
}

TEST(VideoConversionTest, ChromaFollowsThePixelFormat)
{
    // Cb marks its own column and row so the sample read can be identified.
    for (int format : {TH_PF_420, TH_PF_422, TH_PF_444}) {
        const int xs = format == TH_PF_444 ? 0 : 1;
        const int ys = format == TH_PF_420 ? 1 : 0;
        Planes planes(16, 16, xs, ys);
        const int cw = 16 >> xs;
        for (int y = 0; y < (16 >> ys); ++y)
            for (int x = 0; x < cw; ++x)
                planes.bytes[1][size_t(y) * cw + x] = u8(100 + 10 * y + x);
        const u32 w = 4, h = 4;
        u8 rgb[4 * 4 * 3];
        KyTheoraDecoder::convertFrame(planes.buffer, format, 2, 2, w, h, rgb);
        for (u32 j = 0; j < h; ++j) {
            for (u32 x = 0; x < w; ++x) {
                const int cx = int(2 + x) >> xs;
                const int cy = int(2 + j) >> ys;
                u8 expected[3];
                KyTheoraDecoder::yuvToRgb(10 * int(2 + j) + int(2 + x), 100 + 10 * cy + cx, 128, expected);
                const u8* got = rgb + ((h - 1 - j) * w + x) * 3;
                EXPECT_EQ(expected[2], got[2]) << "format " << format << " at " << x << "," << j;
            }
        }
    }
}

namespace {

// The conversion as one 32-bit formula per pixel, chroma index and chroma
// terms worked out again for every pixel: what the converter must equal.
u8 clampReference(s32 v)
{
    return u8(v < 0 ? 0 : (v > 255 ? 255 : v));
}

void referenceConvert(const th_ycbcr_buffer planes, int format, u32 pictureX, u32 pictureY, u32 width, u32 height,
                      u8* rgb)
{
    const int xs = format == TH_PF_444 ? 0 : 1;
    const int ys = format == TH_PF_420 ? 1 : 0;
    const u32 x0 = pictureX & ~1u;
    const u32 y0 = pictureY & ~1u;
    for (u32 j = 0; j < height; ++j) {
        for (u32 x = 0; x < width; ++x) {
            const s32 y = planes[0].data[ptrdiff_t(y0 + j) * planes[0].stride + x0 + x];
            const ptrdiff_t c = (x0 + x) >> xs;
            const s32 u = planes[1].data[ptrdiff_t((y0 + j) >> ys) * planes[1].stride + c];
            const s32 v = planes[2].data[ptrdiff_t((y0 + j) >> ys) * planes[2].stride + c];
            u8* out = rgb + (size_t(height - 1 - j) * width + x) * 3;
            out[0] = clampReference((74 * y + 102 * v - 14240) >> 6);
            out[1] = clampReference((74 * y - 25 * u - 52 * v + 8672) >> 6);
            out[2] = clampReference((74 * y + 129 * u - 17696) >> 6);
        }
    }
}

} // namespace

// Random frames of every pixel format: odd and even sizes and picture
// offsets, strides wider than the planes (different for the two chroma
// planes), samples biased towards the ends of the range where clamping
// happens.
TEST(VideoConversionTest, EqualsThePerPixelFormulaOnRandomFrames)
{
    u32 seed = 2024;
    auto next = [&seed](u32 range) {
        seed = seed * 1664525u + 1013904223u;
        return (seed >> 8) % range;
    };
    auto sample = [&next]() {
        const u32 kind = next(4);
        return u8(kind == 0 ? next(24) : kind == 1 ? 255 - next(24) : next(256));
    };
    for (int format : {TH_PF_420, TH_PF_422, TH_PF_444}) {
        const int xs = format == TH_PF_444 ? 0 : 1;
        const int ys = format == TH_PF_420 ? 1 : 0;
        for (int trial = 0; trial < 40; ++trial) {
            const u32 width = 1 + next(trial < 20 ? 40 : 700);
            const u32 height = 1 + next(trial < 20 ? 12 : 40);
            const u32 pictureX = next(5);
            const u32 pictureY = next(5);
            const u32 frameWidth = width + pictureX + 2;
            const u32 frameHeight = height + pictureY + 2;
            std::vector<u8> bytes[3];
            th_ycbcr_buffer planes;
            for (int p = 0; p < 3; ++p) {
                const int w = int(p ? (frameWidth + (1u << xs) - 1) >> xs : frameWidth);
                const int h = int(p ? (frameHeight + (1u << ys) - 1) >> ys : frameHeight);
                const int stride = w + int(next(9)) + 3 * p;
                bytes[p].resize(size_t(stride) * h);
                for (u8& b : bytes[p])
                    b = sample();
                planes[p].width = w;
                planes[p].height = h;
                planes[p].stride = stride;
                planes[p].data = bytes[p].data();
            }
            std::vector<u8> expected(size_t(width) * height * 3, 0xA5);
            std::vector<u8> got(expected.size(), 0x5A);
            referenceConvert(planes, format, pictureX, pictureY, width, height, expected.data());
            KyTheoraDecoder::convertFrame(planes, format, pictureX, pictureY, width, height, got.data());
            ASSERT_EQ(expected, got) << "format " << format << ", " << width << "x" << height << " at "
                                     << pictureX << "," << pictureY;
        }
    }
}

// Every (Y, U, V) triple once: a 256 x 256 picture in 4:4:4 holds every
// (Y, U) pair, for each of the 256 values of V.
TEST(VideoConversionTest, EqualsThePerPixelFormulaForEverySample)
{
    Planes planes(256, 256, 0, 0);
    for (int y = 0; y < 256; ++y) {
        for (int x = 0; x < 256; ++x) {
            planes.bytes[0][size_t(y) * 256 + x] = u8(x);
            planes.bytes[1][size_t(y) * 256 + x] = u8(y);
        }
    }
    std::vector<u8> got(256 * 256 * 3);
    for (int v = 0; v < 256; ++v) {
        std::fill(planes.bytes[2].begin(), planes.bytes[2].end(), u8(v));
        KyTheoraDecoder::convertFrame(planes.buffer, TH_PF_444, 0, 0, 256, 256, got.data());
        for (int u = 0; u < 256; ++u) {
            for (int y = 0; y < 256; ++y) {
                const u8* pixel = got.data() + (size_t(255 - u) * 256 + y) * 3;
                const u8 expected[3] = {clampReference((74 * y + 102 * v - 14240) >> 6),
                                        clampReference((74 * y - 25 * u - 52 * v + 8672) >> 6),
                                        clampReference((74 * y + 129 * u - 17696) >> 6)};
                if (pixel[0] != expected[0] || pixel[1] != expected[1] || pixel[2] != expected[2])
                    FAIL() << "Y " << y << " U " << u << " V " << v;
            }
        }
    }
}

TEST_F(VideoTest, OpensAndPlaysFramesOnItsClock)
{
    put("clip.ogv", video(50));
    CorePlayer player;
    ASSERT_TRUE(player.open("clip.ogv"));
    EXPECT_TRUE(player.opened);
    EXPECT_FALSE(player.playing);
    EXPECT_EQ(KyString("clip.ogv"), player.fileName());
    EXPECT_EQ(64u, player.width);
    EXPECT_EQ(48u, player.height);
    EXPECT_DOUBLE_EQ(25.0, player.frameRate);
    EXPECT_EQ(1, player.created);
    EXPECT_EQ(5, player.image.format());
    ASSERT_EQ(64u * 48u * 3u, player.image.byteSize());
    for (u32 i = 0; i < player.image.byteSize(); ++i)
        ASSERT_EQ(0, player.image.pixels()[i]);

    player.update(); // not playing: nothing
    EXPECT_EQ(0u, player.frame);

    player.play();
    advanceMs(1500);
    player.update();
    EXPECT_EQ(37u, player.frame); // 1.5 s x 25 = 37.5, truncated
    EXPECT_EQ((std::vector<u32>{37}), player.convertedAt); // only the last one is converted
    EXPECT_TRUE(player.imageChanged);

    player.pause();
    advanceMs(1000);
    player.update();
    EXPECT_EQ(37u, player.frame);
    player.play();
    advanceMs(40);
    player.update();
    EXPECT_EQ(38u, player.frame);
}

TEST_F(VideoTest, TheEndOfTheFileStopsThenFinishesOnce)
{
    put("clip.ogv", video(30));
    CorePlayer player;
    ASSERT_TRUE(player.open("clip.ogv"));
    VideoSignalLog log;
    log.listen(player.onStopped, 'S');
    log.listen(player.onFinished, 'F');
    player.play();
    for (int i = 0; i < 100 && log.text.empty(); ++i) {
        advanceMs(40);
        player.update();
    }
    EXPECT_EQ("SF", log.text);
    // Every frame of the file was shown before the end.
    ASSERT_FALSE(player.convertedAt.empty());
    EXPECT_EQ(30u, player.convertedAt.back());
    EXPECT_FALSE(player.playing);
    EXPECT_EQ(0u, player.frame);
    EXPECT_EQ(0u, player.clock.getTimeFromStart());
    advanceMs(500);
    player.update();
    EXPECT_EQ("SF", log.text);

    // Played again it runs from the start to the end once more.
    player.convertedAt.clear();
    player.play();
    advanceMs(5000);
    player.update();
    player.update();
    EXPECT_EQ("SFSF", log.text);
    EXPECT_EQ(30u, player.convertedAt.front());
}

TEST_F(VideoTest, StopRewindsAndPlaysAgainFromTheStart)
{
    put("clip.ogv", video(20));
    CorePlayer player;
    ASSERT_TRUE(player.open("clip.ogv"));
    VideoSignalLog log;
    log.listen(player.onStopped, 'S');
    log.listen(player.onFinished, 'F');
    player.play();
    advanceMs(400);
    player.update();
    EXPECT_EQ(10u, player.frame);
    player.stop();
    EXPECT_EQ("S", log.text);
    EXPECT_EQ(0u, player.frame);
    EXPECT_FALSE(player.playing);
    player.convertedAt.clear();
    player.play();
    advanceMs(120);
    player.update();
    EXPECT_EQ(3u, player.frame);
    advanceMs(2000);
    player.update();
    player.update();
    EXPECT_EQ("SSF", log.text);
    // From the first frame again: nothing read ahead at the old position
    // was counted.
    EXPECT_EQ((std::vector<u32>{3, 20}), player.convertedAt);
}

TEST_F(VideoTest, DuplicateFramesCountAsFrames)
{
    TheoraVideoSpec spec;
    spec.frames = 5;
    spec.duplicateAfter = {0, 2};
    put("dup.ogv", writeTheoraOgv(spec));
    CorePlayer player;
    ASSERT_TRUE(player.open("dup.ogv"));
    player.play();
    advanceMs(280); // 7 frames due
    player.update();
    EXPECT_EQ(7u, player.frame);
}

TEST_F(VideoTest, AVideoWithASoundTrackInsidePlaysItsVideo)
{
    TheoraVideoSpec spec;
    spec.frames = 25;
    put("talk.ogv", writeTheoraOgv(spec, true));
    CorePlayer player;
    ASSERT_TRUE(player.open("talk.ogv"));
    VideoSignalLog log;
    log.listen(player.onFinished, 'F');
    player.play();
    advanceMs(5000);
    player.update();
    player.update();
    EXPECT_EQ("F", log.text);
    EXPECT_EQ(25u, player.convertedAt.front());
}

TEST_F(VideoTest, PictureRegionAndFourFourFourDecodeIntoTheImage)
{
    TheoraVideoSpec spec;
    spec.frameWidth = 48;
    spec.frameHeight = 32;
    spec.pictureWidth = 33;
    spec.pictureHeight = 17;
    spec.pictureX = 3;
    spec.pictureY = 5;
    spec.pixelFormat = TH_PF_444;
    spec.frames = 3;
    spec.quality = 63;
    spec.paint = [](unsigned, TheoraPlane planes[3]) {
        // Flat: Y 235 with neutral chroma except Cr high (reddish).
        for (int p = 0; p < 3; ++p)
            std::memset(planes[p].data, p == 0 ? 120 : (p == 1 ? 128 : 200), size_t(planes[p].stride) * planes[p].height);
    };
    put("odd.ogv", writeTheoraOgv(spec));
    CorePlayer player;
    ASSERT_TRUE(player.open("odd.ogv"));
    EXPECT_EQ(33u, player.width);
    EXPECT_EQ(17u, player.height);
    EXPECT_EQ(33u * 17u * 3u, player.image.byteSize());
    player.play();
    advanceMs(40);
    player.update();
    ASSERT_EQ(1u, player.frame);
    u8 expected[3];
    KyTheoraDecoder::yuvToRgb(120, 128, 200, expected);
    const u8* p = player.image.pixels() + (8 * 33 + 16) * 3;
    for (int c = 0; c < 3; ++c)
        EXPECT_NEAR(expected[c], p[c], 6) << c;
}

TEST_F(VideoTest, OpenFailuresAreLoggedAndReleaseEverything)
{
    CorePlayer player;
    {
        StdoutCapture capture;
        EXPECT_FALSE(player.open("missing.ogv"));
        EXPECT_NE(std::string::npos, capture.text().find("[KyVideo::Open] Le fichier missing.ogv ne peux etre ouvert.\n"));
    }
    put("text.ogv", std::string(10000, 'x'));
    put("empty.ogv", "");
    put("sound.ogg", writeVorbisOgg(1.0));
    for (const char* name : {"text.ogv", "empty.ogv", "sound.ogg"}) {
        StdoutCapture capture;
        EXPECT_FALSE(player.open(name));
        EXPECT_NE(std::string::npos,
                  capture.text().find(std::string("[KyVideo::Open] La lecture des headers du fichier ") + name
                                      + " a echoue.\n"))
            << capture.text();
        EXPECT_FALSE(player.opened);
        EXPECT_FALSE(player.file.isOpen());
        EXPECT_EQ(KyString(""), player.fileName());
    }

    EXPECT_EQ(0u, player.width); // a failed open leaves no picture
    // A good file after bad ones opens normally.
    put("clip.ogv", video(5));
    EXPECT_TRUE(player.open("clip.ogv"));
    EXPECT_EQ(1, player.created);
}

TEST_F(VideoTest, HeadersWithAZeroFrameRateDenominatorOrAbsurdSizesAreRefused)
{
    TheoraVideoSpec spec;
    spec.frames = 3;
    std::vector<OggPacketData> packets = encodeTheoraPackets(spec);

    struct Damage {
        const char* name;
        unsigned offset, bytes;
        std::uint64_t value;
    } damages[] = {
        {"rate.ogv", TheoraInfoFpsDenominator, 4, 0},
        {"huge.ogv", TheoraInfoFrameWidthMb, 2, 0xFFFF},
        {"wide.ogv", TheoraInfoPictureWidth, 3, 0xFFFFFF},
    };
    for (const Damage& damage : damages) {
        std::vector<OggPacketData> changed = packets;
        setTheoraInfoField(changed[0].bytes, damage.offset, damage.bytes, damage.value);
        if (damage.offset == TheoraInfoFrameWidthMb) {
            setTheoraInfoField(changed[0].bytes, TheoraInfoFrameHeightMb, 2, 0xFFFF);
            setTheoraInfoField(changed[0].bytes, TheoraInfoPictureWidth, 3, 0xFFFF0);
            setTheoraInfoField(changed[0].bytes, TheoraInfoPictureHeight, 3, 0xFFFF0);
        }
        put(damage.name, muxOgg(changed, 7));
        CorePlayer player;
        StdoutCapture capture;
        EXPECT_FALSE(player.open(damage.name)) << damage.name;
        EXPECT_FALSE(player.file.isOpen());
        EXPECT_NE(std::string::npos, capture.text().find("La lecture des headers")) << damage.name;
    }
}

TEST_F(VideoTest, AListenerMayDestroyOrCloseThePlayerAtTheEnd)
{
    put("clip.ogv", video(4));
    struct Killer {
        CorePlayer** player;
        bool close;
        bool onStopped()
        {
            if (close) {
                (*player)->close();
            } else {
                delete *player;
                *player = nullptr;
            }
            return false;
        }
    };
    for (bool close : {false, true}) {
        VideoSignalLog log;
        CorePlayer* player = new CorePlayer;
        ASSERT_TRUE(player->open("clip.ogv"));
        Killer killer{&player, close};
        player->onStopped.pushBack(kyNewCallback(&killer, &Killer::onStopped));
        log.listen(player->onFinished, 'F');
        player->play();
        for (int i = 0; i < 10 && player && log.text.empty(); ++i) {
            advanceMs(1000);
            player->update();
        }
        // Deleted by its listener: the finish is not fired on a dead player.
        EXPECT_EQ(close ? "F" : "", log.text);
        EXPECT_EQ(close, player != nullptr);
        delete player;
    }
}
