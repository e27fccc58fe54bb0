#include "tests/ui/ButtonInputFixture.h"

#include "core/KySingleton.h"
#include "os/KyOsClock.h"
#include "platform/KyScreen.h"

void ButtonInput::SetUp()
{
    KyOsClock::installFake(1000000);
    KySingleton<KyScreen>::instance()->setSize(KyVector3f32(640, kScreenHeight, 100));
    manager = KyInputMgr::instance();
    manager->setDevice(&device);
    manager->reset();
    frame();
}

void ButtonInput::TearDown()
{
    manager->setDevice(nullptr);
    KySingleton<KyInputMgr>::destroy();
    KyOsClock::install(nullptr);
}

void ButtonInput::frame()
{
    KyOsClock::advanceFake(16000);
    manager->update();
}

void ButtonInput::moveTo(s32 x, s32 y)
{
    device.position = KyVector2s32(x, kScreenHeight - y);
    frame();
}

void ButtonInput::press()
{
    device.previousButtons = device.buttons;
    device.buttons |= KyInputMgr::LeftButtonBit;
    frame();
}

void ButtonInput::release()
{
    device.previousButtons = device.buttons;
    device.buttons &= ~KyInputMgr::LeftButtonBit;
    frame();
}

void ButtonInput::click(s32 x, s32 y)
{
    moveTo(x, y);
    press();
    release();
}

std::vector<std::string> ButtonInput::take()
{
    std::vector<std::string> out;
    out.swap(log);
    return out;
}
