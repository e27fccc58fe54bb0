#include "game/GameWarp.h"

#include "core/KyCore.h"
#include "core/KyFile.h"
#include "core/KyFileWriter.h"
#include "core/KyLog.h"
#include "core/KySingleton.h"
#include "core/KyWorkerPool.h"
#include "game/Application.h"
#include "game/GameLuaApi.h"
#include "game/Listeners.h"
#include "game/SaveFile.h"
#include "media/KySoundManager.h"
#include "platform/KyInputMgrWrapper.h"
#include "scene/KySceneWarp.h"
#include "scene/KyWarp.h"
#include "script/KyLuaEvent.h"
#include "ui/KyButtonLayout.h"
#include "ui/KyDeferredDeletion.h"
#include "ui/KySpriteLayout.h"
#include "ui/KyVideoLayout.h"

#include "platform/KyImg.h"
#include "platform/KyScreen.h"
#include "ui/KyCurve.h"

#include <GL/gl.h>
#include <tinyxml.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

const char* const GameWarp::EventGlobals[GameWarp::EventGlobalCount] = {
    "OnWarpEnter",      "OnWarpLeave",       "OnWarpObjectHit",
    "OnMovieFinished",  "OnAnimationFinished", "OnWaitFinished",
    "OnDialogFinished", "OnDocumentClosed",  "OnPuzzleWon",
    "OnPuzzleValidated", "OnAnswered",       "OnShowedDocumentButtonValidated",
    "Unload"};
const char* const GameWarp::FirstWarp = "3D/Isis/Warp_0002.wp";
const char* const GameWarp::SaveFile = "save.xml";
const char* const GameWarp::InGameInterface = "GUI/InGame.lua";
const char* const GameWarp::NotifyTextStyle =
    "<section style=\"center\" /><color r=\"0\" g=\"0\" b=\"0\"/><font file=\"Common/Fonts/Arial_r_16.tef\" />";
const f32 GameWarp::MouseListenerPriority = -1000.0f;
const f32 GameWarp::ClickDistance = 20.0f;

namespace {

const f32 kFieldOfView = 60.0f;
const f64 kTransitionDuration = 1000.0;
// Behind every other sprite of the interface, over the panoramas.
const f32 kTransitionDepth = -1000.0f;
const char* const kTransitionImage = "GameWarp/transition";

// A marker fade: two values at each end.
KyCurve markerCurve(f64 from, f64 to)
{
    KyCurve curve;
    curve.values.pushBack(from);
    curve.values.pushBack(from);
    curve.values.pushBack(to);
    curve.values.pushBack(to);
    return curve;
}

Application* application()
{
    return KySingleton<Application>::instance();
}

} // namespace

GameWarp::GameWarp()
    : currentWarp(nullptr)
    , animationWarp(nullptr)
    , previousWarp(nullptr)
    , musicRequested(0)
    , outgoingAnimationWarp(nullptr)
    , outgoingWarp(nullptr)
    , yaw(0.0f)
    , pitch(0.0f)
    , dragging(0)
    , dragMoved(0)
    , yawSpeed(0.0f)
    , pitchSpeed(0.0f)
    , gameRunning(0)
    , transitionRunning(0)
    , mayaHealth(100)
    , tuyaHealth(100)
    , arrowState(0)
    , ambientPlaying(0)
    , puzzleNumber(0)
    , helpShown(0)
    , pointerWasDown(0)
    , objectives(nullptr)
    , m_changing(false)
    , m_hasPendingWarp(false)
    , m_mouseListeners(false)
    , m_entered(false)
{
    script.setContext(&luaContext);
    // For the life of the object.
    appendListener(dialog.onFinished, this, &GameWarp::onDialogFinished);
    appendListener(question.onAnswered, this, &GameWarp::onAnswered);
}

GameWarp::~GameWarp()
{
    unload();
    // Closing the scene's state runs its "Unload" once more: while the
    // game-logic object is still whole, not from the members' destruction.
    luaContext.destroy();
}

// ---- game start and scene change ----------------------------------------

void GameWarp::enter()
{
    Application* app = application();
    logPrint("llega a hacer el enter");

    bd.load();

    inGameGui.load(InGameInterface);
    if (KyLayout* inGame = inGameGui.layout("inGame"))
        app->orientationLayout.addChildBefore(inGame, &app->rotationAnim);
    else
        logPrint("GameWarp::enter: %s has no layout inGame\n", InGameInterface);

    inventoryMenu.load();
    app->orientationLayout.addChildBefore(&inventoryMenu, &app->rotationAnim);

    if (KyButtonLayout* inventory = inGameGui.buttonLayout("inventoryButton"))
        appendListener(inventory->onValidated, this, &GameWarp::onInventoryClicked);
    if (KyButtonLayout* help = inGameGui.buttonLayout("helpButton")) {
        appendListener(help->onValidated, this, &GameWarp::onHelpClicked);
        if (app->permanentHelp)
            help->setVisible(false);
    }
    if (KyButtonLayout* skip = inGameGui.buttonLayout("skipVideoButton")) {
        appendListener(skip->onValidated, this, &GameWarp::onSkipVideoClicked);
        skip->setVisible(false);
    }
    if (KyButtonLayout* background = inGameGui.buttonLayout("videoBackgroundButton")) {
        appendListener(background->onValidated, this, &GameWarp::onVideoBackgroundClicked);
        background->setVisible(false);
    }
    if (KyVideoLayout* video = inGameGui.videoLayout("video")) {
        // Stopping a video (the skip button) and its end both stop it: the
        // stop signal covers both, once each.
        appendListener(video->onStopped, this, &GameWarp::onMovieFinished);
        video->setVisible(false);
    }

    dialog.load();
    if (KyI3DObject2* parent = dialog.parent())
        parent->removeChild(&dialog);
    app->orientationLayout.addChildBefore(&dialog, &app->rotationAnim);
    question.load();

    if (!m_mouseListeners) {
        KyInputMgrWrapper* input = KyInputMgrWrapper::instance();
        insertListener(input->onPointerMove(), this, &GameWarp::onPointerMove, MouseListenerPriority);
        insertListener(input->onButtonUp(), this, &GameWarp::onButtonUp, MouseListenerPriority);
        insertListener(input->onButtonDown(), this, &GameWarp::onButtonDown, MouseListenerPriority);
        m_mouseListeners = true;
    }

    yaw = 0.0f;
    pitch = 0.0f;
    yawSpeed = 0.0f;
    pitchSpeed = 0.0f;
    dragging = 0;
    dragMoved = 0;
    pointerWasDown = 0;
    arrowState = 0;
    yawSpeedAnimation.stop();
    pitchSpeedAnimation.stop();

    healthBar.Load("2D/Menus/InGame/barVie.png");
    healthBar.setPosition(KyVector3f32(0.0f, Application::VirtualHeight - healthBar.size().y, -991.0f));
    healthBar.visible = false;
    for (u32 i = 0; i < HealthPointCount; ++i) {
        KySprite& point = healthPoints[i];
        point.Load("2D/Menus/InGame/pointVie.png");
        point.setPosition(
            KyVector3f32(13.0f * f32(i) + 3.0f, Application::VirtualHeight - point.size().y - 4.0f, -990.0f));
        point.visible = false;
    }

    notify.load();

    resetLuaState(false);
    prepareTransitionSprite();
    removeListener(puzzleCrypte.won, this, &GameWarp::onPuzzleValidated);
    appendListener(puzzleCrypte.won, this, &GameWarp::onPuzzleValidated);

    gameRunning = 1;
    m_entered = true;
    gameTimer.start();

    static const char* const healthLayouts[] = {"mayaHealthEmpty", "mayaHealthFull", "tuyaHealthEmpty",
                                                "tuyaHealthFull"};
    for (const char* name : healthLayouts) {
        if (KySpriteLayout* layout = inGameGui.spriteLayout(name))
            layout->setVisible(false);
    }
    // While an arrow button is held the view turns toward the pointer.
    static const char* const arrows[] = {"leftButton", "rightButton", "downButton", "upButton"};
    for (const char* name : arrows) {
        if (KyButtonLayout* arrow = inGameGui.buttonLayout(name)) {
            appendListener(arrow->onStateDown, this, &GameWarp::onArrowButtonDown);
            appendListener(arrow->onStateUp, this, &GameWarp::onArrowButtonUp);
        }
    }
    createObjectives();
}

void GameWarp::changeWarp(const KyString& warpPath)
{
    const KyPath path(warpPath);
    if (!m_entered) {
        logPrint("GameWarp::changeWarp: %s: no game is entered\n", path.c_str());
        return;
    }
    if (m_changing && path == m_changeTarget) {
        // The scene being entered asks for itself: it stays, and a change
        // it asked for earlier is forgotten (asking again would loop).
        m_hasPendingWarp = false;
        return;
    }
    if (m_changing || transitionRunning) {
        // Tearing the scene down from inside its own change, or under the
        // transition, would leave both half done: the change waits.
        m_pendingWarp = path;
        m_hasPendingWarp = true;
        logPrint("GameWarp::changeWarp: %s follows the change under way\n", path.c_str());
        return;
    }
    m_changing = true;
    performChange(path);
    m_changing = false;
    runPendingChange();
}

void GameWarp::runPendingChange()
{
    while (m_hasPendingWarp && !m_changing && !transitionRunning && m_entered) {
        const KyPath next = m_pendingWarp;
        m_hasPendingWarp = false;
        m_changing = true;
        performChange(next);
        m_changing = false;
    }
}

void GameWarp::performChange(const KyPath& path)
{
    Application* app = application();
    m_changeTarget = path;
    const bool sameWarp = currentWarp && currentWarp->path() == path;
    // The glide or drag of the scene being left ends with it: the scene
    // coming in starts from the view its script gives.
    stopTurning();
    // A panorama met before has its pictures read while this scene is left.
    if (KyWarp* cached = cachedWarp(path))
        cached->prefetchTextures();
    if (currentWarp) {
        runEvent("OnWarpLeave");
        stopListeningToWarp(currentWarp);
        removeListener(waitTimer.alarmCallbacks, this, &GameWarp::onWaitFinished);
        // The game as it is now, written without waiting for the disk: the
        // next scene comes in while the disk takes it, and whatever reads
        // the file afterwards waits for it.
        writeSave(SaveFile, false);
    }

    // An imported animation panorama ends with its scene.
    if (animationWarp)
        stopListeningToWarp(animationWarp);
    outgoingAnimationWarp = animationWarp;
    animationWarp = nullptr;
    if (!sameWarp) {
        outgoingWarp = currentWarp;
        currentWarp = warpForPath(path);
    }

    currentWarp->setActive(true, false);
    helpShown = 0;
    currentWarp->setMarkersVisible(app->permanentHelp != 0);

    insertListener(currentWarp->onAnimationFinished(), this, &GameWarp::onAnimationFinished);
    listenToWait();

    clearEventGlobals();
    logPrint("Remove globals condition ");

    KyPath description = path;
    description.setExtension("xml");
    {
        KySceneWarp scene;
        scene.load(description, currentWarp);
    }

    script.load(SaveFile::sceneScriptPath(path));
    script.execute();

    musicRequested = 0;
    runEvent("OnWarpEnter");
    if (!musicRequested)
        sceneMusic.Stop();

    startArrivalTransition();
}

KyWarp* GameWarp::cachedWarp(const KyPath& path)
{
    for (KyList<KyWarp*>::iterator i = warps.begin(); i != warps.end(); ++i) {
        if ((*i)->path() == path)
            return *i;
    }
    return nullptr;
}

KyWarp* GameWarp::warpForPath(const KyPath& path)
{
    if (KyWarp* cached = cachedWarp(path)) {
        cached->load(path);
        return cached;
    }
    KyWarp* warp = newWarp();
    warp->load(path);
    warps.pushBack(warp);
    return warp;
}

KyWarp* GameWarp::newWarp()
{
    KyWarp* warp = new KyWarp;
    warp->setRotation(application()->orientationLayout.rotation());
    warp->setupCamera();
    warp->setFov(kFieldOfView);
    return warp;
}

void GameWarp::stopListeningToWarp(KyWarp* warp)
{
    if (!warp)
        return;
    while (removeListener(warp->onObjectHit(), this, &GameWarp::onObjectHit)) {
    }
    while (removeListener(warp->onAnimationFinished(), this, &GameWarp::onAnimationFinished)) {
    }
}

void GameWarp::listenToHits(KyWarp* warp)
{
    if (!warp)
        return;
    while (removeListener(warp->onObjectHit(), this, &GameWarp::onObjectHit)) {
    }
    insertListener(warp->onObjectHit(), this, &GameWarp::onObjectHit);
}

void GameWarp::listenToWait()
{
    // One listener whatever imports and changes came before: an alarm calls
    // the scene's "OnWaitFinished" once.
    while (removeListener(waitTimer.alarmCallbacks, this, &GameWarp::onWaitFinished)) {
    }
    appendListener(waitTimer.alarmCallbacks, this, &GameWarp::onWaitFinished);
}

void GameWarp::clearEventGlobals()
{
    for (const char* name : EventGlobals)
        luaContext.setGlobal(name);
}

void GameWarp::releaseWarp(KyWarp* warp)
{
    if (!warp)
        return;
    stopListeningToWarp(warp);
    warp->setActive(false, true);
    warp->setLoadAbort(true);
    KyDeferredDeletion::deleteLater(warp);
}

void GameWarp::showMarkers()
{
    const bool visible = helpShown || application()->permanentHelp;
    if (currentWarp)
        currentWarp->setMarkersVisible(visible);
    if (animationWarp)
        animationWarp->setMarkersVisible(visible);
}

void GameWarp::addToBag(const KyString& objectName)
{
    inventoryMenu.inventory.addObjectByName(objectName);
    // Announced whether the inventory took it or not.
    notify.push(KyString(NotifyTextStyle) + inventoryMenu.inventory.getObjectName(objectName),
                KyString("Inventory/Objects/") + objectName + KyString(".png"));
}

const KyString& GameWarp::selectedObjectName() const
{
    return inventoryMenu.inventory.selectedObjectName();
}

void GameWarp::finishGame()
{
    RotationAnim& transition = application()->rotationAnim;
    removeListener(transition.portraitSignal, this, &GameWarp::returnToMainMenu);
    appendListener(transition.portraitSignal, this, &GameWarp::returnToMainMenu);
    transition.portraitClose();
    gameRunning = 0;
    m_hasPendingWarp = false;
}

// ---- script events ----------------------------------------------------------

namespace {

void callEvent(KyLuaContext& context, const char* name, const KyVariant* arguments, u32 count)
{
    if (!context.isOpen())
        return;
    if (KyLuaEvent::call(context.state(), name, arguments, count) == KyLuaEvent::NotCalled)
        logPrint("[KyLuaScript::Execute] La fonction : \"%s\" n'existe pas.\n", name);
}

} // namespace

void GameWarp::runEvent(const char* name)
{
    callEvent(luaContext, name, nullptr, 0);
}

void GameWarp::runEvent(const char* name, const KyVariant& argument)
{
    callEvent(luaContext, name, &argument, 1);
}

void GameWarp::runEvent(const char* name, const KyVariant& first, const KyVariant& second)
{
    const KyVariant arguments[2] = {first, second};
    callEvent(luaContext, name, arguments, 2);
}

bool GameWarp::onObjectHit(KyString name)
{
    lastHitObjectName = name;
    runEvent("OnWarpObjectHit", KyVariant(name));
    return true;
}

bool GameWarp::onAnimationFinished(const KyString& name)
{
    runEvent("OnAnimationFinished", KyVariant(name));
    return false;
}

bool GameWarp::onWaitFinished()
{
    runEvent("OnWaitFinished");
    return false;
}

bool GameWarp::onDialogFinished(const KyString& name)
{
    runEvent("OnDialogFinished", KyVariant(name));
    return false;
}

bool GameWarp::onAnswered(const KyString& name)
{
    runEvent("OnAnswered", KyVariant(name));
    return false;
}

bool GameWarp::onPuzzleValidated()
{
    runEvent("OnPuzzleValidated", KyVariant(u32(puzzleNumber)));
    return false;
}

bool GameWarp::onMovieFinished()
{
    KyVideoLayout* video = inGameGui.videoLayout("video");
    if (!video)
        return false;
    if (KyButtonLayout* background = inGameGui.buttonLayout("videoBackgroundButton"))
        background->setVisible(false);
    if (KyButtonLayout* skip = inGameGui.buttonLayout("skipVideoButton"))
        skip->setVisible(false);
    video->setVisible(false);
    movieSound.Stop();
    Application* app = application();
    if (app->musicOn)
        app->music.Play();
    gameRunning = 1;
    runEvent("OnMovieFinished", KyVariant(video->fileName()));
    return false;
}

// ---- animation warp, puzzles, in-game controls ---------------------------------

void GameWarp::importAnimationWarp(const KyString& name)
{
    if (!m_entered) {
        logPrint("GameWarp::importAnimationWarp: %s: no game is entered\n", name.c_str());
        return;
    }
    // The panorama replaced may be the one whose signal is running this
    // call: it goes at the end of the frame.
    releaseWarp(animationWarp);
    animationWarp = newWarp();
    animationWarp->load(name + ".wp");
    animationWarp->setActive(true, false);
    animationWarp->setCubeVisible(false);
    animationWarp->setMarkersVisible(helpShown || application()->permanentHelp);
    insertListener(animationWarp->onAnimationFinished(), this, &GameWarp::onAnimationFinished);
    listenToWait();
    KySceneWarp scene;
    scene.load(name + ".xml", animationWarp);
    // A scene already arrived takes clicks on the new panorama at once; one
    // still arriving gets its listener when the transition ends.
    if (!transitionRunning && !m_changing)
        listenToHits(animationWarp);
}

void GameWarp::showPuzzle(s32 number)
{
    puzzleNumber = number;
    if (number >= 0 && number <= 5) {
        RotationAnim& transition = application()->rotationAnim;
        removeListener(transition.portraitSignal, this, &GameWarp::openPuzzle);
        appendListener(transition.portraitSignal, this, &GameWarp::openPuzzle);
        transition.portraitClose();
        return;
    }
    openPuzzle();
}

bool GameWarp::openPuzzle()
{
    RotationAnim& transition = application()->rotationAnim;
    removeListener(transition.portraitSignal, this, &GameWarp::openPuzzle);
    removeListener(transition.landscapeSignal, this, &GameWarp::openPuzzle);
    removeListener(transition.stayLandscapeSignal, this, &GameWarp::openPuzzle);
    // Only the two cipher screens open; any other number leaves the scene
    // as it is, so the game never stays stuck on a scene that takes no
    // clicks.
    if (puzzleNumber != 6 && puzzleNumber != 7) {
        logPrint("GameWarp::openPuzzle: no puzzle %d\n", puzzleNumber);
        return false;
    }
    if (currentWarp)
        currentWarp->setActive(false, false);
    // The screen goes in front of the in-game interface, its own depths
    // squeezed into a sliver.
    f32 z = 0.0f;
    if (KyLayout* inGame = inGameGui.layout("inGame"))
        z = inGame->worldTransformationMatrix().transformPoint(KyVector3f32(0.0f, 0.0f, 0.0f)).z + inGame->size().z;
    Ky3DObject& screen = puzzleNumber == 6 ? static_cast<Ky3DObject&>(puzzleCrypteSol) : puzzleCrypte;
    screen.setScale(KyVector3f32(1.0f, 1.0f, 0.0001f));
    screen.setPosition(KyVector3f32(0.0f, 0.0f, z));
    if (puzzleNumber == 6)
        puzzleCrypteSol.WakeUp();
    else
        puzzleCrypte.WakeUp();
    return false;
}

bool GameWarp::onHelpClicked()
{
    KySingleton<KySoundManager>::instance()->PlaySFX("Sounds/SFX/Clic_prec-suiv.wav");
    helpShown = helpShown ? 0 : 1;
    showMarkers();
    return false;
}

bool GameWarp::onInventoryClicked()
{
    KySingleton<KySoundManager>::instance()->PlaySFX("Sounds/SFX/ChoixMenu.wav");
    inventoryMenu.enter();
    return false;
}

bool GameWarp::onPointerMove(unsigned int index)
{
    (void)index;
    return true;
}

bool GameWarp::onButtonDown(unsigned int index)
{
    if (index != 0)
        return true;
    setDragging(true);
    return false;
}

bool GameWarp::onButtonUp(unsigned int index)
{
    if (index != 0)
        return true;
    const KyVector2s32 position = KyInputMgrWrapper::instance()->mousePosition(0);
    const f32 dx = f32(position.x - pressPosition.x);
    const f32 dy = f32(position.y - pressPosition.y);
    const bool click = std::sqrt(dx * dx + dy * dy) < ClickDistance;
    // A click may change the scene: the panorama that came in is not
    // clicked by a press made before it.
    KyWarp* current = currentWarp;
    if (animationWarp) {
        animationWarp->resetMarkersState();
        if (click)
            animationWarp->click();
    }
    if (current && current == currentWarp) {
        currentWarp->resetMarkersState();
        if (click)
            currentWarp->click();
    }
    setDragging(false);
    return true;
}

void GameWarp::setCurrentObjectSprite(const KyString& image)
{
    KySpriteLayout* sprite = inGameGui.spriteLayout("currentObjectSprite");
    if (!sprite)
        return;
    if (image.isEmpty())
        sprite->unload();
    else
        sprite->load(image);
}

KyString GameWarp::currentWarpName()
{
    return currentWarp ? KyString(currentWarp->path()) : KyString();
}

void GameWarp::drawWarps()
{
    if (!gameRunning)
        return;
    if (currentWarp)
        currentWarp->render();
    if (animationWarp)
        animationWarp->render();
}

void GameWarp::resizeWarps(f32 width, f32 height)
{
    KyWarp* held[] = {previousWarp, outgoingWarp, outgoingAnimationWarp, currentWarp, animationWarp};
    for (KyWarp* warp : held) {
        if (warp)
            warp->resize(width, height);
    }
    for (KyList<KyWarp*>::iterator i = warps.begin(); i != warps.end(); ++i) {
        if (std::find(std::begin(held), std::end(held), *i) == std::end(held))
            (*i)->resize(width, height);
    }
}

void GameWarp::loadSprite(s32 slot, const KyString& image, const KyVector3f32& position)
{
    if (slot < 0 || u32(slot) >= ScriptSpriteCount) {
        logPrint("GameWarp::loadSprite: no sprite slot %d\n", slot);
        return;
    }
    KySprite& sprite = scriptSprites[slot];
    sprite.Load(image);
    sprite.setPosition(position);
    sprite.visible = true;
}

void GameWarp::unloadSprite(s32 slot)
{
    if (slot < 0 || u32(slot) >= ScriptSpriteCount) {
        logPrint("GameWarp::unloadSprite: no sprite slot %d\n", slot);
        return;
    }
    scriptSprites[slot].unload();
}

// ---- arrival transition and leaving the game ----------------------------------

void GameWarp::prepareTransitionSprite()
{
    KyScreen* screen = KySingleton<KyScreen>::instance();
    const u32 width = u32(std::max(1.0f, screen->width()));
    const u32 height = u32(std::max(1.0f, screen->height()));
    KyImg image;
    image.setPath(kTransitionImage);
    image.create(6, width, height, KyIntrusivePtr<KyPalette>());
    image.fill(0, 0, 0, 255);
    transitionSprite.LoadFromImage(&image);
    transitionTexture = transitionSprite.texture();
    // The picture covers the interface's whole screen and grows from its
    // centre; it turns with the orientation layout.
    transitionSprite.setSize(KyVector3f32(Application::VirtualWidth, Application::VirtualHeight, 0.0f));
    transitionSprite.setScaleCenter(KyVector3f32(0.5f, 0.5f, 0.0f));
    transitionSprite.setRotationCenter(KyVector3f32(0.5f, 0.5f, 0.0f));
    KyVector3f32 axis;
    f32 angle = 0.0f;
    application()->orientationLayout.rotation().toAxisAngle(axis, angle);
    transitionSprite.setRotation(axis.z * angle * 180.0f / f32(M_PI));
    transitionSprite.setPosition(KyVector3f32(0.0f, 0.0f, kTransitionDepth));
    transitionSprite.visible = false;
}

void GameWarp::startArrivalTransition()
{
    if (animationWarp)
        animationWarp->update();
    if (currentWarp)
        currentWarp->update();
    if (!outgoingWarp) {
        endArrivalTransition();
        return;
    }

    // The last picture of the scene being left, captured.
    KySingleton<KyScreen>::instance()->setClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glClear(GL_DEPTH_BUFFER_BIT);
    KyWarp* shown[] = {previousWarp, outgoingWarp, outgoingAnimationWarp};
    for (KyWarp* warp : shown) {
        if (warp)
            warp->render();
    }
    if (transitionTexture)
        transitionTexture->copyFromFrameBuffer();
    glClear(GL_COLOR_BUFFER_BIT);
    glClear(GL_DEPTH_BUFFER_BIT);

    transitionSprite.setOpacity(1.0f);
    transitionSprite.setScale(KyVector3f32(1.0f, 1.0f, 1.0f));
    transitionSprite.visible = transitionTexture ? true : false;
    transitionRunning = 1;
    outgoingWarp->unloadTextures();

    // The picture grows to four times its size while it fades out. The
    // curves go through the binary stream form the movement reads.
    KyCurve curves[KyMovementShared::ChannelCount];
    const f64 scale[] = {0.0, 1.0, 3.0, 3.0};
    const f64 opacity[] = {-0.0, -0.0, -1.0, -1.0};
    for (u32 i = 0; i < 4; ++i) {
        curves[KyMovementShared::ScaleXY].values.pushBack(scale[i]);
        curves[KyMovementShared::Opacity].values.pushBack(opacity[i]);
    }
    KyString stream;
    for (KyCurve& curve : curves)
        curve.serialize(stream);
    stream.seek(0);
    transitionMovement.load(stream, &transitionSprite, kTransitionDuration);
    transitionMovement.playOn(&transitionSprite);
    removeListener(transitionMovement.onFinished, this, &GameWarp::endArrivalTransition);
    appendListener(transitionMovement.onFinished, this, &GameWarp::endArrivalTransition);

    // Marker opacities run from 0 to 255: the old markers fade out, the
    // new ones in.
    outgoingMarkersFade.load(markerCurve(255.0, 0.0), f32(kTransitionDuration), outgoingWarp,
                             &KyWarp::setMarkersOpacity);
    outgoingMarkersFade.play();
    incomingMarkersFade.load(markerCurve(0.0, 255.0), f32(kTransitionDuration), currentWarp,
                             &KyWarp::setMarkersOpacity);
    incomingMarkersFade.play();
}

void GameWarp::stopTransition()
{
    transitionMovement.stop();
    outgoingMarkersFade.stop();
    incomingMarkersFade.stop();
    removeListener(transitionMovement.onFinished, this, &GameWarp::endArrivalTransition);
    transitionRunning = 0;
    transitionSprite.visible = false;
}

bool GameWarp::endArrivalTransition()
{
    if (outgoingWarp) {
        removeListener(transitionMovement.onFinished, this, &GameWarp::endArrivalTransition);
        outgoingMarkersFade.stop();
        outgoingWarp->setActive(false, true);
        outgoingWarp->resetAnimations();
        outgoingWarp = nullptr;
        transitionRunning = 0;
        transitionSprite.visible = false;
    }
    if (outgoingAnimationWarp) {
        releaseWarp(outgoingAnimationWarp);
        outgoingAnimationWarp = nullptr;
    }
    listenToHits(animationWarp);
    listenToHits(currentWarp);
    pruneLoadedWarps();
    // The panoramas the scene leads to have their pictures read while the
    // player looks around, so that going back to one waits for no decoding.
    for (KyWarp* warp : warps) {
        if (warp != currentWarp)
            warp->prefetchTextures(KyWorkerPool::Ahead);
    }
    if (!m_changing)
        runPendingChange();
    return false;
}

void GameWarp::pruneLoadedWarps()
{
    if (!currentWarp)
        return;
    const KyList<KyPath> linked = currentWarp->paths();
    for (KyList<KyWarp*>::iterator i = warps.begin(); i != warps.end(); ++i) {
        KyWarp* warp = *i;
        if (warp == currentWarp || linked.contains(warp->path()))
            continue;
        warp->setLoadAbort(true);
        warp->setActive(false, true);
        stopListeningToWarp(warp);
        KyDeferredDeletion::deleteLater(warp);
        warps.erase(i);
    }
}

void GameWarp::unload()
{
    leaveGame(true);
}

void GameWarp::leaveGame(bool save)
{
    // Left from here on: what the scene's "Unload" asks for below cannot
    // bring a scene, a wait or an animation panorama back.
    m_entered = false;
    stopTransition();
    m_hasPendingWarp = false;

    // Through its parent: when the program ends during a game the
    // application's orientation layout is gone already (its children were
    // let go with it).
    KyLayout* inGame = inGameGui.layout("inGame");
    if (inGame && inGame->parent())
        inGame->parent()->removeChild(inGame);
    inGameGui.unload();
    question.unload();
    notify.unload();
    bd.unload();
    // A puzzle or a slide show still up goes with the game.
    puzzleCrypte.unload();
    puzzleCrypteSol.unload();
    introduction.stop();
    conclusion.stop();

    for (KySprite& sprite : scriptSprites)
        sprite.unload();

    releaseWarp(animationWarp);
    animationWarp = nullptr;
    releaseWarp(outgoingAnimationWarp);
    outgoingAnimationWarp = nullptr;

    if (save && currentWarp)
        Save(SaveFile);
    // After the save, which keeps the heard lines that this forgets.
    dialog.unload();
    if (KyI3DObject2* parent = dialog.parent())
        parent->removeChild(&dialog);

    // Through its parent, as the in-game interface above.
    if (KyI3DObject2* holder = inventoryMenu.parent())
        holder->removeChild(&inventoryMenu);
    inventoryMenu.unload();
    destroyObjectives();

    for (KyList<KyWarp*>::iterator i = warps.begin(); i != warps.end(); ++i)
        releaseWarp(*i);
    warps.clear();
    currentWarp = nullptr;
    outgoingWarp = nullptr;
    previousWarp = nullptr;

    if (m_mouseListeners) {
        KyInputMgrWrapper* input = KyInputMgrWrapper::instance();
        removeListener(input->onPointerMove(), this, &GameWarp::onPointerMove);
        removeListener(input->onButtonUp(), this, &GameWarp::onButtonUp);
        removeListener(input->onButtonDown(), this, &GameWarp::onButtonDown);
        m_mouseListeners = false;
    }
    while (removeListener(waitTimer.alarmCallbacks, this, &GameWarp::onWaitFinished)) {
    }
    waitTimer.setAlarm(0);
    waitTimer.pause();

    if (luaContext.isOpen())
        KyLuaEvent::call(luaContext, "Unload");

    transitionSprite.unload();
    transitionTexture.reset();
    removeListener(puzzleCrypte.won, this, &GameWarp::onPuzzleValidated);

    gameTimer.pause();
    // The view stops turning with the game.
    dragTimer.pause();
    yawSpeedAnimation.stop();
    pitchSpeedAnimation.stop();
    dragging = 0;
    ambientSound.Stop();
    ambientPlaying = 0;
    // A film left half-way goes silent with the game it belongs to.
    movieSound.Stop();
    gameRunning = 0;
}

bool GameWarp::returnToMainMenu()
{
    Application* app = application();
    removeListener(app->rotationAnim.portraitSignal, this, &GameWarp::returnToMainMenu);
    unload();
    app->mainMenu.enter();
    return false;
}

// ---- save file ----------------------------------------------------------------

void GameWarp::resetLuaState(bool withApi)
{
    luaContext.create();
    if (withApi && luaContext.isOpen())
        registerGameLuaApi(luaContext.state());
}

void GameWarp::gatherSave(SaveData& data)
{
    data.warpName = currentWarpName();
    data.hasOrientation = true;
    data.yaw = yaw;
    data.pitch = pitch;
    data.hasMusic = true;
    data.musicPath = application()->music.requestedPath();
    data.hasMayaHealth = true;
    data.mayaHealth = mayaHealth;
    data.hasTuyaHealth = true;
    data.tuyaHealth = tuyaHealth;
    TiXmlElement holder("Holder");
    inventoryMenu.inventory.Save(&holder);
    if (const TiXmlElement* inventory = holder.FirstChildElement("Inventory"))
        data.inventory.reset(static_cast<TiXmlElement*>(inventory->Clone()));
    dialog.Save(&holder);
    if (const TiXmlElement* heard = holder.FirstChildElement("Dialog"))
        data.dialog.reset(new TiXmlElement(*heard));

    // The globals in name order: the table's own order depends on its
    // history, and the same game must give the same file.
    TiXmlElement collected("Globals");
    luaContext.saveGlobals(&collected);
    std::vector<const TiXmlElement*> globals;
    for (const TiXmlElement* element = collected.FirstChildElement(); element;
         element = element->NextSiblingElement())
        globals.push_back(element);
    std::stable_sort(globals.begin(), globals.end(), [](const TiXmlElement* a, const TiXmlElement* b) {
        return std::strcmp(a->Attribute("name"), b->Attribute("name")) < 0;
    });
    data.globals.reset(new TiXmlElement("Globals"));
    for (const TiXmlElement* element : globals)
        data.globals->InsertEndChild(*element);
}

void GameWarp::Save(const KyString& fileName)
{
    writeSave(fileName, true);
}

void GameWarp::writeSave(const KyString& fileName, bool waitForDisk)
{
    // A save made in the background that failed is told here, on this
    // thread, where a save that fails now is told.
    KyFileWriter::instance().logFailures();
    if (!currentWarp || currentWarp->path().isEmpty())
        return;
    if (!SaveFile::isPlainName(fileName)) {
        logPrint("ActionManager::Save: error %s\n", "not a file name of the user-data folder");
        return;
    }
    SaveData data;
    gatherSave(data);
    const KyString path = KyString("Backup/") + fileName;
    // The file the game had stays whole when the new one cannot be written,
    // and the player is told on the console as well as in the log: the log
    // may lie on the disk that refused the save.
    const KyString failure = SaveFile::failureLine(fileName);
    if (!waitForDisk)
        SaveFile::writeLater(path, data, failure);
    else if (!SaveFile::write(path, data))
        logAlert("%s", failure.c_str());
}

void GameWarp::Load(const KyString& fileName)
{
    if (!SaveFile::isPlainName(fileName)) {
        logPrint("Failed to load file \"%s\"\n", fileName.c_str());
        abandonLoad();
        return;
    }
    const KyString gamePath = KyString("Backup/") + fileName;
    if (!KyFile::exists(gamePath)) {
        resetLuaState(true);
        changeWarp(FirstWarp);
        return;
    }
    SaveData data;
    KyString error;
    if (!SaveFile::readPlayable(gamePath, data, error)) {
        const KyPath diskPath = KyCore::userDataPath(fileName);
        logPrint("GameWarp::Load: %s: %s\n", diskPath.c_str(), error.c_str());
        logPrint("Failed to load file \"%s\"\n", diskPath.c_str());
        abandonLoad();
        return;
    }
    applySave(data);
}

bool GameWarp::applySave(const SaveData& data)
{
    Application* app = application();
    resetLuaState(true);
    luaContext.loadGlobals(data.globals.get());
    if (data.inventory)
        inventoryMenu.inventory.loadFromSave(data.inventory.get(), data.major, data.minor);
    if (data.dialog)
        dialog.Load(data.dialog.get());
    if (data.hasOrientation) {
        setYaw(data.yaw);
        setPitch(data.pitch);
    }
    if (data.hasMusic && app->musicOn) {
        // The music the game had: an empty path is a game saved without
        // one, so the music held now (the menus') stops.
        app->music.load(data.musicPath);
        if (!data.musicPath.isEmpty())
            app->music.Play();
        app->music.Volume(1.0f);
    }
    if (data.hasMayaHealth)
        mayaHealth = data.mayaHealth;
    if (data.hasTuyaHealth)
        tuyaHealth = data.tuyaHealth;
    updateHealthBars();
    changeWarp(KyPath(data.warpName));
    return true;
}

void GameWarp::abandonLoad()
{
    leaveGame(false);
    application()->mainMenu.enter();
}
