#ifndef KY_TESTS_SPRITE_FIXTURE_H
#define KY_TESTS_SPRITE_FIXTURE_H

#include "core/KyColor.h"
#include "core/KyIntrusivePtr.h"
#include "platform/KyImg.h"
#include "tests/support/GLTestContext.h"

#include <string>

// Drawing tests of the sprite widgets: a 64 x 64 offscreen context, the
// widget camera set up as the game sets it (orthographic, origin at the
// bottom-left corner, y up, one unit a pixel) and the fake clock. The main
// window exists only for its draw signal; it is destroyed after each test.
class SpriteDrawTest : public GLTest {
protected:
    static const s32 kSize = 64;

    void SetUp() override;
    void TearDown() override;

    // Clears to black and fires the main window's draw signal with depth
    // testing off, as the overlay pass does.
    void drawFrame();

    // An RGBA picture in memory (under its own generated resource name),
    // every pixel colour.
    static KyIntrusivePtr<KyImg> solidImage(u32 width, u32 height, const KyColor& colour);
    // An RGBA picture of stacked bands, band i (from the first stored row)
    // bandHeight rows of colours[i].
    static KyIntrusivePtr<KyImg> bandedImage(u32 width, u32 bandHeight, const KyColor* colours, u32 bands);

    // Writes an RGB PNG file of width x height pixels of one colour.
    static bool writePng(const std::string& file, u32 width, u32 height, const KyColor& colour);

    static bool sameRgb(const KyColor& a, const KyColor& b) { return a.r == b.r && a.g == b.g && a.b == b.b; }
};

// The same for fixtures of other kinds.
bool writeSolidPng(const std::string& file, u32 width, u32 height, const KyColor& colour);

#endif
