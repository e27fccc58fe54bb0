#include "tests/ui/ButtonInputFixture.h"

#include "core/KySingleton.h"
#include "os/KyOsClock.h"
#include "platform/KyScreen.h"

void ButtonInputDriver::start()
{
    KySingleton<KyScreen>::instance()->setSize(KyVector3f32(640, kScreenHeight, 100));
    manager = KyInputMgr::instance();
    manager->setDevice(&device);
    manager->reset();
    frame();
}

void ButtonInputDriver::stop()
{
    manager->setDevice(nullptr);
    KySingleton<KyInputMgr>::destroy();
    manager = nullptr;
}

void ButtonInputDriver::frame()
{
    KyOsClock::advanceFake(16000);
    manager->update();
}

void ButtonInputDriver::moveTo(s32 x, s32 y)
{
    device.position = KyVector2s32(x, kScreenHeight - y);
    frame();
}

void ButtonInputDriver::press()
{
    device.previousButtons = device.buttons;
    device.buttons |= KyInputMgr::LeftButtonBit;
    frame();
}

void ButtonInputDriver::release()
{
    device.previousButtons = device.buttons;
    device.buttons &= ~KyInputMgr::LeftButtonBit;
    frame();
}

void ButtonInputDriver::click(s32 x, s32 y)
{
    moveTo(x, y);
    press();
    release();
}

void ButtonInput::SetUp()
{
    KyOsClock::installFake(1000000);
    input.start();
    manager = input.manager;
}

void ButtonInput::TearDown()
{
    input.stop();
    KyOsClock::install(nullptr);
}

std::vector<std::string> ButtonInput::take()
{
    std::vector<std::string> out;
    out.swap(log);
    return out;
}
