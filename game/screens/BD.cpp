#include "game/screens/BD.h"

#include "core/KyCore.h"
#include "core/KyFile.h"
#include "core/KyLog.h"
#include "core/KySingleton.h"
#include "game/Application.h"
#include "game/Listeners.h"
#include "game/screens/ReadingTime.h"
#include "media/KySoundManager.h"
#include "ui/KyCurve.h"

const u32 BD::PanelCount;
const f64 BD::FadeMilliseconds = 500.0;
const char* const BD::PictureFolder = "2D/bd/Colored/";
const char* const BD::SoundFolder = "Sounds/BDs/";
const char* const BD::NextButtonUp = "2D/Menus/Options/Quit.png";
const char* const BD::NextButtonOver = "2D/Menus/Options/Quit_over.png";
const char* const BD::ClickSound = "Sounds/SFX/Clic_prec-suiv.wav";

namespace {

const f32 kBlockerDepth = 100.0f;
const f32 kPanelDepth = 200.0f;
const f32 kControlsDepth = 250.0f;
const f32 kNextMargin = -6.0f;

Application* application()
{
    return KySingleton<Application>::instance();
}

} // namespace

BD::BD()
    : panelIndex(s32(PanelCount))
    , pending(false)
    , m_busy(false)
    , m_ending(false)
    , m_narrating(false)
    , m_musicPaused(false)
{
    sound.Repeat(false);
    // Nothing of the strip takes clicks until a strip runs.
    showControls(false);
    appendListener(nextButton.onClicked(), this, &BD::onNextClicked);
    appendListener(sound.onFinished, this, &BD::onSoundFinished);
    appendListener(fadeMovement.onFinished, this, &BD::onFadeFinished);
    appendListener(m_readingTimer.alarmCallbacks, this, &BD::onReadingTimeOver);
}

BD::~BD()
{
    removeListener(sound.onFinished, this, &BD::onSoundFinished);
    sound.Stop();
}

void BD::setOpacity(f32 opacity)
{
    Ky3DObject::setOpacity(opacity);
    for (KySprite& panel : panels)
        panel.setOpacity(opacity);
}

void BD::load()
{
    blocker.setSize(KyVector3f32(Application::VirtualWidth, Application::VirtualHeight, 0.0f));
    blocker.setPosition(KyVector3f32(0.0f, 0.0f, kBlockerDepth));
    blocker.setEnable(false);
    for (u32 n = 0; n < PanelCount; ++n) {
        panels[n].setPosition(KyVector3f32(0.0f, 0.0f, kPanelDepth + f32(n)));
        panels[n].setOpacity(0.0f);
    }
    caption.setSize(KyVector3f32(420.0f, 80.0f, 0.0f));
    caption.setPosition(KyVector3f32(30.0f, 20.0f, kControlsDepth));
    caption.setPaletteEntry(1, KyColor(239, 239, 239, 255));
    caption.setPaletteEntry(2, KyColor(0, 0, 0, 255));
    caption.visible = false;
    sound.Repeat(false);
    nextButton.load(NextButtonUp, NextButtonOver, "");
    nextButton.setPosition(KyVector3f32(440.0f, 280.0f, kControlsDepth));
    nextButton.setMargins(kNextMargin, kNextMargin);
    nextButton.fitLabelPosition();
    nextButton.fitLabelSize();
    showControls(false);
    panelIndex = s32(PanelCount);
    pending = false;
}

void BD::unload()
{
    // Whatever is still on its way (the stopped narration's end, a fade's
    // end, a reading time) finds nothing to do.
    m_narrating = false;
    m_busy = false;
    m_ending = false;
    pending = false;
    m_readingTimer.setAlarm(0);
    m_readingTimer.pause();
    sound.Stop();
    fadeMovement.stop();
    crossFadeMovement.stop();
    queue.clear();
    current = Request();
    panelIndex = s32(PanelCount);
    blocker.setEnable(false);
    showControls(false);
    releasePanels();
    resumeMusic();
}

void BD::display(const KyString& name, s32 pageCount, bool crossFade)
{
    Request request;
    request.name = name;
    request.pageCount = pageCount < 0 ? 0 : pageCount;
    if (request.pageCount > s32(PanelCount)) {
        logPrint("BD::display: %s has %d pages, only the first %u are shown\n", name.c_str(), pageCount,
                 PanelCount);
        request.pageCount = s32(PanelCount);
    }
    request.crossFade = crossFade;
    queue.pushBack(request);
    if (m_busy)
        return;
    m_busy = true;
    showPanel();
    pauseMusic();
}

void BD::showPanel()
{
    if (panelIndex < current.pageCount) {
        showCurrentPanel();
        return;
    }
    if (queue.isEmpty()) {
        endStrip();
        return;
    }
    current = *queue.begin();
    queue.erase(queue.begin());
    panelIndex = 0;
    blocker.setEnable(true);
    showControls(true);
    if (anyPanelShowing()) {
        // The strip before is still on screen: it goes first, and the end of
        // that fade shows this one.
        pending = true;
        fade(false);
        return;
    }
    releasePanels();
    showPanel();
}

void BD::showCurrentPanel()
{
    KySprite& panel = panels[panelIndex];
    // A picture that is missing must not leave an earlier strip's in place.
    panel.unload();
    panel.Load(panelFile(PictureFolder, panelIndex, ".png"));
    fade(true);
    const KyString text = captionText(panelIndex);
    caption.setText(text);
    caption.visible = true;
    narrate(panelFile(SoundFolder, panelIndex, ".ogg"), text);
}

void BD::endStrip()
{
    m_ending = true;
    blocker.setEnable(false);
    showControls(false);
    fade(false);
    resumeMusic();
}

void BD::narrate(const KyString& path, const KyString& text)
{
    m_narrating = true;
    m_readingTimer.setAlarm(0);
    sound.load(path);
    if (sound.Play())
        return;
    if (m_reportedSounds.insert(path).second)
        logPrint("BD: the narration %s cannot be played, its panel stays for its caption's reading time\n",
                 path.c_str());
    m_readingTimer.start();
    m_readingTimer.setAlarmIn(ReadingTime::microseconds(text));
}

void BD::showControls(bool shown)
{
    if (shown) {
        nextButton.setVisible(true);
        nextButton.setEnable(true);
    } else {
        nextButton.setEnable(false);
        nextButton.setVisible(false);
        caption.visible = false;
    }
}

bool BD::anyPanelShowing()
{
    for (KySprite& panel : panels) {
        if (panel.hasTexture() && panel.opacity() > 0.0f)
            return true;
    }
    return false;
}

void BD::releasePanels()
{
    for (KySprite& panel : panels) {
        panel.unload();
        panel.setOpacity(0.0f);
        panel.visible = false;
    }
}

KyString BD::panelFile(const char* folder, s32 index, const char* extension) const
{
    const KyString language = KySingleton<KyCore>::instance()->language();
    KyString path;
    path.format("%s%s/%s_%d%s", folder, language.c_str(), current.name.c_str(), index, extension);
    if (!KyFile::exists(path))
        path.format("%s%s/%s_%d%s", folder, "en", current.name.c_str(), index, extension);
    return path;
}

KyString BD::captionText(s32 index) const
{
    KyString name;
    name.format("%s_%d", current.name.c_str(), index);
    const KyString* text = application()->texts.value(name);
    return text ? *text : KyString();
}

void BD::loadFade(KyMovement2& movement, Ky3DObject* target, bool in)
{
    KyString curves;
    curves.setTextMode(0);
    KyCurve::write(curves, {0.0});
    KyCurve::write(curves, {0.0});
    // The target keeps its own depth: a panel faded out under the next one
    // stays at its place in the pile for the strips after, and the whole
    // strip (the target at its end) has no current panel to take one from.
    KyCurve::write(curves, {f64(target->position().z)});
    KyCurve::write(curves, {0.0});
    KyCurve::write(curves, {1.0});
    KyCurve::write(curves, {in ? 0.0 : 1.0, in ? 1.0 : 0.0});
    curves.seek(0);
    movement.load(curves, target, FadeMilliseconds);
}

void BD::settle(KyMovement2& movement)
{
    if (!movement.isRunning())
        return;
    const KyCurve& opacity = movement.channels[KyMovementShared::Opacity].curve;
    if (movement.target && !opacity.isEmpty())
        movement.target->setOpacity(f32(opacity.values[opacity.count() - 1]));
    movement.stop();
}

void BD::fade(bool in)
{
    // A fade cut short by the next one (a narration shorter than the fade)
    // leaves its panel where it was heading, not half-way.
    settle(fadeMovement);
    settle(crossFadeMovement);
    const bool crossing = current.crossFade && panelIndex != 0;
    Ky3DObject* target = this;
    if (in)
        target = &panels[panelIndex];
    else if (crossing && panelIndex - 1 < s32(PanelCount))
        target = &panels[panelIndex - 1];
    loadFade(fadeMovement, target, in);
    fadeMovement.play();
    if (in && crossing) {
        loadFade(crossFadeMovement, &panels[panelIndex - 1], false);
        crossFadeMovement.play();
    }
}

bool BD::onSoundFinished()
{
    // The narration of a strip that was unloaded, or one already passed.
    if (!m_narrating)
        return false;
    m_narrating = false;
    m_readingTimer.setAlarm(0);
    ++panelIndex;
    showPanel();
    return false;
}

bool BD::onReadingTimeOver()
{
    return onSoundFinished();
}

bool BD::onNextClicked()
{
    if (fadeMovement.isRunning() || !m_narrating)
        return false;
    if (sound.IsPlaying())
        sound.Stop();
    else
        onSoundFinished();
    KySingleton<KySoundManager>::instance()->PlaySFX(ClickSound);
    return false;
}

bool BD::onFadeFinished()
{
    if (pending) {
        pending = false;
        releasePanels();
        showPanel();
        return false;
    }
    if (!m_ending)
        return false;
    m_ending = false;
    if (!queue.isEmpty()) {
        // A strip asked for while this one faded out.
        pauseMusic();
        showPanel();
        return false;
    }
    releasePanels();
    m_busy = false;
    return false;
}

void BD::pauseMusic()
{
    if (m_musicPaused)
        return;
    KyMusic& music = application()->music;
    if (!music.IsPlaying() || music.isPaused())
        return;
    music.Pause();
    m_musicPaused = music.isPaused();
    m_pausedMusic = music.requestedPath();
}

void BD::resumeMusic()
{
    if (!m_musicPaused)
        return;
    m_musicPaused = false;
    KyMusic& music = application()->music;
    // Another music may have been started meanwhile: that one is left alone.
    if (music.IsPlaying() && music.isPaused() && music.requestedPath() == m_pausedMusic)
        music.Pause();
}
