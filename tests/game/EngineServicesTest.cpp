// The engine operations the game and its screens call, under the names and
// argument orders the game uses. The first test only has to compile: a
// renamed or re-typed operation breaks the build here, next to the list of
// what the game expects, rather than somewhere in a screen.
#include "core/KyArray.h"
#include "core/KyCore.h"
#include "core/KyDirectory.h"
#include "core/KyFile.h"
#include "core/KyList.h"
#include "core/KyLog.h"
#include "core/KyPath.h"
#include "core/KyQuaternion.h"
#include "core/KyResourceManager.h"
#include "core/KySingleton.h"
#include "core/KyStream.h"
#include "core/KyString.h"
#include "core/KyTimer.h"
#include "core/KyVariant.h"
#include "core/KyVector3f32.h"
#include "media/KyMusic.h"
#include "media/KySoundManager.h"
#include "platform/KyCamera.h"
#include "platform/KyImg.h"
#include "platform/KyInputMgr.h"
#include "platform/KyInputMgrWrapper.h"
#include "platform/KyOpenGLContext.h"
#include "platform/KyPalette.h"
#include "platform/KyRenderer.h"
#include "platform/KyScreen.h"
#include "platform/KyVectorHistory.h"
#include "ui/KyAnimation.h"
#include "ui/KyButton.h"
#include "ui/KyButtonLayout.h"
#include "ui/KyCheckboxLayout.h"
#include "ui/KyCurveAnim2.h"
#include "ui/KyLayout.h"
#include "ui/KyListLayout.h"
#include "ui/KyMainWindow.h"
#include "ui/KySprite.h"
#include "ui/KySpriteButton.h"
#include "ui/KySpriteLayout.h"
#include "ui/KyTextLayout.h"
#include "ui/KyTextSprite.h"
#include "ui/KyTextToken.h"
#include "ui/KyVideo.h"
#include "ui/KyVideoLayout.h"
#include "ui/KyXMLGUI.h"

#include <gtest/gtest.h>

TEST(EngineServices, TheOperationsTheGameCallsExistUnderItsNames)
{
    // Never run: it only has to compile.
    auto core = [](char** argv, KyStream& s, KyTimer& t, KyObject* o) {
        KyVideoLayout::deleteLater(o);
        KyVideoLayout::deletePending();
        KyCore* c = KySingleton<KyCore>::instance();
        KyString a = c->applicationName();
        a = c->language();
        c->setProgramPath(argv);
        a = KyCore::systemLanguage();
        KyPath p = KyCore::userDataPath("x");
        c->setFixedLandscape(c->ready != 0);
        KyDirectory::MakeDir("a");
        KyDirectory::RemoveDir("a");
        KyFile f;
        char b[4];
        f.Open_2("x", 1);
        f.isOpen();
        f.read(b, 4);
        f.seek(0);
        f.tell();
        f.GetFileSize();
        KyFile::copyFile("a", "b");
        KyFile::DeleteFile("a");
        KyFile::exists("a");
        KyFile::renameFile("a", "b");
        KyFile::resolvePath("a", "");
        KyFile::writeAtomically("Backup/a", b, 4);
        p = KyPath("GUI/a.lua").fileName();
        p = KyPath("x").directory();
        p.removeExtension();
        a = p.extension();
        p.setExtension("lua");
        KyQuaternion q = KyQuaternion::fromAxisAndAngle(KyVector3f32(0, 0, 1), 1.0f);
        (void)q;
        u32 u = 0;
        s >> u;
        s.parseU32(u);
        s.printf("%d", 512, 1);
        a = s.readLine();
        a = s.readWord();
        a = KyString(s32(3));
        a.format("%d", 2);
        a.removeDirectory();
        a.removeFileName();
        a = a.substr(0, 2);
        t.start();
        t.pause();
        t.getTimeFromStart();
        t.timeSinceLastCall();
        t.setAlarm(t.getTimeFromStart() + 1);
        t.alarmCallbacks.count();
        KyTimer::updateAll();
        KyVariant v(true);
        v.toBool();
        v.toS32();
        v.toU32();
        v.toS64();
        v.toU64();
        v.toF32();
        v.toF64();
        v.toString();
        KyVariant fromString(KyString("a"));
        KyVariant fromU32(u32(1));
        KyVariant fromF64(1.0);
        KyVector3f32 vector(1, 2, 3);
        vector.normalize();
        logPrint("%s", "x");
        KyIntrusivePtr<KyImg> image = KySingleton<KyResourceManager>::instance()->getOrLoad<KyImg>("a.png");
        KyList<int> list;
        list.pushBack(1);
        list.begin();
    };
    auto window = [](KyCamera& camera, KyLayout& layout, KyMainWindow* w) {
        camera.setOrthogonal(0, 480, 0, 320, -2048, 2048);
        camera.setPerspective(60, 1, 1, 4096);
        camera.setProjectionMode(2);
        camera.setViewport(0, 0, 10, 10);
        camera.setPosition(KyVector3f32(0, 0, 0));
        camera.setRotationQuaternion(KyQuaternion());
        camera.applyProjection();
        camera.applyTransformation();
        KyInputMgr* input = KySingleton<KyInputMgr>::instance();
        input->mousePosition(0);
        input->scale();
        input->onPointerMove();
        input->onButtonDown();
        input->onButtonUp();
        input->onLeftButtonDown();
        input->setDevice(w);
        input->reset();
        input->update();
        KyInputMgrWrapper* wrapper = KyInputMgrWrapper::instance();
        wrapper->setScale(1.0f, 1.0f, 0.0f);
        wrapper->setAngle(90.0f);
        wrapper->setOffset(480, 0);
        wrapper->isButtonPressed(0);
        wrapper->mousePosition(0);
        wrapper->mouseSpeed();
        w->setIconResourceId(104);
        w->setFullScreen(w->isFullScreen());
        w->setQuit(w->quit());
        w->paused();
        w->onPauseChanged();
        w->onSizeChanged();
        w->setVisible(true);
        w->size();
        w->setSize(KyVector3f32(1, 1, 0));
        w->addChild(&layout);
        w->addChildBefore(&layout, &layout);
        w->update();
        w->draw();
        w->create();
        w->destroy();
        w->handle();
        w->setName("x");
        KyMainWindow::getDesktopRect();
        KyOpenGLContext::Initialize(w->handle());
        KyRenderer* renderer = KySingleton<KyRenderer>::instance();
        renderer->init();
        renderer->vendor();
        renderer->renderer();
        renderer->beginFrame();
        KySingleton<KyScreen>::instance()->setClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        KyVectorHistory::instance()->setOrientation(KyQuaternion(0, 0, 0, 1));
        layout.setRotation(KyQuaternion());
        layout.rotation();
        layout.worldVisible();
        layout.childCount();
        layout.parent();
        layout.setAnchor(layout.anchor());
        layout.setSizeType(KyLayout::Percent);
        layout.setSize(layout.userSize());
        layout.setPosition(layout.userPosition());
    };
    auto sound = [](KyMusic& m) {
        m.load("a.ogg");
        m.Play();
        m.Stop();
        m.IsPlaying();
        m.Volume(1.0f);
        m.Repeat(true);
        m.Pause();
        m.onFinished.count();
        m.requestedPath();
        KySingleton<KySoundManager>::instance()->update();
        KySingleton<KySoundManager>::instance()->PlaySFX("a.wav");
        KyVideo::updateAll();
    };
    auto interface = [](KyButtonLayout& b, KyCheckboxLayout& box, KySpriteButton& sb, KySprite& sprite,
                        KySpriteLayout& sl, KyTextLayout& tl, KyVideoLayout& vl, KyXMLGUI& x) {
        KyAnimation::updateAll();
        KyVideoLayout::updateAll();
        b.setState(KyButtonLayout::StateDisabled);
        b.setEnable(true);
        b.reset();
        b.onValidated.count();
        b.clickPassThrough = true;
        b.validationSound = "a";
        b.setUpLayout(nullptr);
        b.setDownLayout(nullptr);
        b.setDisabledLayout(nullptr);
        b.setHitZone(nullptr);
        box.setState(KyCheckboxLayout::Active);
        box.onStateChanged.count();
        box.activationSound = "x";
        sb.load("a", "b", "");
        sb.unload();
        sb.setPosition(KyVector3f32());
        sb.button.setEnable(true);
        sb.onClicked();
        sb.fitLabelPosition();
        sb.fitLabelSize();
        sprite.Load("a");
        sprite.unload();
        sprite.setFrameAnimation(2, 10.0f, true);
        sprite.visible = true;
        sl.load("a");
        sl.unload();
        sl.imageWidth();
        sl.imageHeight();
        sl.cropBottom = 0.0f;
        sl.updateMesh();
        sl.position();
        tl.setText("a");
        tl.textBase.interLine = 1.0f;
        vl.fileName();
        vl.open("a");
        vl.stop();
        x.Load("a");
        x.unload();
        x.sprite("a");
        x.spriteButton("a");
        x.button("a");
        x.value("a");
        KyListLayout list;
        list.direction = list.minimumMargin = list.maximumMargin = KyVector3f32();
        u32 cursor = 0;
        skipWhitespace("  a", cursor);
        KyTextSprite caption;
        caption.createPalette();
        caption.setText("a");
    };
    (void)core;
    (void)window;
    (void)sound;
    (void)interface;
}

TEST(EngineServices, AQuitButtonEndsTheLoopAsClosingTheWindowDoes)
{
    KyMainWindow* window = KySingleton<KyMainWindow>::instance();
    EXPECT_FALSE(window->quit());
    window->setQuit(true);
    EXPECT_TRUE(window->quit());
    window->setQuit(false);
    window->handleMessage(KyOsMessage::destroy());
    EXPECT_TRUE(window->quit());
    KySingleton<KyMainWindow>::destroy();
}
