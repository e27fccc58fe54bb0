// The core operations the game relies on, checked through the calls the game
// makes: names, argument orders and the results it builds file names from.
#include "core/KyArray.h"
#include "core/KyCallback0Param.h"
#include "core/KyCallback1Param.h"
#include "core/KyCore.h"
#include "core/KyList.h"
#include "core/KyPath.h"
#include "core/KyQuaternion.h"
#include "core/KySingleton.h"
#include "core/KyString.h"
#include "core/KyTimer.h"
#include "core/KyVariant.h"
#include "os/KyOsClock.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

TEST(CoreServices, PathPartsForInterfaceFiles)
{
    KyPath path("GUI/MainMenu.lua");
    EXPECT_STREQ(path.fileName().c_str(), "MainMenu.lua");
    EXPECT_STREQ(path.directory().c_str(), "GUI/");
    EXPECT_STREQ(KyPath("MainMenu.lua").directory().c_str(), "");
    EXPECT_STREQ(KyPath("a:b\\c.d").fileName().c_str(), "c.d");
    EXPECT_STREQ(path.extension().c_str(), "lua");
    EXPECT_STREQ(KyPath("GUI/noext").extension().c_str(), "");

    // The language folder the loaders build: directory, language, file name.
    KyPath language(path.directory() + KyString("/") + KySingleton<KyCore>::instance()->language() +
                    KyString("/") + path.fileName());
    EXPECT_STREQ(language.c_str(), "GUI/en/MainMenu.lua");

    KyPath script("Scripts/scene.lua");
    script.setExtension("bin");
    EXPECT_STREQ(script.c_str(), "Scripts/scene.bin");
    script.removeExtension();
    EXPECT_STREQ(script.c_str(), "Scripts/scene");
}

TEST(CoreServices, StringOperationsUsedByScreens)
{
    EXPECT_STREQ(KyString(s32(-42)).c_str(), "-42");
    EXPECT_STREQ(KyString(static_cast<const char*>(nullptr)).c_str(), "");
    EXPECT_STREQ(KyString("abcdef", 3).c_str(), "abc");

    KyString page = KyString("page") + KyString(s32(3)) + KyString("Slot") + KyString(s32(10));
    EXPECT_TRUE(page == "page3Slot10");
    EXPECT_TRUE("page3Slot10" == page);
    EXPECT_FALSE(page != "page3Slot10");
    EXPECT_TRUE(page != "Page3Slot10");

    KyString sound("Videos/Intro.ogg");
    KyString folder(sound);
    folder.removeFileName();
    EXPECT_STREQ(folder.c_str(), "Videos/");
    KyString name(sound);
    name.removeDirectory();
    EXPECT_STREQ(name.c_str(), "Intro.ogg");

    EXPECT_STREQ(KyString("abcdef").substr(2, 100).c_str(), "cdef");
    EXPECT_STREQ(KyString("abcdef").substr(0, 2).c_str(), "ab");

    KyString text;
    std::string longText(3000, 'x');
    text.format("%s-%d", longText.c_str(), 7);
    EXPECT_EQ(text.length(), 3002u);
}

TEST(CoreServices, StreamReadsInRawAndTextMode)
{
    KyString raw(static_cast<const char*>(nullptr));
    ASSERT_EQ(raw.textMode(), 0u);
    const char bytes[] = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07};
    raw.write(bytes, sizeof bytes);
    raw.seek(0);
    u32 v32 = 0;
    u16 v16 = 0;
    raw >> v32 >> v16;
    EXPECT_EQ(v32, 0x04030201u);
    EXPECT_EQ(v16, 0x0605u);
    // One byte left: the value is not touched.
    raw >> v32;
    EXPECT_EQ(v32, 0x04030201u);

    KyString text("123ab 45\r\nnext");
    u32 number = 0;
    EXPECT_EQ(text.parseU32(number), 3u);
    EXPECT_EQ(number, 123u);
    EXPECT_EQ(text.tell(), 3u);
    EXPECT_STREQ(text.readWord().c_str(), "ab");
    EXPECT_STREQ(text.readLine().c_str(), "45");
    EXPECT_STREQ(text.readLine().c_str(), "next");

    KyString out;
    out.printf("%s=%d", 512, "slide", 12);
    EXPECT_STREQ(out.c_str(), "slide=12");
    KyString cut;
    cut.printf("%s", 4, "abcdef");
    EXPECT_STREQ(cut.c_str(), "abcd");
}

TEST(CoreServices, QuaternionFromUnnormalisedAxis)
{
    const f32 pi = 3.14159265f;
    KyQuaternion q = KyQuaternion::fromAxisAndAngle(KyVector3f32(0.0f, 2.0f, 0.0f), pi / 2.0f);
    EXPECT_NEAR(q.x, 0.0f, 1e-6f);
    EXPECT_NEAR(q.y, 2.0f * std::sin(pi / 4.0f), 1e-5f);
    EXPECT_NEAR(q.z, 0.0f, 1e-6f);
    EXPECT_NEAR(q.w, std::cos(pi / 4.0f), 1e-5f);

    KyVector3f32 v(3.0f, 0.0f, 4.0f);
    v.normalize();
    EXPECT_NEAR(v.x, 0.6f, 1e-6f);
    EXPECT_NEAR(v.z, 0.8f, 1e-6f);
}

TEST(CoreServices, VariantTypesAndMismatches)
{
    EXPECT_EQ(KyVariant().type(), 0u);
    EXPECT_EQ(KyVariant(true).type(), 1u);
    EXPECT_EQ(KyVariant(u32(5)).type(), 3u);
    EXPECT_EQ(KyVariant(f64(2.5)).type(), 7u);
    KyVariant s(KyString("hello"));
    EXPECT_EQ(s.type(), 9u);
    EXPECT_STREQ(s.toString().c_str(), "hello");
    EXPECT_EQ(s.toU32(), 0u);
    EXPECT_FALSE(s.toBool());
    EXPECT_EQ(KyVariant(u32(5)).toF64(), 0.0);
    EXPECT_STREQ(KyVariant(u32(5)).toString().c_str(), "");
    s = KyVariant(u32(9));
    EXPECT_EQ(s.type(), 3u);
    EXPECT_EQ(s.toU32(), 9u);
}

TEST(CoreServices, ContainersGrowExactly)
{
    KyArray<KyObject*> queue;
    KyObject* a = reinterpret_cast<KyObject*>(0x10);
    queue.pushBack(a);
    queue.pushBack(a);
    EXPECT_EQ(queue.count(), 2u);
    EXPECT_EQ(queue.capacity(), 2u);

    KyList<int> list;
    list.pushBack(1);
    list.pushBack(2);
    list.pushBack(3);
    KyList<int>::iterator it = list.begin();
    ++it;
    KyList<int>::iterator other = it;
    list.erase(it);
    EXPECT_EQ(list.count(), 2u);
    // Both live iterators moved back to the first node.
    EXPECT_EQ(*other, 1);
    ++other;
    EXPECT_EQ(*other, 3);
}

namespace {

struct Left {
    virtual ~Left() {}
    int left = 0;
};

struct Right {
    virtual ~Right() {}
    bool onRight() { return false; }
    bool onIndex(unsigned int index)
    {
        last = index;
        return true;
    }
    unsigned int last = 0;
};

struct Both : Left, Right {
    bool onBoth() { return false; }
};

} // namespace

TEST(CoreServices, CallbacksOfClassesWithSeveralBases)
{
    Both object;
    KyCallback0Param<Both> viaBase(&object, &Right::onRight, 0.0f);
    KyCallback0Param<Both> viaBaseAgain(&object, &Right::onRight, 1.0f);
    KyCallback0Param<Both> own(&object, &Both::onBoth, 0.0f);
    EXPECT_TRUE(viaBase.equals(&viaBaseAgain));
    EXPECT_FALSE(viaBase.equals(&own));
    EXPECT_TRUE(viaBase.sameObject(&own));
    EXPECT_TRUE(viaBase.call() == false);

    KyCallback1Param<unsigned int, Both> withIndex(&object, &Right::onIndex, 0.0f);
    EXPECT_TRUE(withIndex.call(4u));
    EXPECT_EQ(object.last, 4u);

    Both another;
    KyCallback0Param<Both> elsewhere(&another, &Right::onRight, 0.0f);
    EXPECT_FALSE(viaBase.equals(&elsewhere));
    EXPECT_FALSE(viaBase.sameObject(&elsewhere));
}

namespace {

struct AlarmCounter {
    int calls = 0;
    bool onAlarm()
    {
        ++calls;
        return false;
    }
};

} // namespace

TEST(CoreServices, TimerAlarmSetDirectlyFiresOnce)
{
    KyOsClock::installFake(1000000);
    {
        KyTimer timer;
        EXPECT_EQ(timer.getTimeFromStart(), 0u);
        AlarmCounter counter;
        timer.alarmCallbacks.pushBack(kyNewCallback(&counter, &AlarmCounter::onAlarm));
        timer.start();
        KyOsClock::advanceFake(1000);
        // Elapsed time plus a delay, as the game's wait does.
        timer.setAlarm(timer.getTimeFromStart() + 500u * 1000u);
        KyTimer::updateAll();
        EXPECT_EQ(counter.calls, 0);
        KyOsClock::advanceFake(500000);
        KyTimer::updateAll();
        EXPECT_EQ(counter.calls, 1);
        EXPECT_EQ(timer.alarm(), 0u);
        KyOsClock::advanceFake(500000);
        KyTimer::updateAll();
        EXPECT_EQ(counter.calls, 1);

        // Reset to zero: pause, clear, start again.
        timer.stop();
        timer.start();
        EXPECT_EQ(timer.getTimeFromStart(), 0u);
        KyOsClock::advanceFake(2000);
        EXPECT_EQ(timer.timeSinceLastCall(), 2000.0);
        EXPECT_EQ(timer.timeSinceLastCall(), 0.0);
    }
    KyOsClock::install(nullptr);
}

TEST(CoreServices, CoreDefaults)
{
    KyCore* core = KySingleton<KyCore>::instance();
    ASSERT_NE(core, nullptr);
    EXPECT_STREQ(KyCore::systemLanguage().c_str(), "en");
    EXPECT_STREQ(core->language().c_str(), "en");
    EXPECT_NE(core->ready, 0);
}
