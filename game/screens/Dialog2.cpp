#include "game/screens/Dialog2.h"

#include "core/KyCore.h"
#include "core/KyFile.h"
#include "core/KyLog.h"
#include "core/KySingleton.h"
#include "game/Listeners.h"
#include "game/screens/ReadingTime.h"
#include "media/KySoundManager.h"
#include "ui/KyButtonLayout.h"
#include "ui/KySpriteLayout.h"
#include "ui/KyTextLayout.h"

#include <tinyxml.h>

#include <cstring>

const char* const Dialog2::InterfacePath = "GUI/dialog.lua";
const char* const Dialog2::VoiceFolder = "Sounds/Dialogs/";
const char* const Dialog2::SilentVoice = "Sounds/Dialogs/en/silence5s.ogg";
const char* const Dialog2::ClickSound = "Sounds/SFX/Clic_prec-suiv.wav";
const char* const Dialog2::PortraitFormat = "2D/Dialogs/Character_%d.png";
const s32 Dialog2::UnknownSpeaker;
const s32 Dialog2::NarratorSpeaker;
const s32 Dialog2::NarratorMode;

namespace {

struct Speaker {
    const char* code;
    s32 portrait;
};

// In the order they are tried.
const Speaker kSpeakers[] = {
    {"MAIA", 0},  {"PASE", 1},  {"OUVA", 2},  {"BATE", 3},  {"OUVB", 4},  {"TOUY", 5},
    {"OUNI", 6},  {"GARD", 9},  {"KHAE", 8},  {"OUVC", 15}, {"NAIN", 10}, {"ISIS", 11},
    {"PTAH", 12}, {"SEKH", 13}, {"NUBI", 14}, {"OUVD", 7},  {"SOLD", 16}, {"OSIR", 17},
};

const char* const kBox = "dialog";
const char* const kLockButton = "dialogLockButton";
const char* const kAnimationUp = "dialogAnimationUp";
const char* const kAnimationDown = "dialogAnimationDown";
// The thin depth the dialog keeps within the orientation layout: screens are
// drawn in the order of their depth, and the transition boards must stay in
// front of this one.
const f32 kDepth = 0.05f;

} // namespace

Dialog2::Dialog2()
    : m_busy(false)
    , m_speaking(false)
    , m_lineRaised(false)
{
    setSize(KyVector3f32(1.0f, 1.0f, kDepth));
    appendListener(voice.onFinished, this, &Dialog2::onVoiceFinished);
    appendListener(m_readingTimer.alarmCallbacks, this, &Dialog2::onReadingTimeOver);
}

Dialog2::~Dialog2()
{
    removeListener(voice.onFinished, this, &Dialog2::onVoiceFinished);
    voice.Stop();
    if (KyButtonLayout* lock = gui.buttonLayout(kLockButton)) {
        if (lock->parent() == this)
            removeChild(lock);
    }
}

s32 Dialog2::speakerOf(const KyString& name)
{
    for (const Speaker& speaker : kSpeakers) {
        if (std::strncmp(name.c_str(), speaker.code, 4) == 0)
            return speaker.portrait;
    }
    return UnknownSpeaker;
}

KyString Dialog2::portraitPath(s32 speaker)
{
    KyString path;
    path.format(PortraitFormat, speaker);
    return path;
}

KyString Dialog2::voicePath(const KyString& voiceFile)
{
    if (voiceFile.length() == 0)
        return SilentVoice;
    const KyString language = KySingleton<KyCore>::instance()->language();
    KyString path = KyString(VoiceFolder) + language + KyString("/") + voiceFile;
    if (KyFile::exists(path))
        return path;
    path = KyString(VoiceFolder) + KyString("en/") + voiceFile;
    if (KyFile::exists(path))
        return path;
    return SilentVoice;
}

void Dialog2::load()
{
    setName("dialog2");
    setSizeType(Percent);
    setSize(KyVector3f32(1.0f, 1.0f, userSize().z));
    voice.Repeat(false);

    if (KyButtonLayout* old = gui.buttonLayout(kLockButton)) {
        if (old->parent() == this)
            removeChild(old);
    }
    gui.load(InterfacePath);
    if (KyButtonLayout* lock = gui.buttonLayout(kLockButton)) {
        lock->setVisible(false);
        addChild(lock);
    } else {
        logPrint("Dialog2::load: %s has no %s\n", InterfacePath, kLockButton);
    }
    KyButtonLayout* box = gui.buttonLayout(kBox);
    if (box)
        appendListener(box->onValidated, this, &Dialog2::onDialogClicked);
    else
        logPrint("Dialog2::load: %s has no %s\n", InterfacePath, kBox);
    for (const char* name : {kAnimationUp, kAnimationDown}) {
        KyLuaGUI::VectorAnimation* animation = gui.layoutAnchorLinearAnimation(name);
        if (!animation) {
            logPrint("Dialog2::load: %s has no %s, the box moves at once\n", InterfacePath, name);
            continue;
        }
        animation->setTarget(box);
        animation->setSetter(&KyLayout::setAnchor);
    }
    if (KyLuaGUI::VectorAnimation* down = gui.layoutAnchorLinearAnimation(kAnimationDown))
        appendListener(down->onFinished, this, &Dialog2::onAnimationDownFinished);
}

void Dialog2::unload()
{
    // Whatever was on its way (the stopped voice's end, a reading time) is
    // ignored from here on.
    m_busy = false;
    m_speaking = false;
    m_lineRaised = false;
    m_readingTimer.setAlarm(0);
    m_readingTimer.pause();
    queue.clear();
    currentLine = Line();
    voice.Stop();
    if (KyButtonLayout* lock = gui.buttonLayout(kLockButton)) {
        if (lock->parent() == this)
            removeChild(lock);
    }
    gui.unload();
    heardLines.clear();
}

void Dialog2::playLine(const KyString& name, const KyString& text, const KyString& voiceFile, s32 mode)
{
    Line line;
    line.name = name;
    line.text = text;
    line.voice = voicePath(voiceFile);
    line.speaker = mode == NarratorMode ? NarratorSpeaker : speakerOf(name);
    queue.pushBack(line);
    if (!m_busy)
        showNextLine();
}

bool Dialog2::isBoxUp()
{
    KyButtonLayout* box = gui.buttonLayout(kBox);
    return box && box->anchor().y >= 1.0f;
}

void Dialog2::showNextLine()
{
    KyButtonLayout* lock = gui.buttonLayout(kLockButton);
    if (queue.isEmpty()) {
        if (lock)
            lock->setVisible(false);
        m_busy = false;
        return;
    }
    m_busy = true;
    if (isBoxUp()) {
        // The box comes down first; the end of that calls this again.
        if (KyLuaGUI::VectorAnimation* down = gui.layoutAnchorLinearAnimation(kAnimationDown)) {
            down->play();
            return;
        }
        KyButtonLayout* box = gui.buttonLayout(kBox);
        box->setAnchor(KyVector3f32(box->anchor().x, 0.0f, box->anchor().z));
    }

    currentLine = *queue.begin();
    queue.erase(queue.begin());
    m_lineRaised = true;
    if (KyTextLayout* text = gui.textLayout("text"))
        text->setText(currentLine.text);
    speak();
    if (lock)
        lock->setVisible(true);
    KyButtonLayout* box = gui.buttonLayout(kBox);
    if (box)
        box->setEnable(hasHeard(currentLine.name));
    if (KySpriteLayout* avatar = gui.spriteLayout("avatar"))
        avatar->load(portraitPath(currentLine.speaker));
    if (KyLuaGUI::VectorAnimation* up = gui.layoutAnchorLinearAnimation(kAnimationUp))
        up->play();
    else if (box)
        box->setAnchor(KyVector3f32(box->anchor().x, 1.0f, box->anchor().z));
}

void Dialog2::speak()
{
    m_speaking = true;
    m_readingTimer.setAlarm(0);
    voice.load(currentLine.voice);
    if (voice.Play())
        return;
    if (m_reportedVoices.insert(currentLine.voice).second)
        logPrint("Dialog2: the voice %s cannot be played, its lines stay for their reading time\n",
                 currentLine.voice.c_str());
    m_readingTimer.start();
    m_readingTimer.setAlarmIn(ReadingTime::microseconds(currentLine.text));
}

bool Dialog2::onVoiceFinished()
{
    // A voice stopped by unload, or one that ended after its reading time.
    if (!m_speaking)
        return false;
    m_speaking = false;
    m_readingTimer.setAlarm(0);
    heardLines.insert(currentLine.name);

    KyLuaGUI::VectorAnimation* up = gui.layoutAnchorLinearAnimation(kAnimationUp);
    if (up && up->isRunning())
        up->stop();
    if (KyLuaGUI::VectorAnimation* down = gui.layoutAnchorLinearAnimation(kAnimationDown)) {
        down->play();
        return false;
    }
    if (KyButtonLayout* box = gui.buttonLayout(kBox))
        box->setAnchor(KyVector3f32(box->anchor().x, 0.0f, box->anchor().z));
    onAnimationDownFinished();
    return false;
}

bool Dialog2::onReadingTimeOver()
{
    return onVoiceFinished();
}

bool Dialog2::onDialogClicked()
{
    for (const char* name : {kAnimationUp, kAnimationDown}) {
        KyLuaGUI::VectorAnimation* animation = gui.layoutAnchorLinearAnimation(name);
        if (animation && animation->isRunning())
            return false;
    }
    if (!m_speaking)
        return false;
    if (voice.IsPlaying()) {
        // Its finished signal lowers the box.
        voice.Stop();
    } else {
        onVoiceFinished();
    }
    KySingleton<KySoundManager>::instance()->PlaySFX(ClickSound);
    return false;
}

bool Dialog2::onAnimationDownFinished()
{
    // Not busy: the dialog was unloaded, nothing is to be reported.
    if (!m_busy)
        return false;
    const bool lineEnded = m_lineRaised;
    const KyString name = currentLine.name;
    m_lineRaised = false;
    showNextLine();
    if (lineEnded)
        onFinished.call(name);
    return false;
}

void Dialog2::Save(TiXmlNode* parent)
{
    TiXmlElement dialog("Dialog");
    for (const KyString& name : heardLines) {
        TiXmlElement played("Played");
        played.SetAttribute("id", name.c_str());
        dialog.InsertEndChild(played);
    }
    parent->InsertEndChild(dialog);
}

void Dialog2::Load(const TiXmlElement* element)
{
    heardLines.clear();
    if (!element)
        return;
    for (const TiXmlNode* node = element->FirstChild(); node; node = node->NextSibling()) {
        const TiXmlElement* played = node->ToElement();
        if (!played || std::strcmp(played->Value(), "Played") != 0)
            continue;
        const char* id = played->Attribute("id");
        heardLines.insert(KyString(id ? id : ""));
    }
}
