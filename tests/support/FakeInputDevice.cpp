#include "tests/support/FakeInputDevice.h"

#include "core/KySingleton.h"
#include "os/KyOsClock.h"

namespace {

const u32 kLeftButton = 2;

} // namespace

KyVector2s32 FakeInputDevice::mousePosition(u32 pointer)
{
    return pointer < MaxPointers ? position[pointer] : KyVector2s32();
}

KyVector2s32 FakeInputDevice::previousMousePosition(u32 pointer)
{
    return pointer < MaxPointers ? previousPosition[pointer] : KyVector2s32();
}

u32 FakeInputDevice::buttonState(u32 pointer)
{
    return pointer == 0 ? buttons : 0;
}

u32 FakeInputDevice::previousButtonState(u32 pointer)
{
    return pointer == 0 ? previousButtons : 0;
}

void FakeInputDevice::moveTo(u32 pointer, s32 x, s32 y)
{
    if (pointer >= MaxPointers)
        return;
    previousPosition[pointer] = position[pointer];
    position[pointer] = KyVector2s32(x, y);
}

void FakeInputDevice::press()
{
    previousButtons = buttons;
    buttons |= kLeftButton;
}

void FakeInputDevice::release()
{
    previousButtons = buttons;
    buttons &= ~kLeftButton;
}

InputScript::InputScript(u32 pointers)
{
    KyOsClock::installFake(1000000);
    m_device.pointers = pointers < FakeInputDevice::MaxPointers ? pointers : FakeInputDevice::MaxPointers;
    m_manager = KyInputMgr::instance();
    m_manager->setDevice(&m_device);
    m_manager->reset();
}

InputScript::~InputScript()
{
    // The next script starts from a fresh manager; listeners still
    // registered (layouts that outlive the script) go with this one.
    if (KySingleton<KyInputMgr>::exists() && KyInputMgr::instance() == m_manager)
        KySingleton<KyInputMgr>::destroy();
    KyOsClock::install(nullptr);
}

void InputScript::frame()
{
    KyOsClock::advanceFake(16000);
    m_manager->update();
}

void InputScript::moveTo(u32 pointer, s32 x, s32 y)
{
    m_device.moveTo(pointer, x, y);
    frame();
}

void InputScript::press(u32 pointer)
{
    if (pointer == 0) {
        m_device.press();
        frame();
    } else {
        m_manager->setButtonState(true, pointer);
    }
}

void InputScript::release(u32 pointer)
{
    if (pointer == 0) {
        m_device.release();
        frame();
    } else {
        m_manager->setButtonState(false, pointer);
    }
}

void InputScript::click(s32 x, s32 y, u32 pointer)
{
    moveTo(pointer, x, y);
    press(pointer);
    release(pointer);
}
