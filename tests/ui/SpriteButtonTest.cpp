#include "core/KyCallback0Param.h"
#include "os/KyOsClock.h"
#include "tests/support/ScopedWorkingDir.h"
#include "tests/support/TempDir.h"
#include "tests/ui/ButtonInputFixture.h"
#include "tests/ui/SpriteFixture.h"
#include "ui/KySpriteButton.h"

#include <gtest/gtest.h>
#include <tinyxml.h>

#include <memory>

// Sprite buttons in a folder of pictures (up 100 x 40, down and disabled of
// the same size), with the input driven by the fake device.
class SpriteButtonTest : public SpriteDrawTest {
protected:
    void SetUp() override
    {
        SpriteDrawTest::SetUp();
        ASSERT_TRUE(m_dir.makeDir("Gui"));
        ASSERT_TRUE(writeSolidPng(m_dir.file("Gui/up.png"), 100, 40, KyColor(255, 0, 0, 255)));
        ASSERT_TRUE(writeSolidPng(m_dir.file("Gui/down.png"), 100, 40, KyColor(0, 255, 0, 255)));
        ASSERT_TRUE(writeSolidPng(m_dir.file("Gui/off.png"), 100, 40, KyColor(0, 0, 255, 255)));
        m_cwd.reset(new ScopedWorkingDir(m_dir.path()));
        input.start();
    }
    void TearDown() override
    {
        input.stop();
        m_cwd.reset();
        SpriteDrawTest::TearDown();
    }

    // Looks as a string: which of up, down, disabled are shown (visible
    // with a picture).
    static std::string looks(KySpriteButton& b)
    {
        std::string out;
        out += shown(b.upSprite) ? "U" : "-";
        out += shown(b.downSprite) ? "D" : "-";
        out += shown(b.disabledSprite) ? "X" : "-";
        return out;
    }
    static bool shown(KySprite& s) { return s.visible && s.hasTexture(); }

    void listen(KySpriteButton& b)
    {
        b.onClicked().pushBack(kyNewCallback(&m_clicked, &EventRecorder::record));
    }

    TempDir m_dir;
    std::unique_ptr<ScopedWorkingDir> m_cwd;
    ButtonInputDriver input;
    EventLog log;
    EventRecorder m_clicked{log, "clicked"};
};

TEST_F(SpriteButtonTest, UpPictureOnlyStaysShownAndStillClicks)
{
    KySpriteButton b;
    listen(b);
    b.load("Gui/up.png", "", "");
    EXPECT_EQ(KyVector3f32(100, 40, 0), b.size());
    EXPECT_EQ(KyVector3f32(100, 40, 0), b.label.size());
    b.setPosition(KyVector3f32(50, 50, 1));
    EXPECT_EQ(KyVector3f32(50, 50, 1.0001f), b.label.position());

    input.moveTo(60, 60);
    input.press();
    EXPECT_EQ("U--", looks(b));
    input.release();
    EXPECT_EQ((EventLog{"clicked"}), log);

    // With a down picture the press shows it until the release.
    b.load("Gui/up.png", "Gui/down.png", "");
    EXPECT_EQ("U--", looks(b));
    input.press();
    EXPECT_EQ("-D-", looks(b));
    input.release();
    EXPECT_EQ("U--", looks(b));
}

TEST_F(SpriteButtonTest, MarginsInsetTheClickableArea)
{
    KySpriteButton b;
    listen(b);
    b.setMargins(10, 5);
    b.load("Gui/up.png", "", "");
    b.setPosition(KyVector3f32(100, 100, 0));
    EXPECT_EQ(KyVector3f32(80, 30, 0), b.button.size());
    EXPECT_EQ(KyVector3f32(110, 105, 0), b.button.position());
    EXPECT_EQ(KyVector3f32(100, 40, 0), b.size());

    input.click(109, 120);
    input.click(190, 120);
    input.click(150, 104);
    input.click(150, 135);
    EXPECT_TRUE(log.empty());
    input.click(110, 105);
    input.click(189, 134);
    EXPECT_EQ((EventLog{"clicked", "clicked"}), log);

    // The label fitted inside the margins, just in front of the pictures.
    b.fitLabelSize();
    b.fitLabelPosition();
    EXPECT_EQ(KyVector3f32(80, 30, 0), b.label.size());
    EXPECT_EQ(KyVector3f32(110, 105, 0.0001f), b.label.position());
}

TEST_F(SpriteButtonTest, DisabledButtonIgnoresClicksAndShowsItsDisabledPicture)
{
    KySpriteButton b;
    listen(b);
    b.load("Gui/up.png", "Gui/down.png", "");
    b.setPosition(KyVector3f32(0, 0, 0));

    // No disabled picture: the up picture stays, clicks are ignored.
    b.setEnable(false);
    EXPECT_EQ("U--", looks(b));
    input.click(10, 10);
    EXPECT_TRUE(log.empty());
    b.setEnable(true);
    input.click(10, 10);
    EXPECT_EQ((EventLog{"clicked"}), log);
    log.clear();

    b.load("", "Gui/down.png", "Gui/off.png");
    b.setEnable(false);
    EXPECT_EQ("--X", looks(b));

    // Disabling while pressed releases the button: up is shown again until
    // the disabled look takes over.
    b.setEnable(true);
    EXPECT_EQ("U--", looks(b));
    input.press();
    EXPECT_EQ("-D-", looks(b));
    b.setEnable(false);
    EXPECT_FALSE(b.button.isPressed());
    EXPECT_EQ("--X", looks(b));
    input.release();
    EXPECT_TRUE(log.empty());
}

TEST_F(SpriteButtonTest, HidingTakesTheButtonOutOfInputAndKeepsItsHitFlag)
{
    KySpriteButton b;
    listen(b);
    b.load("Gui/up.png", "Gui/down.png", "Gui/off.png");
    b.setPosition(KyVector3f32(0, 0, 0));
    b.setText("<p color=2>Go");

    b.setVisible(false);
    EXPECT_EQ("---", looks(b));
    EXPECT_FALSE(b.label.visible);
    EXPECT_FALSE(b.button.isEnabled());
    input.click(10, 10);
    EXPECT_TRUE(log.empty());

    b.setVisible(true);
    EXPECT_TRUE(b.button.isEnabled());
    EXPECT_TRUE(b.label.visible);
    input.click(10, 10);
    EXPECT_EQ((EventLog{"clicked"}), log);

    // The hit flag is the setEnable one: hiding and showing leave it.
    b.setEnable(false);
    b.setVisible(false);
    b.setVisible(true);
    EXPECT_FALSE(b.button.active);
    input.click(10, 10);
    EXPECT_EQ(1u, log.size());

    // Hidden while held down: nothing shows, neither then nor once the
    // press is let go, and the release clicks nothing.
    b.setEnable(true);
    input.moveTo(10, 10);
    input.press();
    EXPECT_EQ("-D-", looks(b));
    b.setVisible(false);
    EXPECT_EQ("---", looks(b));
    input.release();
    EXPECT_EQ("---", looks(b));
    EXPECT_EQ(1u, log.size());

    b.unload();
    EXPECT_EQ(KyVector3f32(0, 0, 0), b.size());
    EXPECT_EQ(KyVector3f32(0, 0, 0), b.button.size());
    EXPECT_FALSE(b.upSprite.hasTexture());
    EXPECT_FALSE(b.label.hasTexture());
}

TEST_F(SpriteButtonTest, XmlAttributesAreReadWhateverTheirCase)
{
    TiXmlDocument doc;
    doc.Parse("<spriteButton UP_FILE=\"Gui/up.png\" Down_File=\"Gui/down.png\" enable=\"0\" visible=\"1\">"
              "<leftMargin value=\"4\"/><topMargin value=\"2\"/><scaleCenter y=\"0\"/></spriteButton>");
    KySpriteButton b;
    b.loadFromXml(doc.RootElement());
    EXPECT_TRUE(b.upSprite.hasTexture());
    EXPECT_TRUE(b.downSprite.hasTexture());
    EXPECT_FALSE(b.disabledSprite.hasTexture());
    EXPECT_EQ(4.0f, b.leftMargin);
    EXPECT_EQ(0.0f, b.rightMargin);
    EXPECT_EQ(2.0f, b.topMargin);
    EXPECT_EQ(KyVector3f32(96, 38, 0), b.button.size());
    EXPECT_FALSE(b.button.active);
    EXPECT_TRUE(b.button.isEnabled());
    EXPECT_EQ(KyVector3f32(0.5f, 0, 0.5f), b.scaleCenter());
    EXPECT_EQ(KyVector3f32(0.5f, 0, 0.5f), b.label.scaleCenter());
}

TEST_F(SpriteButtonTest, ButtonDestroyedWhilePressedReachesNoDeadPart)
{
    std::unique_ptr<KySpriteButton> b(new KySpriteButton);
    b->load("Gui/up.png", "Gui/down.png", "");
    b->setPosition(KyVector3f32(0, 0, 0));
    input.moveTo(10, 10);
    input.press();
    EXPECT_TRUE(b->button.isPressed());
    b.reset();
    input.release();
}
