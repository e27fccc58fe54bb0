#include "ui/KyMovement3.h"

#include "platform/Ky3DObject.h"

using namespace KyMovementShared;

KyMovement3::KyMovement3()
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

void KyMovement3::apply()
{
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

void KyMovement3::readChannel(const TiXmlElement* node, u32 i)
{
    f64 end;
    if (readNumber(node, "EndValue", end))
        channels[i].endValue = f32(end);
}

void KyMovement3::load(KyStream& stream, Ky3DObject* newTarget, f64 newDuration)
{
    KyKeyframeMovement::load(stream, newTarget, newDuration);
    clearLastValues();
}
