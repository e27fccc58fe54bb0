#include "ui/KyMovement2.h"

#include "platform/Ky3DObject.h"

#include <tinyxml.h>

#include <cstdlib>

using namespace KyMovementShared;

namespace KyMovementShared {

const char* channelElementName(u32 channel)
{
    static const char* const names[ChannelCount] = {
        "PositionX", "PositionY", "PositionZ", "RotationZ", "ScaleXY", "Opacity"};
    return channel < ChannelCount ? names[channel] : "";
}

bool readNumber(const TiXmlElement* parent, const char* name, f64& value)
{
    const TiXmlElement* child = parent ? parent->FirstChildElement(name) : nullptr;
    if (!child)
        return false;
    const char* text = child->GetText();
    value = std::atof(text ? text : "");
    return true;
}

void advance(f64 t, f64 startTime, f64 duration, f64& elapsed, bool& finished)
{
    elapsed = t - startTime;
    if (elapsed < 0.0)
        elapsed = 0.0;
    if (duration <= elapsed) {
        finished = true;
        elapsed = duration;
    }
}

} // namespace KyMovementShared

KyMovement2::KyMovement2()
    : duration(0.0)
    , elapsed(0.0)
    , target(nullptr)
    , finished(false)
{
    for (Channel& channel : channels) {
        channel.startValue = 0.0;
        channel.endValue = 1.0;
    }
}

KyMovement2::~KyMovement2()
{
}

void KyMovement2::play()
{
    // A movement that finished and was played again would otherwise stop at
    // its first update.
    if (state == Stopped)
        finished = false;
    KyAnimation::play();
}

void KyMovement2::playOn(Ky3DObject* newTarget)
{
    target = newTarget;
    play();
}

void KyMovement2::update(f64 t)
{
    if (finished) {
        finish();
        return;
    }
    KyMovementShared::advance(t, startTime, duration, elapsed, finished);
    apply();
}

void KyMovement2::apply()
{
    // A movement read from a file without a widget moves nothing, but keeps
    // its timing.
    if (!target)
        return;
    f64 value[ChannelCount];
    bool used[ChannelCount];
    for (u32 i = 0; i < ChannelCount; ++i) {
        const Channel& channel = channels[i];
        used[i] = !channel.curve.isEmpty();
        if (used[i]) {
            const f64 f = channel.curve.valueAt(elapsed, duration);
            value[i] = channel.startValue + (channel.endValue - channel.startValue) * f;
        }
    }
    KyVector3f32 position = target->position();
    if (used[PositionX])
        position.x = f32(value[PositionX]);
    if (used[PositionY])
        position.y = f32(value[PositionY]);
    if (used[PositionZ])
        position.z = f32(value[PositionZ]);
    target->setPosition(position);
    if (used[RotationZ])
        target->setRotation(f32(value[RotationZ]));
    if (used[ScaleXY]) {
        const f32 s = f32(value[ScaleXY]);
        target->setScale(KyVector3f32(s, s, target->scale().z));
    }
    if (used[Opacity])
        target->setOpacity(f32(value[Opacity]));
}

void KyMovement2::loadXml(const TiXmlElement* element)
{
    if (!element)
        return;
    KyMovementShared::readNumber(element, "Duration", duration);
    for (u32 i = 0; i < ChannelCount; ++i) {
        const TiXmlElement* node = element->FirstChildElement(KyMovementShared::channelElementName(i));
        if (!node)
            continue;
        Channel& channel = channels[i];
        KyMovementShared::readNumber(node, "StartValue", channel.startValue);
        KyMovementShared::readNumber(node, "EndValue", channel.endValue);
        channel.curve.parse(node->FirstChildElement("Interpolation"));
    }
}

void KyMovement2::load(KyStream& stream, Ky3DObject* newTarget, f64 newDuration)
{
    KyAnimation::stop();
    for (Channel& channel : channels)
        channel.curve.deserialize(stream);
    target = newTarget;
    duration = newDuration;
    elapsed = 0.0;
    finished = false;
}
