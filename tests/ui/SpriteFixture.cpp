#include "tests/ui/SpriteFixture.h"

#include "core/KySingleton.h"
#include "os/KyOsClock.h"
#include "platform/KyCamera.h"
#include "tools/content/ImageWriters.h"
#include "ui/KyMainWindow.h"
#include "ui/KySprite.h"

#include <GL/gl.h>

#include <cstdio>

void SpriteDrawTest::SetUp()
{
    GLTest::SetUp();
    KyOsClock::installFake(5000000);
    KyCamera& camera = KySprite::widgetCamera;
    camera.setProjectionMode(KyCamera::ProjectionOrthographic);
    camera.setViewport(u32(kSize), u32(kSize));
    camera.setOrthogonal(0.0f, f32(kSize), 0.0f, f32(kSize), -2048.0f, 2048.0f);
    camera.setPosition(KyVector3f32(0, 0, 0));
}

void SpriteDrawTest::TearDown()
{
    KySingleton<KyMainWindow>::destroy();
    KyOsClock::install(nullptr);
}

void SpriteDrawTest::drawFrame()
{
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glDisable(GL_DEPTH_TEST);
    KySingleton<KyMainWindow>::instance()->onDraw().call();
    context().finish();
}

KyIntrusivePtr<KyImg> SpriteDrawTest::solidImage(u32 width, u32 height, const KyColor& colour)
{
    KyIntrusivePtr<KyImg> image(new KyImg);
    image->create(6, width, height, KyIntrusivePtr<KyPalette>());
    image->fill(colour.r, colour.g, colour.b, colour.a);
    return image;
}

KyIntrusivePtr<KyImg> SpriteDrawTest::bandedImage(u32 width, u32 bandHeight, const KyColor* colours, u32 bands)
{
    KyIntrusivePtr<KyImg> image(new KyImg);
    u8* pixels = image->create(6, width, bandHeight * bands, KyIntrusivePtr<KyPalette>());
    for (u32 row = 0; row < bandHeight * bands; ++row) {
        const KyColor& c = colours[row / bandHeight];
        for (u32 x = 0; x < width; ++x) {
            u8* p = pixels + (row * width + x) * 4;
            p[0] = c.r;
            p[1] = c.g;
            p[2] = c.b;
            p[3] = c.a;
        }
    }
    return image;
}

bool writeSolidPng(const std::string& file, u32 width, u32 height, const KyColor& colour)
{
    ImageWriters::PngImage png;
    png.width = width;
    png.height = height;
    png.colorType = 2;
    for (u32 i = 0; i < width * height; ++i) {
        png.rows.push_back(colour.r);
        png.rows.push_back(colour.g);
        png.rows.push_back(colour.b);
    }
    const ImageWriters::Bytes bytes = ImageWriters::png(png);
    FILE* out = std::fopen(file.c_str(), "wb");
    if (!out)
        return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
    return std::fclose(out) == 0 && written;
}

bool SpriteDrawTest::writePng(const std::string& file, u32 width, u32 height, const KyColor& colour)
{
    return writeSolidPng(file, width, height, colour);
}
