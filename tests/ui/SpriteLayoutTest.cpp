#include "core/KyResourceManager.h"
#include "core/KySingleton.h"
#include "platform/Ky3DTexture.h"
#include "platform/KyImg.h"
#include "platform/KyInputMgr.h"
#include "tests/support/GLTestContext.h"
#include "tests/support/StdoutCapture.h"
#include "tests/support/TempDir.h"
#include "tools/content/ImageWriters.h"
#include "ui/KyButtonLayout.h"
#include "ui/KyListLayout.h"
#include "ui/KyMainWindow.h"
#include "ui/KySpriteLayout.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace {

KyResourceManager* resources()
{
    return KySingleton<KyResourceManager>::instance();
}

// An RGBA picture of one colour, rows bottom first, with a resource path.
void makePicture(KyImg& image, const char* path, u32 width, u32 height, const KyColor& c = KyColor(255, 255, 255, 255))
{
    image.create(6, width, height, KyIntrusivePtr<KyPalette>());
    image.fill(c.r, c.g, c.b, c.a);
    image.setPath(path);
}

// A PNG file of one colour.
std::string writePng(const TempDir& dir, const std::string& name, u32 width, u32 height,
                     const KyColor& c = KyColor(255, 255, 255, 255))
{
    ImageWriters::PngImage png;
    png.width = width;
    png.height = height;
    png.colorType = 6;
    for (u32 i = 0; i < width * height; ++i) {
        png.rows.push_back(c.r);
        png.rows.push_back(c.g);
        png.rows.push_back(c.b);
        png.rows.push_back(c.a);
    }
    ImageWriters::Bytes bytes = ImageWriters::png(png);
    dir.writeFile(name, std::string(bytes.begin(), bytes.end()));
    return dir.file(name);
}

// Texture coordinates of vertex i of the sprite's quad.
std::pair<f32, f32> uv(const KySpriteLayout& sprite, u32 i)
{
    const f32* coords = sprite.spriteMesh.textureCoords();
    return {coords[2 * i], coords[2 * i + 1]};
}

class SpriteLayoutTest : public GLTest {
};

} // namespace

TEST_F(SpriteLayoutTest, CropMarginsCutTheTextureCoordinates)
{
    KyImg image;
    makePicture(image, "pictures/square.png", 256, 256);
    KySpriteLayout sprite;
    sprite.loadFromImage(&image);
    ASSERT_NE(nullptr, sprite.texture());
    EXPECT_EQ(256u, sprite.imageWidth());
    EXPECT_EQ(256u, sprite.imageHeight());

    sprite.setCropBottom(0.25f);
    // t runs from 0 at the edge y = +0.5 to 0.75 at the edge y = -0.5.
    EXPECT_EQ(std::make_pair(0.0f, 0.0f), uv(sprite, 0));
    EXPECT_EQ(std::make_pair(1.0f, 0.0f), uv(sprite, 1));
    EXPECT_EQ(std::make_pair(1.0f, 0.75f), uv(sprite, 2));
    EXPECT_EQ(std::make_pair(0.0f, 0.75f), uv(sprite, 3));
    const f32* v = sprite.spriteMesh.vertices();
    EXPECT_EQ(-0.5f, v[0]);
    EXPECT_EQ(0.5f, v[1]);
    EXPECT_EQ(0.5f, v[6]);
    EXPECT_EQ(-0.5f, v[7]);
    const u16* strip = sprite.spriteMesh.indices();
    EXPECT_EQ((std::vector<u16>{0, 1, 3, 2}), std::vector<u16>(strip, strip + 4));

    sprite.cropLeft = 0.5f;
    sprite.cropRight = 0.25f;
    sprite.cropTop = 0.1f;
    sprite.updateMesh();
    EXPECT_FLOAT_EQ(0.5f, uv(sprite, 0).first);
    EXPECT_FLOAT_EQ(0.1f, uv(sprite, 0).second);
    EXPECT_FLOAT_EQ(0.75f, uv(sprite, 1).first);
}

TEST_F(SpriteLayoutTest, PictureSizesTheSpriteAndFillsTheTextureCorner)
{
    KyImg image;
    makePicture(image, "pictures/wide.png", 200, 100);

    KySpriteLayout pixel;
    pixel.setSize(KyVector3f32(1, 1, 7));
    pixel.loadFromImage(&image);
    EXPECT_EQ(2.0f, pixel.ratio());
    EXPECT_EQ(KyVector3f32(200, 100, 1), pixel.userSize());
    pixel.updateMesh();
    // 200 x 100 in a 256 x 128 texture.
    EXPECT_EQ(std::make_pair(0.78125f, 0.0f), uv(pixel, 1));
    EXPECT_EQ(std::make_pair(0.78125f, 0.78125f), uv(pixel, 2));

    KySpriteLayout percent;
    percent.setSizeType(KyLayout::Percent);
    percent.loadFromImage(&image);
    EXPECT_EQ(2.0f, percent.ratio());
    EXPECT_EQ(KyVector3f32(1, 1, 1), percent.userSize());

    // Sized by its owner: only the ratio changes.
    KySpriteLayout sized;
    sized.setSize(KyVector3f32(50, 50, 1));
    sized.loadFromImage(&image);
    EXPECT_EQ(KyVector3f32(50, 50, 1), sized.userSize());
}

TEST_F(SpriteLayoutTest, SpritesOfOnePictureShareOneTexture)
{
    TempDir dir;
    const std::string path = writePng(dir, "shared.png", 8, 4);
    const KyString name = (path + ".3dtex").c_str();
    KySpriteLayout a, b;
    a.load(path.c_str());
    b.load(path.c_str());
    ASSERT_NE(nullptr, a.texture());
    EXPECT_EQ(a.texture(), b.texture());
    EXPECT_EQ(a.texture(), resources()->find<Ky3DTexture>(name));
    EXPECT_EQ(2u, a.texture()->useCount());
    EXPECT_EQ(KyVector3f32(8, 4, 1), b.userSize());
    // The picture itself is not kept once its texture exists.
    EXPECT_EQ(nullptr, resources()->find<KyImg>(path.c_str()));

    a.unload();
    EXPECT_EQ(nullptr, a.texture());
    EXPECT_EQ(1u, b.texture()->useCount());
    EXPECT_NE(nullptr, resources()->find<Ky3DTexture>(name));
    b.unload();
    EXPECT_EQ(nullptr, resources()->find<Ky3DTexture>(name));
    EXPECT_EQ(0u, b.imageWidth());
}

TEST_F(SpriteLayoutTest, MissingOrEmptyPicturesLeaveTheSpriteAsItWas)
{
    TempDir dir;
    const std::string good = writePng(dir, "good.png", 16, 8);
    dir.writeFile("broken.png", "not a picture");
    KySpriteLayout sprite;
    sprite.load(good.c_str());
    Ky3DTexture* shown = sprite.texture();
    ASSERT_NE(nullptr, shown);

    {
        StdoutCapture log;
        const std::string missing = dir.file("missing.png");
        sprite.load(missing.c_str());
        EXPECT_EQ("[KySpriteLayout::load] Le fichier " + missing + " est introuvable.\n", log.text());
    }
    EXPECT_EQ(shown, sprite.texture());

    // A file that is no picture, or a picture without pixels: no texture,
    // and no ratio computed from a zero size.
    sprite.load(dir.file("broken.png").c_str());
    EXPECT_EQ(shown, sprite.texture());
    EXPECT_EQ(nullptr, resources()->find<Ky3DTexture>(dir.file("broken.png.3dtex").c_str()));
    KyImg empty;
    empty.setPath("pictures/empty.png");
    KySpriteLayout fresh;
    fresh.loadFromImage(&empty);
    EXPECT_EQ(nullptr, fresh.texture());
    EXPECT_EQ(1.0f, fresh.ratio());
    EXPECT_EQ(KyVector3f32(1, 1, 1), fresh.userSize());
    EXPECT_EQ(nullptr, resources()->find<Ky3DTexture>("pictures/empty.png.3dtex"));
    EXPECT_EQ(2.0f, sprite.ratio());
}

TEST_F(SpriteLayoutTest, OnlyATextureStandsForThePicture)
{
    TempDir dir;
    const std::string path = writePng(dir, "named.png", 4, 2);
    // Something that is not a texture listed under the texture's name.
    KyIntrusivePtr<KyImg> impostor(new KyImg());
    impostor->setPath((path + ".3dtex").c_str());
    resources()->add(impostor.get());

    KySpriteLayout sprite;
    sprite.load(path.c_str());
    ASSERT_NE(nullptr, sprite.texture());
    EXPECT_EQ(4u, sprite.imageWidth());
    EXPECT_EQ(2u, sprite.imageHeight());
    EXPECT_EQ(sprite.texture(), resources()->find<Ky3DTexture>((path + ".3dtex").c_str()));
}

namespace {

const s32 kSide = 128;

// The interface drawn off screen: the main window's overlay pass into a
// 128 x 128 context, read back with glReadPixels.
class WidgetRenderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(gl.ok()) << "no OpenGL context";
        window = KySingleton<KyMainWindow>::instance();
        window->setSize(KyVector3f32(kSide, kSide, 0));
    }

    void TearDown() override
    {
        sprites.clear();
        KySingleton<KyInputMgr>::destroy();
    }

    // A sprite showing a square picture of one colour; every colour has a
    // picture (and a texture) of its own.
    KySpriteLayout* addSprite(const KyColor& colour, u32 side)
    {
        KyImg image;
        std::string path = "render/" + std::to_string(colour.r) + "-" + std::to_string(colour.g) + "-" +
                           std::to_string(colour.b) + "-" + std::to_string(side) + ".png";
        makePicture(image, path.c_str(), side, side, colour);
        sprites.push_back(std::make_unique<KySpriteLayout>());
        sprites.back()->loadFromImage(&image);
        return sprites.back().get();
    }

    // Places a layout's centre on the window point (x, y).
    void place(KyLayout* layout, f32 x, f32 y)
    {
        layout->setPosition(KyVector3f32(x / kSide, y / kSide, 0.5f));
        window->addChild(layout);
    }

    void drawFrame()
    {
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        window->update();
        window->draw();
        gl.finish();
    }

    // The pixel at the window point (x, y), counted from the top-left corner.
    KyColor at(s32 x, s32 y) { return gl.pixel(x, kSide - 1 - y); }

    GLTestContext gl{kSide, kSide};
    KyMainWindow* window = nullptr;
    std::vector<std::unique_ptr<KySpriteLayout>> sprites;
};

bool same(const KyColor& expected, const KyColor& actual)
{
    return std::abs(int(expected.r) - actual.r) <= 2 && std::abs(int(expected.g) - actual.g) <= 2 &&
           std::abs(int(expected.b) - actual.b) <= 2;
}

const KyColor kBlack(0, 0, 0, 255);
const KyColor kRed(255, 0, 0, 255);
const KyColor kGreen(0, 255, 0, 255);
const KyColor kBlue(0, 0, 255, 255);
const KyColor kGrey(128, 128, 128, 255);
const KyColor kYellow(255, 255, 0, 255);
const KyColor kCyan(0, 255, 255, 255);
const KyColor kWhite(255, 255, 255, 255);

} // namespace

TEST_F(WidgetRenderTest, SpriteButtonLooksAndListAreDrawn)
{
    KySpriteLayout* sprite = addSprite(kRed, 16);
    place(sprite, 24, 24);

    KyButtonLayout button;
    button.setUpLayout(addSprite(kGreen, 16));
    button.setDownLayout(addSprite(kBlue, 16));
    button.setDisabledLayout(addSprite(kGrey, 16));
    place(&button, 64, 24);

    KyListLayout list;
    list.setSize(KyVector3f32(16, 64, 1));
    list.addChild(addSprite(kYellow, 16));
    list.addChild(addSprite(kCyan, 16));
    place(&list, 104, 64);

    drawFrame();
    EXPECT_TRUE(same(kRed, at(24, 24)));
    EXPECT_TRUE(same(kRed, at(17, 17)));
    EXPECT_TRUE(same(kBlack, at(15, 24)));
    EXPECT_TRUE(same(kBlack, at(24, 33)));
    EXPECT_TRUE(same(kGreen, at(64, 24)));
    EXPECT_TRUE(same(kGreen, at(57, 17)));
    EXPECT_TRUE(same(kBlack, at(55, 24)));
    // The list spreads its two children over its 64 pixels: the first at
    // its top, the second at its bottom.
    EXPECT_TRUE(same(kYellow, at(104, 40)));
    EXPECT_TRUE(same(kYellow, at(104, 33)));
    EXPECT_TRUE(same(kBlack, at(104, 31)));
    EXPECT_TRUE(same(kBlack, at(104, 64)));
    EXPECT_TRUE(same(kCyan, at(104, 88)));
    EXPECT_TRUE(same(kCyan, at(104, 95)));
    EXPECT_TRUE(same(kBlack, at(104, 97)));

    button.setState(1);
    drawFrame();
    EXPECT_TRUE(same(kBlue, at(64, 24)));
    button.setEnable(false);
    drawFrame();
    EXPECT_TRUE(same(kGrey, at(64, 24)));
    button.setEnable(true);
    button.setState(3);
    drawFrame();
    EXPECT_TRUE(same(kGreen, at(64, 24)));

    // Tinted by its colour; hidden, it is not drawn.
    sprite->setColor(KyColor(128, 255, 255, 255));
    drawFrame();
    EXPECT_TRUE(same(KyColor(128, 0, 0, 255), at(24, 24)));
    sprite->setVisible(false);
    drawFrame();
    EXPECT_TRUE(same(kBlack, at(24, 24)));

    window->removeChild(&list);
    window->removeChild(&button);
}

TEST_F(WidgetRenderTest, PixelSpritesLandOnWholePixels)
{
    // Two pixels wide, with its centre at x = -10.7 of the camera: drawn
    // over [-11, -9], window columns 53 and 54.
    const f32 x = kSide / 2 - 10.7f;
    KySpriteLayout* snapped = addSprite(kWhite, 2);
    place(snapped, x, 64);
    drawFrame();
    KyMatrix4x4 world = snapped->worldTransformationMatrix();
    EXPECT_NEAR(-10.7f, world[3][0], 1e-4f);
    EXPECT_TRUE(same(kBlack, at(52, 64)));
    EXPECT_TRUE(same(kWhite, at(53, 64)));
    EXPECT_TRUE(same(kWhite, at(54, 64)));
    EXPECT_TRUE(same(kBlack, at(55, 64)));

    // A Percent sprite is drawn where it lies: [-11.7, -9.7], columns 52
    // and 53.
    snapped->setVisible(false);
    KySpriteLayout* free = addSprite(kWhite, 2);
    free->setSizeType(KyLayout::Percent);
    free->setSize(KyVector3f32(2.0f / kSide, 2.0f / kSide, 1));
    place(free, x, 64);
    drawFrame();
    EXPECT_TRUE(same(kBlack, at(51, 64)));
    EXPECT_TRUE(same(kWhite, at(52, 64)));
    EXPECT_TRUE(same(kWhite, at(53, 64)));
    EXPECT_TRUE(same(kBlack, at(54, 64)));
}
