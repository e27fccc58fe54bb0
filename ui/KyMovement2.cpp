#include "ui/KyMovement2.h"

#include "platform/Ky3DObject.h"

using namespace KyMovementShared;

KyMovement2::KyMovement2()
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

void KyMovement2::apply()
{
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

void KyMovement2::readChannel(const TiXmlElement* node, u32 i)
{
    readNumber(node, "StartValue", channels[i].startValue);
    readNumber(node, "EndValue", channels[i].endValue);
}
