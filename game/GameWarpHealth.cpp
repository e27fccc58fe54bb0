// The two characters' health: values the scripts lower and test, shown as
// two bars of the in-game interface whose filled part is cut to the share
// of health left.

#include "game/GameWarp.h"
#include "ui/KySpriteLayout.h"

#include <cstdint>

namespace {

// The bar's filled layout shows the share f of its picture: the rest is cut
// off and the layout is as high as the part shown.
void showShare(KySpriteLayout* full, s32 health)
{
    if (!full)
        return;
    f32 f = f32(health) / 100.0f;
    if (f < 0.0f)
        f = 0.0f;
    if (f > 1.0f)
        f = 1.0f;
    full->setCropBottom(1.0f - f);
    const KyVector3f32 size = full->userSize();
    full->setSize(KyVector3f32(f32(full->imageWidth()), f32(full->imageHeight()) * f, size.z));
}

// Health minus amount, held at the ends of s32: the values have no limits
// of their own, but a huge blow must not wrap round into full health.
s32 lowered(s32 health, s32 amount)
{
    const s64 value = s64(health) - s64(amount);
    if (value > s64(INT32_MAX))
        return INT32_MAX;
    if (value < s64(INT32_MIN))
        return INT32_MIN;
    return s32(value);
}

void setBarVisible(KyLuaGUI& gui, const char* empty, const char* full, bool visible)
{
    if (KySpriteLayout* layout = gui.spriteLayout(empty))
        layout->setVisible(visible);
    if (KySpriteLayout* layout = gui.spriteLayout(full))
        layout->setVisible(visible);
}

} // namespace

void GameWarp::updateHealthBars()
{
    showShare(inGameGui.spriteLayout("mayaHealthFull"), mayaHealth);
    showShare(inGameGui.spriteLayout("tuyaHealthFull"), tuyaHealth);
}

void GameWarp::reduceMayaHealth(s32 amount)
{
    mayaHealth = lowered(mayaHealth, amount);
    updateHealthBars();
}

void GameWarp::reduceTuyaHealth(s32 amount)
{
    tuyaHealth = lowered(tuyaHealth, amount);
    updateHealthBars();
}

void GameWarp::initHealths()
{
    mayaHealth = 100;
    tuyaHealth = 100;
    updateHealthBars();
}

void GameWarp::showMayaHealth()
{
    setBarVisible(inGameGui, "mayaHealthEmpty", "mayaHealthFull", true);
}

void GameWarp::showTuyaHealth()
{
    setBarVisible(inGameGui, "tuyaHealthEmpty", "tuyaHealthFull", true);
}

void GameWarp::hideMayaHealth()
{
    setBarVisible(inGameGui, "mayaHealthEmpty", "mayaHealthFull", false);
}

void GameWarp::hideTuyaHealth()
{
    setBarVisible(inGameGui, "tuyaHealthEmpty", "tuyaHealthFull", false);
}

bool GameWarp::isMayaAlive()
{
    return mayaHealth > 0;
}

bool GameWarp::isTuyaAlive()
{
    return tuyaHealth > 0;
}
