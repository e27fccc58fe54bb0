#include "tests/tools/ToolsTestSupport.h"
#include "core/KyString.h"
#include "platform/KyImg.h"
#include "tools/content/ImageWriters.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

const KyColor black(0, 0, 0, 255);
const KyColor white(255, 255, 255, 255);
const KyColor red(255, 0, 0, 255);
const KyColor green(0, 255, 0, 255);
const KyColor blue(0, 0, 255, 255);

// Makes the description into a file and decodes it with the engine's reader.
void decode(const DataFolder& data, const std::string& name, const std::string& description, KyImg& image)
{
    const std::string path = data.makeFile(name, description);
    const size_t zlib = name.find(".zlib");
    if (zlib == std::string::npos) {
        image.load(KyString(path.c_str()));
        return;
    }
    // The zlib-wrapped JPEG is a form of pictures inside other files (the
    // panorama tiles): the engine reads it from a stream only.
    const std::string bytes = readBytes(path);
    KyString stream;
    ImageWriters::fillStream(stream, std::vector<u8>(bytes.begin(), bytes.end()));
    image.loadFromStream(stream, KyString(name.substr(name.find('.') + 1).c_str()));
}

#define EXPECT_PIXEL(image, x, y, colour, tolerance)                                                                   \
    EXPECT_PRED3(near, pixelFromTop(image, x, y), colour, tolerance)                                                   \
        << "pixel (" << (x) << ", " << (y) << ") is " << describe(pixelFromTop(image, x, y))

// Counts the pixels of a rectangle whose red channel is above 64.
int inkIn(const KyImg& image, u32 x0, u32 y0, u32 x1, u32 y1)
{
    int count = 0;
    for (u32 y = y0; y < y1; ++y)
        for (u32 x = x0; x < x1; ++x)
            if (pixelFromTop(image, x, y).r > 64)
                ++count;
    return count;
}

} // namespace

TEST(Picture, EveryFormatTheEngineReadsDecodesToTheDrawnPixels)
{
    DataFolder data;
    const std::string opaque = "picture 64 32 background=#0000ff\nrect 0 0 32 32 fill=#ff0000\nrect 40 8 16 16 fill=#00ff00\n";
    const std::string clear = "picture 64 32\nrect 0 0 32 32 fill=#ff0000\nrect 32 0 32 32 fill=#00ff0080\n";
    struct Case {
        const char* name;
        int tolerance;   // JPEG is lossy
        bool alpha;      // keeps transparency
    } cases[] = {
        {"a.png", 0, true}, {"a.jpg", 24, false}, {"a.jpeg", 24, false}, {"a.jpg.zlib", 24, false},
        {"a.jpeg.zlib", 24, false}, {"a.bmp", 0, true}, {"a.tga", 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        KyImg image;
        decode(data, c.name, opaque, image);
        ASSERT_EQ(image.format(), 5);
        ASSERT_EQ(image.width(), 64u);
        ASSERT_EQ(image.height(), 32u);
        EXPECT_PIXEL(image, 12, 6, red, c.tolerance);
        EXPECT_PIXEL(image, 36, 28, blue, c.tolerance);
        EXPECT_PIXEL(image, 48, 16, green, c.tolerance);

        KyImg translucent;
        decode(data, c.name, clear, translucent);
        ASSERT_EQ(translucent.format(), c.alpha ? 6 : 5);
        EXPECT_PIXEL(translucent, 8, 8, red, c.tolerance);
        // Half-transparent green is kept, or laid over the black matte.
        EXPECT_PIXEL(translucent, 48, 16, c.alpha ? KyColor(0, 255, 0, 128) : KyColor(0, 128, 0, 255), c.tolerance + 1);
    }
    KyImg forced;
    decode(data, "rgba.png", "picture 4 4 channels=rgba background=#102030\n", forced);
    EXPECT_EQ(forced.format(), 6);
    KyImg matte;
    decode(data, "matte.png", "picture 4 4 channels=rgb matte=#ffffff\nrect 0 0 2 4 fill=#000000\n", matte);
    EXPECT_EQ(matte.format(), 5);
    EXPECT_PIXEL(matte, 3, 1, white, 0);
}

TEST(Picture, ShapesFillStrokeAndClipWithSmoothEdges)
{
    DataFolder data;
    KyImg image;
    decode(data, "shapes.png",
           "picture 64 64 background=#000000\n"
           "rect 8 8 16 16 fill=#ff0000\n"
           "circle 44 20 10 fill=#00ff00\n"
           "rect 8 40 16 16 stroke=#ffffff width=2\n"
           "line 32 60.5 62 60.5 stroke=#0000ff width=1\n"
           "polygon 34,34 62,34 34,56 fill=#ffff00\n"
           "rect 50 50 40 40 fill=#ff00ff   # runs off the picture\n"
           "rect 0 0 8 8 radius=4 fill=#ffffff\n",
           image);
    struct Probe {
        u32 x, y;
        KyColor colour;
    } probes[] = {
        {8, 8, red},     {23, 23, red},   {7, 16, black},  {24, 16, black},  // a square on whole pixels: exact edges
        {44, 20, green}, {44, 8, black},  {33, 20, black}, {51, 27, black},
        {8, 48, white},  {23, 48, white}, {16, 48, black}, {16, 40, white},  // the outline is 2 wide, centred: 7..9
        {45, 60, blue},  {45, 59, black}, {40, 36, KyColor(255, 255, 0, 255)}, {45, 50, black},
        {63, 63, KyColor(255, 0, 255, 255)},
        {0, 0, black},   {2, 2, white},   // the rounded corner leaves the very corner out
    };
    for (const Probe& p : probes)
        EXPECT_PIXEL(image, p.x, p.y, p.colour, 0);
    // Edges are smooth: the circle's rim pixels are partly covered.
    const KyColor rim = pixelFromTop(image, 51, 26);
    EXPECT_GT(int(rim.g), 0);
    EXPECT_LT(int(rim.g), 255);
}

TEST(Picture, GradientsNoiseAndOpacityFollowTheirParameters)
{
    DataFolder data;
    KyImg ramp;
    decode(data, "ramp.png", "picture 256 2\nfill linear(0, 0, 256, 0, #000000, #ffffff)\n", ramp);
    for (u32 x : {0u, 37u, 128u, 200u, 255u})
        EXPECT_NEAR(pixelFromTop(ramp, x, 0).r, x, 1.0) << x;

    KyImg stops;
    decode(data, "stops.png", "picture 100 1\nfill linear(0, 0, 100, 0, #ff0000, #00ff00@0.2, #0000ff)\n", stops);
    EXPECT_PIXEL(stops, 0, 0, red, 8);
    EXPECT_PIXEL(stops, 20, 0, green, 4);
    EXPECT_PIXEL(stops, 99, 0, blue, 4);

    KyImg radial;
    decode(data, "radial.png", "picture 40 40 background=#000\nfill radial(20, 20, 20, #ffffff, #ffffff00)\n", radial);
    EXPECT_PIXEL(radial, 20, 20, white, 12);
    EXPECT_PIXEL(radial, 0, 0, black, 0);
    EXPECT_NEAR(pixelFromTop(radial, 30, 20).r, 128, 8);

    KyImg steps;
    decode(data, "steps.png", "picture 8 1 background=#000\nrepeat i 0 7\n  rect i 0 1 1 fill=#fff opacity={i/7}\nend\n", steps);
    for (u32 i = 0; i < 8; ++i)
        EXPECT_NEAR(pixelFromTop(steps, i, 0).r, std::floor(255.0 * i / 7 + 0.5), 1.0) << i;

    KyImg noise;
    decode(data, "noise.png", "picture 64 64\nfill noise(#000000, #ffffff, 8, 3, 5)\n", noise);
    int low = 255, high = 0;
    for (u32 y = 0; y < 64; ++y)
        for (u32 x = 0; x < 64; ++x) {
            low = std::min<int>(low, pixelFromTop(noise, x, y).r);
            high = std::max<int>(high, pixelFromTop(noise, x, y).r);
        }
    EXPECT_LT(low, 100);
    EXPECT_GT(high, 155);
    // Smooth at its scale: neighbours differ by little.
    EXPECT_LT(std::abs(pixelFromTop(noise, 10, 10).r - pixelFromTop(noise, 11, 10).r), 40);
    const std::vector<std::uint8_t> again = data.make("noise.png", "picture 64 64\nfill noise(#000000, #ffffff, 8, 3, 5)\n");
    const std::vector<std::uint8_t> reseeded = data.make("noise.png", "picture 64 64\nfill noise(#000000, #ffffff, 8, 3, 6)\n");
    EXPECT_EQ(std::string(again.begin(), again.end()), readBytes(data.path("noise.png")));
    EXPECT_NE(again, reseeded);

    KyImg checker;
    decode(data, "checker.png", "picture 8 8\nfill checker(#000, #fff, 2)\nborder 1 #ff0000\n", checker);
    EXPECT_PIXEL(checker, 2, 0, KyColor(255, 0, 0, 255), 0);
    EXPECT_PIXEL(checker, 0, 3, KyColor(255, 0, 0, 255), 0);
    EXPECT_PIXEL(checker, 2, 1, white, 0);   // the border is one pixel wide
    EXPECT_PIXEL(checker, 2, 2, black, 0);
    EXPECT_PIXEL(checker, 4, 2, white, 0);
    EXPECT_PIXEL(checker, 2, 4, white, 0);
}

TEST(Picture, StripsFramesIncludesAndComposition)
{
    DataFolder data;
    data.write("Styles/tile.inc", "default c #ff0000\nrect 0 0 4 4 fill=$c\n");
    KyImg strip;
    decode(data, "strip.png",
           "picture 8 8 frames=3 background=#000\n"
           "frame 0\n  fill #ff0000\n  rect -4 0 40 8 fill=#0000ff opacity=0.5   # clipped to the frame\nend\n"
           "frame 1\n  fill #00ff00\nend\n"
           "frame all\n  rect 0 0 {frame+1} 1 fill=#fff\nend\n"
           "rect 22 6 2 2 fill=#fff\n",
           strip);
    ASSERT_EQ(strip.width(), 24u);
    EXPECT_PIXEL(strip, 4, 4, KyColor(128, 0, 127, 255), 1);
    EXPECT_PIXEL(strip, 12, 4, green, 0);   // frame 0's blue did not spill over
    EXPECT_PIXEL(strip, 20, 4, black, 0);
    EXPECT_PIXEL(strip, 0, 0, white, 0);
    EXPECT_PIXEL(strip, 1, 0, KyColor(128, 0, 127, 255), 1);
    EXPECT_PIXEL(strip, 9, 0, white, 0);
    EXPECT_PIXEL(strip, 10, 0, green, 0);
    EXPECT_PIXEL(strip, 18, 0, white, 0);
    EXPECT_PIXEL(strip, 19, 0, black, 0);
    EXPECT_PIXEL(strip, 23, 7, white, 0);   // outside the frame blocks, the whole strip

    KyImg tiles;
    decode(data, "tiles.png",
           "picture 8 4\nset c #0000ff\ninclude Styles/tile.inc\nset c #00ff00\nset x 4\nrect $x 0 4 4 fill=$c\n", tiles);
    EXPECT_PIXEL(tiles, 1, 1, blue, 0);   // "default" kept the colour set before
    EXPECT_PIXEL(tiles, 5, 1, green, 0);

    data.write("Parts/Quad.png.gen", "picture 2 2\nrect 0 0 1 1 fill=#f00\nrect 1 0 1 1 fill=#0f0\n"
                                     "rect 0 1 1 1 fill=#00f\nrect 1 1 1 1 fill=#fff\n");
    KyImg composed;
    decode(data, "composed.png",
           "picture 20 10 background=#000\n"
           "image /Parts/Quad.png 0 0 8 8\n"
           "image strip.png 12 0 frame=1\n"
           "image Parts/Quad.png 10 8 opacity=0.5\n",
           composed);
    EXPECT_PIXEL(composed, 0, 0, red, 0);
    EXPECT_PIXEL(composed, 7, 0, green, 0);
    EXPECT_PIXEL(composed, 0, 7, blue, 0);
    EXPECT_PIXEL(composed, 7, 7, white, 0);
    EXPECT_PIXEL(composed, 4, 4, KyColor(135, 159, 159, 255), 1);   // bilinear between the four
    EXPECT_PIXEL(composed, 16, 5, green, 0);                        // frame 1 of the strip
    EXPECT_PIXEL(composed, 12, 0, white, 0);
    EXPECT_PIXEL(composed, 10, 8, KyColor(128, 0, 0, 255), 1);
}

TEST(Picture, TextIsSetWithTheFontAlignedAndDecorated)
{
    DataFolder data;
    KyImg centred;
    decode(data, "centred.png",
           "picture 120 40 background=#000\ntext \"Hello\" 60 20 size=20 fill=#fff align=center valign=middle\n", centred);
    u32 left = 120, right = 0, top = 40, bottom = 0;
    for (u32 y = 0; y < 40; ++y)
        for (u32 x = 0; x < 120; ++x)
            if (pixelFromTop(centred, x, y).r > 128) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    ASSERT_LT(left, right);
    EXPECT_NEAR((left + right) / 2.0, 60.0, 3.0);
    EXPECT_NEAR((top + bottom) / 2.0, 20.0, 4.0);
    EXPECT_GT(right - left, 40u);
    EXPECT_LT(right - left, 70u);

    // Left and right alignment put the text on either side of the anchor.
    KyImg sides;
    decode(data, "sides.png",
           "picture 200 40 background=#000\n"
           "text \"Left\" 100 0 fill=#f00\n"
           "text \"Right\" 100 20 fill=#0f0 align=right\n",
           sides);
    EXPECT_GT(inkIn(sides, 100, 0, 200, 20), 20);
    EXPECT_EQ(inkIn(sides, 0, 0, 100, 20), 0);
    int greenLeft = 0, greenRight = 0;
    for (u32 y = 20; y < 40; ++y)
        for (u32 x = 0; x < 200; ++x)
            if (pixelFromTop(sides, x, y).g > 64)
                ++(x < 100 ? greenLeft : greenRight);
    EXPECT_GT(greenLeft, 20);
    EXPECT_EQ(greenRight, 0);

    // An accent adds ink above the letter; wrapping adds lines.
    KyImg accents;
    decode(data, "accents.png",
           "picture 100 100 background=#000\n"
           "text \"e\" 10 10 size=30 fill=#fff\ntext \"é\" 50 10 size=30 fill=#fff\n",
           accents);
    EXPECT_GT(inkIn(accents, 50, 0, 100, 100), inkIn(accents, 0, 0, 50, 100) + 10);
    KyImg wrapped;
    decode(data, "wrapped.png",
           "picture 100 100 background=#000\ntext \"one two three four\" 0 0 size=12 fill=#fff wrap=50\n", wrapped);
    int lines = 0;
    bool inLine = false;
    for (u32 y = 0; y < 100; ++y) {
        const bool ink = inkIn(wrapped, 0, y, 100, y + 1) > 0;
        if (ink && !inLine)
            ++lines;
        inLine = ink;
    }
    EXPECT_GE(lines, 3);

    KyImg decorated;
    decode(data, "decorated.png",
           "picture 80 40 background=#000\n"
           "text \"Ok\" 40 20 size=20 fill=#fff align=center valign=middle outline=2,#00f shadow=3,3,#f00\n",
           decorated);
    int outline = 0, shadow = 0;
    for (u32 y = 0; y < 40; ++y)
        for (u32 x = 0; x < 80; ++x) {
            const KyColor c = pixelFromTop(decorated, x, y);
            outline += c.b > 200 && c.r < 60;
            shadow += c.r > 200 && c.g < 60 && c.b < 60;
        }
    EXPECT_GT(outline, 20);
    EXPECT_GT(shadow, 5);
}

TEST(Picture, EllipsesBevelsStripesAndTextAnchors)
{
    DataFolder data;
    KyImg image;
    decode(data, "more.png",
           "picture 100 60 background=#000\n"
           "ellipse 20 15 18 6 fill=#ff0000\n"
           "bevel 50 0 40 30 5\n"
           "rect 0 40 40 20 fill=stripes(#0000ff, #00ff00, 4)\n"
           "rect 50 40 40 20 fill=stripes(#0000ff, #00ff00, 4, 90)\n",
           image);
    EXPECT_PIXEL(image, 20, 15, red, 0);
    EXPECT_PIXEL(image, 3, 15, red, 0);      // wide along x
    EXPECT_PIXEL(image, 20, 7, black, 0);    // narrow along y
    EXPECT_PIXEL(image, 20, 24, black, 0);
    EXPECT_PIXEL(image, 60, 1, KyColor(153, 153, 153, 255), 1);   // light top edge (#ffffff99)
    EXPECT_PIXEL(image, 60, 28, black, 0);                        // dark bottom edge over black
    EXPECT_PIXEL(image, 70, 15, black, 0);                        // the middle is left alone
    EXPECT_PIXEL(image, 1, 50, blue, 0);     // upright stripes change along x
    EXPECT_PIXEL(image, 5, 50, green, 0);
    EXPECT_PIXEL(image, 5, 41, green, 0);
    EXPECT_PIXEL(image, 55, 41, blue, 0);    // turned by 90 degrees they change along y
    EXPECT_PIXEL(image, 55, 45, green, 0);

    // Vertical anchors: the block's top, middle, first base line or bottom at y.
    int tops[4];
    const char* anchors[] = {"top", "middle", "baseline", "bottom"};
    for (int a = 0; a < 4; ++a) {
        KyImg text;
        decode(data, "anchor.png",
               std::string("picture 40 100 background=#000\ntext \"H\" 10 50 size=20 fill=#fff valign=") + anchors[a] + "\n",
               text);
        tops[a] = -1;
        for (u32 y = 0; y < 100 && tops[a] < 0; ++y)
            if (inkIn(text, 0, y, 40, y + 1) > 0)
                tops[a] = int(y);
    }
    EXPECT_GT(tops[0], 50);              // below y
    EXPECT_LT(tops[1], 50);
    EXPECT_GT(tops[1], tops[2]);         // "H" sits on the base line: its top is above y
    EXPECT_LT(tops[2], 50 - 10);
    EXPECT_LT(tops[3], tops[2]);         // the descent lies below the base line
}
