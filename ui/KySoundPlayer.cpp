#include "ui/KySoundPlayer.h"

#include "core/KyCallback0Param.h"

#include <tinyxml.h>

#include <cstdlib>
#include <string>

namespace {

} // namespace

KySoundPlayer::KySoundPlayer()
{
    playButton.onClicked().pushBack(kyNewCallback(this, &KySoundPlayer::onPlayClicked, 0.0f));
    stopButton.onClicked().pushBack(kyNewCallback(this, &KySoundPlayer::onStopClicked, 0.0f));
    music.onFinished.pushBack(kyNewCallback(this, &KySoundPlayer::onStopClicked, 0.0f));
}

KySoundPlayer::~KySoundPlayer() {}

void KySoundPlayer::setAudioFile(const KyString& path)
{
    music.Repeat(false);
    music.load(path);
}

void KySoundPlayer::play()
{
    onPlayClicked();
}

void KySoundPlayer::stop()
{
    onStopClicked();
}

bool KySoundPlayer::onPlayClicked()
{
    // A sound that does not play (no file, no device) must not show the
    // stop button: nothing would ever end it.
    if (!music.Play()) {
        showStopped();
        return false;
    }
    showPlaying();
    return false;
}

bool KySoundPlayer::onStopClicked()
{
    music.Stop();
    showStopped();
    return false;
}

void KySoundPlayer::showPlaying()
{
    // Hidden also disables: the button leaves the input manager.
    playButton.setVisible(false);
    stopButton.setVisible(true);
}

void KySoundPlayer::showStopped()
{
    playButton.setVisible(true);
    stopButton.setVisible(false);
}

void KySoundPlayer::setPosition(const KyVector3f32& position)
{
    Ky3DObject::setPosition(position);
    playButton.setPosition(position);
    stopButton.setPosition(position);
}

void KySoundPlayer::setScale(const KyVector3f32& scale)
{
    m_scale = scale;
    playButton.setScale(scale);
    stopButton.setScale(scale);
}

void KySoundPlayer::loadFromXml(TiXmlElement* element)
{
    if (!element)
        return;
    for (const TiXmlAttribute* a = element->FirstAttribute(); a; a = a->Next()) {
        const KyString name = KyString(a->Name()).toLower();
        KyVector3f32 at = position();
        if (name == "audio_file") {
            setAudioFile(KyString(a->Value()));
            continue;
        }
        if (name == "x")
            at.x = f32(std::atof(a->Value()));
        else if (name == "y")
            at.y = f32(std::atof(a->Value()));
        else if (name == "z")
            at.z = f32(std::atof(a->Value()));
        else
            continue;
        setPosition(at);
    }
    for (TiXmlElement* child = element->FirstChildElement(); child; child = child->NextSiblingElement()) {
        const std::string name = child->ValueStr();
        if (name == "PlayButton") {
            playButton.loadFromXml(child);
            playButton.setPosition(position());
        } else if (name == "StopButton") {
            stopButton.loadFromXml(child);
            stopButton.setVisible(false);
            stopButton.setPosition(position());
        }
    }
}
