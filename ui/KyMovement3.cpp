#include "ui/KyMovement3.h"

#include "platform/Ky3DObject.h"

#include <tinyxml.h>

using namespace KyMovementShared;

KyMovement3::KyMovement3()
    : duration(0.0)
    , elapsed(0.0)
    , target(nullptr)
    , finished(false)
{
    for (Channel& channel : channels) {
        channel.lastValue = 0.0f;
        channel.endValue = 1.0f;
    }
}

KyMovement3::~KyMovement3()
{
    for (Channel& channel : channels)
        channel.curve.values.clear();
}

void KyMovement3::play()
{
    finished = false;
    KyAnimation::play();
}

void KyMovement3::playOn(Ky3DObject* newTarget)
{
    clearLastValues();
    target = newTarget;
    finished = false;
    KyAnimation::play();
}

void KyMovement3::update(f64 t)
{
    if (finished) {
        finish();
        return;
    }
    advance(t, startTime, duration, elapsed, finished);
    apply();
}

void KyMovement3::apply()
{
    // A movement read from a file without a widget moves nothing, but keeps
    // its timing.
    if (!target)
        return;
    f32 change[ChannelCount];
    bool used[ChannelCount];
    for (u32 i = 0; i < ChannelCount; ++i) {
        Channel& channel = channels[i];
        used[i] = !channel.curve.isEmpty();
        if (used[i]) {
            const f32 value = f32(channel.curve.valueAt(elapsed, duration) * channel.endValue);
            change[i] = value - channel.lastValue;
            channel.lastValue = value;
        }
    }
    KyVector3f32 position = target->position();
    if (used[PositionX])
        position.x += change[PositionX];
    if (used[PositionY])
        position.y += change[PositionY];
    if (used[PositionZ])
        position.z += change[PositionZ];
    target->setPosition(position);
    if (used[RotationZ])
        target->setRotation(target->rotation() + change[RotationZ]);
    if (used[ScaleXY]) {
        const KyVector3f32 scale = target->scale();
        target->setScale(KyVector3f32(scale.x + change[ScaleXY], scale.y + change[ScaleXY], scale.z));
    }
    if (used[Opacity])
        target->setOpacity(target->opacity() + change[Opacity]);
}

void KyMovement3::clearLastValues()
{
    for (Channel& channel : channels)
        channel.lastValue = 0.0f;
}

void KyMovement3::loadXml(const TiXmlElement* element)
{
    if (!element)
        return;
    readNumber(element, "Duration", duration);
    for (u32 i = 0; i < ChannelCount; ++i) {
        const TiXmlElement* node = element->FirstChildElement(channelElementName(i));
        if (!node)
            continue;
        Channel& channel = channels[i];
        f64 end;
        if (readNumber(node, "EndValue", end))
            channel.endValue = f32(end);
        channel.curve.parse(node->FirstChildElement("Interpolation"));
    }
}

void KyMovement3::load(KyStream& stream, Ky3DObject* newTarget, f64 newDuration)
{
    KyAnimation::stop();
    for (Channel& channel : channels)
        channel.curve.deserialize(stream);
    target = newTarget;
    duration = newDuration;
    elapsed = 0.0;
    finished = false;
    clearLastValues();
}
