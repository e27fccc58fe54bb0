#include "game/Application.h"

#include "core/KyCore.h"
#include "core/KyFile.h"
#include "core/KyLog.h"
#include "core/KyQuaternion.h"
#include "core/KyResourceManager.h"
#include "core/KySingleton.h"
#include "game/InterfacePictures.h"
#include "game/Listeners.h"
#include "game/OptionsFile.h"
#include "game/SaveFile.h"
#include "media/KySoundManager.h"
#include "net/KySocket2.h"
#include "platform/KyCamera.h"
#include "platform/KyImgPrefetch.h"
#include "platform/KyInputMgr.h"
#include "platform/KyInputMgrWrapper.h"
#include "platform/KyRenderer.h"
#include "platform/KyScreen.h"
#include "ui/KyAnimation.h"
#include "ui/KyMainWindow.h"
#include "ui/KyVideo.h"
#include "ui/KyVideoLayout.h"

#include <cmath>

const char* const Application::Name = "Orvalen The Wandrel Part 3";
const char* const Application::OptionsFileName = "options.xml";
const char* const Application::BoardImages[Application::BoardCount] = {
    "2D/Menus/planche_bas.png", "2D/Menus/planche_haut.png", "2D/Menus/LoadingMenu/planche_B.png",
    "2D/Menus/LoadingMenu/planche_H.png", "2D/Menus/LoadingMenu/Background_H.png"};
const f32 Application::VirtualWidth = 480.0f;
const f32 Application::VirtualHeight = 320.0f;
const f32 Application::OrientationDepth = 0.08f;

namespace {

const char* const kCursorPicture = "2D/arrow6.png";
// The languages tried, in order, when the texts of the current one are
// missing.
const char* const kFallbackLanguages[] = {"en", "fr", "de", "es", "it", "ru"};

KyMainWindow* mainWindow()
{
    return KySingleton<KyMainWindow>::instance();
}

KyVector3f32 desktopSize()
{
    const KyVector2s32 desktop = KyMainWindow::getDesktopRect();
    return KyVector3f32(f32(desktop.x), f32(desktop.y), 0.0f);
}

} // namespace

Application::Application()
    : camera(&KyCamera::global())
    , musicOn(1)
    , permanentHelp(1)
    , inverseLook(0)
    , compassLook(0)
    , created(0)
{
    camera->setScreen(KySingleton<KyScreen>::instance());
    KySingleton<KyCore>::instance()->setApplicationName(Name);
    KyMainWindow* window = mainWindow();
    window->setName(Name);
    KySingleton<KyScreen>::instance()->setRenderer(KySingleton<KyRenderer>::instance());
    musicOn = 1;
    permanentHelp = 1;
    inverseLook = 0;
    compassLook = 0;
    timer.start();
    LoadOptions(OptionsFileName);
    // The pictures the create step loads are read on worker threads while
    // the window and its context are made.
    for (u32 i = 0; i < BoardCount; ++i)
        KyImgPrefetch::instance().request(BoardImages[i]);
    KyImgPrefetch::instance().request(kCursorPicture);
    // And the pictures the interfaces of the way to the main menu name:
    // the boards' medallion, the first splash screen, the menu and its
    // question.
    requestPicturesNamedIn(RotationAnim::InterfacePath);
    requestPicturesNamedIn(SplashScreens::splashPath(0));
    requestPicturesNamedIn(MainMenu::InterfacePath);
    requestPicturesNamedIn(MainMenu::ConfirmPath);
    appendListener(window->onSizeChanged(), this, &Application::onWindowResized);
    window->setIconResourceId(104);
}

Application::~Application()
{
    beforeDestroy();
    // Pictures read ahead and never loaded go with the run that asked.
    KyImgPrefetch::instance().clear();
}

void Application::beforeDestroy()
{
    KyMainWindow* window = mainWindow();
    removeListener(window->onSizeChanged(), this, &Application::onWindowResized);
    SaveOptions(OptionsFileName);
    removeListener(window->onPauseChanged(), this, &Application::onPauseChanged);
}

KyString Application::textsPath(const KyString& language)
{
    return KyString("Texts/") + language + KyString(".xml");
}

void Application::loadTexts()
{
    KyCore* core = KySingleton<KyCore>::instance();
    const KyString previous = core->language();
    KyString path = textsPath(previous);
    if (!KyFile::exists(path)) {
        bool found = false;
        for (const char* language : kFallbackLanguages) {
            core->setLanguage(language);
            path = textsPath(language);
            if (KyFile::exists(path)) {
                found = true;
                break;
            }
        }
        if (!found) {
            logPrint("Application::Create: missing %s\n", path.c_str());
            // Nothing was found: the player's language stays, and with it
            // the language saved in the options.
            core->setLanguage(previous);
        }
    }
    texts.Load(path);
}

void Application::Create()
{
    KyMainWindow* window = mainWindow();
    appendListener(window->onPauseChanged(), this, &Application::onPauseChanged);
    KySingleton<KyScreen>::instance()->setClearColor(0.0f, 0.0f, 0.0f, 1.0f);

    loadTexts();

    camera->setScreen(KySingleton<KyScreen>::instance());
    camera->setProjectionMode(KyCamera::ProjectionOrthographic);
    KySingleton<KyCore>::instance()->setFixedLandscape(true);

    KyResourceManager* resources = KySingleton<KyResourceManager>::instance();
    for (u32 i = 0; i < BoardCount; ++i)
        boardImages[i] = resources->getOrLoad<KyImg>(BoardImages[i]);

    orientationLayout.setName("orientationLayout");
    orientationLayout.setSizeType(KyLayout::Percent);
    // Layouts draw in the order of their depth. A flat orientation layout
    // would give every screen the same depth (and so no order at all); a
    // thin one keeps all of them, the boards included, behind the cursor.
    orientationLayout.setSize(KyVector3f32(1.0f, 1.0f, OrientationDepth));
    window->addChild(&orientationLayout);

    rotationAnim.load();
    orientationLayout.addChild(&rotationAnim);

    mouseCursor.setName("mouseCursor");
    mouseCursor.load(kCursorPicture);
    mouseCursor.setAnchor(KyVector3f32(0.3f, 0.1f, 0.0f));
    // The transition is not one of the window's children, so the cursor
    // goes last: it is drawn over every screen.
    window->addChildBefore(&mouseCursor, &rotationAnim);

    insertListener(KyInputMgr::instance()->onPointerMove(), this, &Application::onPointerMoved);
    onWindowResized();
    splashScreens.start();
    created = 1;
}

bool Application::Update()
{
    KyMainWindow* window = mainWindow();
    if (window->paused())
        return true;
    KyRenderer* renderer = KySingleton<KyRenderer>::instance();
    renderer->beginFrame();
    if (!created)
        return true;

    KySingleton<KySoundManager>::instance()->update();
    KyInputMgr::instance()->update();
    // Connections move their bytes once a frame (the adverts' downloads).
    KySocket2::updateAll();
    KyTimer::updateAll();
    KyAnimation::updateAll();
    KyVideo::updateAll();
    KyVideoLayout::updateAll();
    gameWarp.updateView();
    gameWarp.drawWarps();
    window->update();
    window->draw();
    KyVideoLayout::deletePending();
    return true;
}

bool Application::onWindowResized()
{
    KyMainWindow* window = mainWindow();
    const KyVector3f32 size = window->size();
    const f32 w = size.x;
    const f32 h = size.y;
    camera->setViewport(0, 0, u32(s32(w)), u32(s32(h)));

    const bool portrait = h > w && !KySingleton<KyCore>::instance()->isFixedLandscape();
    const f32 half = std::sqrt(0.5f);
    orientationLayout.setRotation(portrait ? KyQuaternion(0.0f, 0.0f, half, half) : KyQuaternion(0.0f, 0.0f, 0.0f, 1.0f));

    KyVector3f32 axis;
    f32 angle = 0.0f;
    orientationLayout.rotation().toAxisAngle(axis, angle);
    KyInputMgrWrapper* input = KyInputMgrWrapper::instance();
    if (axis.z * angle == 0.0f) {
        camera->setOrthogonal(0.0f, VirtualWidth, 0.0f, VirtualHeight, -2048.0f, 2048.0f);
        input->setScale(VirtualWidth / w, VirtualHeight / h, 0.0f);
        input->setAngle(0.0f);
        input->setOffset(0, 0);
        KyQuaternion rotation = KyQuaternion::fromAxisAndAngle(KyVector3f32(0.0f, 0.0f, 1.0f), 0.0f);
        rotation.normalize();
        camera->setRotationQuaternion(rotation);
        camera->setPosition(KyVector3f32(0.0f, 0.0f, 0.0f));
    } else {
        camera->setOrthogonal(0.0f, VirtualHeight, 0.0f, VirtualWidth, -2048.0f, 2048.0f);
        input->setScale(VirtualHeight / w, VirtualWidth / h, 0.0f);
        input->setAngle(90.0f);
        input->setOffset(s32(VirtualWidth), 0);
        KyQuaternion rotation = KyQuaternion::fromAxisAndAngle(KyVector3f32(0.0f, 0.0f, 1.0f), f32(M_PI / 2.0));
        rotation.normalize();
        camera->setRotationQuaternion(rotation);
        camera->setPosition(KyVector3f32(80.0f, -80.0f, 0.0f));
    }
    gameWarp.resizeWarps(w, h);
    return false;
}

bool Application::onPauseChanged()
{
    if (mainWindow()->paused())
        music.Stop();
    else if (musicOn && !gameWarp.movieSound.IsPlaying())
        music.Play();
    return false;
}

bool Application::onPointerMoved(unsigned int pointer)
{
    if (pointer != 0)
        return false;
    const KyVector2s32 position = KyInputMgr::instance()->mousePosition(0);
    const KyVector3f32 size = mainWindow()->size();
    if (size.x <= 0.0f || size.y <= 0.0f)
        return false;
    const KyVector3f32 current = mouseCursor.userPosition();
    mouseCursor.setPosition(KyVector3f32(f32(position.x) / size.x, 1.0f - f32(position.y) / size.y, current.z));
    return false;
}

void Application::displayBD(const KyString& name, s32 pageCount, bool crossFade)
{
    gameWarp.bd.display(name, pageCount, crossFade);
}

void Application::playDialogLine(const KyString& name, const KyString& voice, s32 mode)
{
    if (const KyString* text = texts.value(name))
        gameWarp.dialog.playLine(name, *text, voice, mode);
}

void Application::LoadOptions(const KyString& fileName)
{
    KyMainWindow* window = mainWindow();
    const KyString gamePath = KyString("Backup/") + fileName;
    const KyString diskPath = KyCore::userDataPath(fileName);
    OptionsFile::Settings settings;
    // No file: a first run, full screen at the desktop's size. A file that
    // does not load is taken the same way, not as a window of the layout's
    // own 1 x 1 size.
    if (!KyFile::exists(gamePath) || !OptionsFile::read(diskPath, settings)) {
        window->setSize(desktopSize());
        window->setFullScreen(true);
        return;
    }
    OptionsFile::validate(settings, fileName);

    if (settings.hasResolution) {
        KyVector3f32 size = window->userSize();
        if (settings.hasWidth)
            size.x = f32(settings.width);
        if (settings.hasHeight)
            size.y = f32(settings.height);
        // A side the file left out keeps the window's value, which may be
        // none yet: the desktop's size stands in for a size still unusable.
        if (!OptionsFile::isWindowSize(s32(size.x), s32(size.y)))
            size = desktopSize();
        window->setSize(KyVector3f32(size.x, size.y, 0.0f));
    } else if (!OptionsFile::isWindowSize(s32(window->userSize().x), s32(window->userSize().y))) {
        window->setSize(desktopSize());
    }
    if (settings.hasFullScreen) {
        if (settings.fullScreen > 0)
            window->setSize(desktopSize());
        window->setFullScreen(settings.fullScreen > 0);
    }
    u8* flags[OptionsFile::FlagCount] = {&musicOn, &permanentHelp, &inverseLook, &compassLook};
    for (u32 f = 0; f < OptionsFile::FlagCount; ++f) {
        if (settings.hasFlag[f])
            *flags[f] = settings.flag[f];
    }
    if (settings.hasLanguage)
        KySingleton<KyCore>::instance()->setLanguage(settings.language);
}

void Application::SaveOptions(const KyString& fileName)
{
    KyScreen* screen = KySingleton<KyScreen>::instance();
    OptionsFile::Values values;
    values.width = s32(screen->width());
    values.height = s32(screen->height());
    values.fullScreen = mainWindow()->isFullScreen();
    values.flag[OptionsFile::MusicOn] = musicOn;
    values.flag[OptionsFile::PermanentHelp] = permanentHelp;
    values.flag[OptionsFile::InverseLook] = inverseLook;
    values.flag[OptionsFile::CompassLook] = compassLook;
    values.language = KySingleton<KyCore>::instance()->language();
    const KyString text = OptionsFile::text(values);
    // Written whole or not at all: a crash never leaves half a file, and a
    // file that cannot be written leaves the previous one, which the player
    // is told about on the console too.
    if (!KyFile::writeAtomically(KyString("Backup/") + fileName, text.c_str(), text.length()))
        logAlert("%s", SaveFile::failureLine(fileName).c_str());
}
