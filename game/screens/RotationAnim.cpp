#include "game/screens/RotationAnim.h"

#include "core/KyLog.h"
#include "core/KySingleton.h"
#include "game/Listeners.h"
#include "media/KySoundManager.h"
#include "platform/KyVectorHistory.h"

namespace {

const char* const kPrefixes[RotationAnim::FlavourCount] = {"portrait", "landscape", "stayLandscape"};

} // namespace

const char* const RotationAnim::InterfacePath = "GUI/RotationAnim.lua";

RotationAnim::RotationAnim()
    : m_running(false)
{
}

RotationAnim::~RotationAnim() {}

KyString RotationAnim::animationName(Flavour flavour, const char* phase, const char* element)
{
    return KyString(kPrefixes[flavour]) + KyString(phase) + KyString(element);
}

RotationAnim::Signal& RotationAnim::signal(Flavour flavour)
{
    if (flavour == Portrait)
        return portraitSignal;
    if (flavour == Landscape)
        return landscapeSignal;
    return stayLandscapeSignal;
}

void RotationAnim::load()
{
    setName("rotationAnim");
    setSizeType(Percent);
    setSize(KyVector3f32(1.0f, 1.0f, userSize().z));
    // Layouts draw in the order of their depth: the boards stand a whole
    // depth of their parent in front of the screens beside them, however
    // deep those nest.
    setAnchor(KyVector3f32(0.5f, 0.5f, -0.5f));
    gui.load(InterfacePath);
    if (KyLayout* boards = gui.layout("rotationAnim"))
        addChild(boards);
    else
        logPrint("RotationAnim::load: GUI/RotationAnim.lua has no layout rotationAnim\n");
    setVisible(false);
    m_running = false;

    chain(Landscape, "Close", &RotationAnim::landscapeRotate);
    chain(Landscape, "Rotate", &RotationAnim::landscapeOpen);
    chain(Landscape, "Open", &RotationAnim::hide);
    chain(Portrait, "Close", &RotationAnim::portraitRotate);
    chain(Portrait, "Rotate", &RotationAnim::portraitOpen);
    chain(Portrait, "Open", &RotationAnim::hide);
    chain(StayLandscape, "Close", &RotationAnim::stayLandscapeRotate);
    chain(StayLandscape, "Rotate", &RotationAnim::stayLandscapeOpen);
    chain(StayLandscape, "Open", &RotationAnim::hide);
}

void RotationAnim::chain(Flavour flavour, const char* phase, bool (RotationAnim::*next)())
{
    KyLuaGUI::VectorAnimation* lower = gui.layoutPositionLinearAnimation(animationName(flavour, phase, "PlancheBas"));
    if (lower)
        appendListener(lower->onFinished, this, next);
}

void RotationAnim::portraitClose() { close(Portrait); }
void RotationAnim::landscapeClose() { close(Landscape); }
void RotationAnim::stayLandscapeClose() { close(StayLandscape); }

bool RotationAnim::portraitRotate()
{
    rotate(Portrait);
    return false;
}

bool RotationAnim::portraitOpen()
{
    open(Portrait);
    return false;
}

bool RotationAnim::landscapeRotate()
{
    rotate(Landscape);
    return false;
}

bool RotationAnim::landscapeOpen()
{
    open(Landscape);
    return false;
}

bool RotationAnim::stayLandscapeRotate()
{
    rotate(StayLandscape);
    return false;
}

bool RotationAnim::stayLandscapeOpen()
{
    open(StayLandscape);
    return false;
}

bool RotationAnim::hide()
{
    setVisible(false);
    m_running = false;
    return false;
}

void RotationAnim::close(Flavour flavour)
{
    setVisible(true);
    m_running = true;
    const bool moving = moveBoards(flavour, "Close", false);
    playSound(flavour, "Close");
    if (!moving)
        rotate(flavour);
}

void RotationAnim::rotate(Flavour flavour)
{
    const bool moving = moveBoards(flavour, "Rotate", true);
    playSound(flavour, "Rotate");
    if (!moving)
        open(flavour);
}

void RotationAnim::open(Flavour flavour)
{
    signal(flavour).call();
    if (flavour == Portrait)
        KyVectorHistory::instance()->setOrientation(KyQuaternion(0.0f, 0.0f, 0.0f, 1.0f));
    else if (flavour == Landscape)
        KyVectorHistory::instance()->setOrientation(KyQuaternion(0.0f, 0.0f, 0.0f, 0.70710677f));
    const bool moving = moveBoards(flavour, "Open", false);
    playSound(flavour, "Open");
    if (!moving)
        hide();
}

bool RotationAnim::moveBoards(Flavour flavour, const char* phase, bool turnCenter)
{
    KyLuaGUI::VectorAnimation* upper = gui.layoutPositionLinearAnimation(animationName(flavour, phase, "PlancheHaut"));
    KyLuaGUI::VectorAnimation* lower = gui.layoutPositionLinearAnimation(animationName(flavour, phase, "PlancheBas"));
    KyLayout* upperBoard = gui.layout("plancheHaut");
    KyLayout* lowerBoard = gui.layout("plancheBas");
    if (upper && upperBoard) {
        upper->target = upperBoard;
        upper->setter = &KyLayout::setPosition;
        upper->play();
    }
    if (turnCenter) {
        KyLuaGUI::RotationAnimation* turn = gui.rotationLinearAnimation(animationName(flavour, phase, "Center"));
        KyLayout* center = gui.layout("center");
        if (turn && center) {
            turn->target = center;
            turn->setter = &Ky3DObject2::setRotation;
            turn->play();
        }
    }
    if (!lower || !lowerBoard) {
        logPrint("RotationAnim: %s or plancheBas missing, phase passed\n",
                 animationName(flavour, phase, "PlancheBas").c_str());
        return false;
    }
    lower->target = lowerBoard;
    lower->setter = &KyLayout::setPosition;
    lower->play();
    return true;
}

void RotationAnim::playSound(Flavour flavour, const char* phase)
{
    const KyString sound = gui.value(animationName(flavour, phase, "Sound")).toString();
    if (!sound.isEmpty())
        KySingleton<KySoundManager>::instance()->PlaySFX(sound);
}
