#include "core/KyCallback1Param.h"
#include "tests/support/ScopedWorkingDir.h"
#include "tests/support/TempDir.h"
#include "tests/ui/ButtonInputFixture.h"
#include "tests/ui/SpriteFixture.h"
#include "ui/KyCheckBox.h"

#include <gtest/gtest.h>
#include <tinyxml.h>

#include <memory>
#include <vector>

namespace {

class StateLog {
public:
    bool changed(bool state)
    {
        states.push_back(state);
        return false;
    }
    std::vector<bool> states;
};

} // namespace

// Check boxes of four 20 x 20 looks at (0, 0), input from the fake device.
class CheckBoxTest : public SpriteDrawTest {
protected:
    void SetUp() override
    {
        SpriteDrawTest::SetUp();
        input.start();
        m_on = solidImage(20, 20, KyColor(255, 0, 0, 255));
        m_off = solidImage(20, 20, KyColor(0, 255, 0, 255));
        m_disabledOn = solidImage(20, 20, KyColor(0, 0, 255, 255));
        m_disabledOff = solidImage(20, 20, KyColor(255, 255, 0, 255));
    }
    void TearDown() override
    {
        input.stop();
        SpriteDrawTest::TearDown();
    }

    void build(KyCheckBox& box)
    {
        box.onStateChanged().pushBack(kyNewCallback(&log, &StateLog::changed));
        box.load(m_on.get(), m_off.get(), m_disabledOn.get(), m_disabledOff.get());
        box.setPosition(KyVector3f32(0, 0, 0));
        log.states.clear();
    }

    // The look shown: "on", "off", "disabled on", "disabled off", or a list
    // when several are, "" when none.
    static std::string look(KyCheckBox& box)
    {
        std::string out;
        const auto add = [&out](KySprite& s, const char* name) {
            if (s.visible && s.hasTexture())
                out += out.empty() ? name : std::string("+") + name;
        };
        add(box.activeSprite, "on");
        add(box.unactiveSprite, "off");
        add(box.disabledActiveSprite, "disabled on");
        add(box.disabledUnactiveSprite, "disabled off");
        return out;
    }

    ButtonInputDriver input;
    StateLog log;
    KyIntrusivePtr<KyImg> m_on, m_off, m_disabledOn, m_disabledOff;
};

TEST_F(CheckBoxTest, ClicksToggleAndReportEveryChange)
{
    KyCheckBox box;
    build(box);
    EXPECT_EQ(KyVector3f32(20, 20, 0), box.size());
    EXPECT_EQ("off", look(box));

    // Pressing previews the state a click gives.
    input.moveTo(5, 5);
    input.press();
    EXPECT_EQ("on", look(box));
    input.release();
    EXPECT_TRUE(box.isChecked());
    EXPECT_EQ("on", look(box));
    input.click(5, 5);
    EXPECT_FALSE(box.isChecked());
    EXPECT_EQ((std::vector<bool>{true, false}), log.states);

    // setChecked reports even an unchanged state.
    box.setChecked(false);
    EXPECT_EQ((std::vector<bool>{true, false, false}), log.states);
}

TEST_F(CheckBoxTest, RadioModeOnlyChecksAndFiresOnce)
{
    KyCheckBox box;
    box.mode = KyCheckBox::Radio;
    build(box);
    input.click(5, 5);
    EXPECT_TRUE(box.isChecked());
    EXPECT_EQ((std::vector<bool>{true}), log.states);

    // A checked radio box shows no preview and ignores clicks.
    input.press();
    EXPECT_EQ("on", look(box));
    input.release();
    input.click(5, 5);
    EXPECT_TRUE(box.isChecked());
    EXPECT_EQ((std::vector<bool>{true}), log.states);

    // The owner unchecks it.
    box.setChecked(false);
    EXPECT_EQ("off", look(box));
    input.click(5, 5);
    EXPECT_EQ((std::vector<bool>{true, false, true}), log.states);
}

TEST_F(CheckBoxTest, HitFlagChoosesTheDisabledLooksAndHidingShowsNothing)
{
    KyCheckBox box;
    build(box);
    box.setChecked(true);
    box.button.active = false;
    box.updateLooks();
    EXPECT_EQ("disabled on", look(box));
    input.click(5, 5);
    EXPECT_TRUE(box.isChecked());
    box.button.active = true;
    box.updateLooks();
    EXPECT_EQ("on", look(box));

    box.setVisible(false);
    EXPECT_EQ("", look(box));
    EXPECT_FALSE(box.button.isEnabled());
    input.click(5, 5);
    EXPECT_TRUE(box.isChecked());
    box.setVisible(true);
    EXPECT_EQ("on", look(box));

    // Margins inset the clickable area as for sprite buttons.
    box.setMargins(5, 5);
    EXPECT_EQ(KyVector3f32(10, 10, 0), box.button.size());
    EXPECT_EQ(KyVector3f32(5, 5, 0), box.button.position());
    input.click(2, 2);
    EXPECT_TRUE(box.isChecked());
    input.click(6, 6);
    EXPECT_FALSE(box.isChecked());
}

TEST_F(CheckBoxTest, XmlRadioBoxWithTwoLooksShowsNothingWhileDisabled)
{
    TempDir dir;
    ASSERT_TRUE(writeSolidPng(dir.file("on.png"), 16, 8, KyColor(255, 0, 0, 255)));
    ASSERT_TRUE(writeSolidPng(dir.file("off.png"), 16, 8, KyColor(0, 255, 0, 255)));
    ScopedWorkingDir cwd(dir.path());
    TiXmlDocument doc;
    doc.Parse("<checkbox Active_File=\"on.png\" UNACTIVE_FILE=\"off.png\" mode=\"radio\">"
              "<leftMargin value=\"2\"/></checkbox>");
    KyCheckBox box;
    box.onStateChanged().pushBack(kyNewCallback(&log, &StateLog::changed));
    box.loadFromXml(doc.RootElement());
    EXPECT_EQ(u32(KyCheckBox::Radio), box.mode);
    EXPECT_EQ((std::vector<bool>{false}), log.states);
    EXPECT_TRUE(box.activeSprite.hasTexture());
    EXPECT_FALSE(box.disabledActiveSprite.hasTexture());
    EXPECT_EQ(KyVector3f32(14, 8, 0), box.button.size());
    EXPECT_EQ(KyVector3f32(16, 8, 0), box.size());
    EXPECT_EQ("off", look(box));
    box.button.active = false;
    box.updateLooks();
    EXPECT_EQ("", look(box));
}

TEST_F(CheckBoxTest, BoxDestroyedWhilePressedReachesNoDeadLook)
{
    std::unique_ptr<KyCheckBox> box(new KyCheckBox);
    build(*box);
    input.moveTo(5, 5);
    input.press();
    box.reset();
    input.release();
    EXPECT_TRUE(log.states.empty());
}
