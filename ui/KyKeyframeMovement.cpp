#include "ui/KyKeyframeMovement.h"

#include <tinyxml.h>

#include <cstdlib>

using namespace KyMovementShared;

namespace {

// The XML element name of a channel.
const char* channelElementName(u32 channel)
{
    static const char* const names[ChannelCount] = {
        "PositionX", "PositionY", "PositionZ", "RotationZ", "ScaleXY", "Opacity"};
    return names[channel];
}

} // namespace

KyKeyframeMovement::KyKeyframeMovement()
    : duration(0.0)
    , elapsed(0.0)
    , target(nullptr)
    , finished(false)
{
}

KyKeyframeMovement::~KyKeyframeMovement() {}

bool KyKeyframeMovement::readNumber(const TiXmlElement* parent, const char* name, f64& value)
{
    const TiXmlElement* child = parent ? parent->FirstChildElement(name) : nullptr;
    if (!child)
        return false;
    const char* text = child->GetText();
    value = std::atof(text ? text : "");
    return true;
}

void KyKeyframeMovement::update(f64 t)
{
    if (finished) {
        finish();
        return;
    }
    // At the duration the final values are applied in this update and the
    // movement stops at the next.
    elapsed = t - startTime;
    if (elapsed < 0.0)
        elapsed = 0.0;
    if (duration <= elapsed) {
        finished = true;
        elapsed = duration;
    }
    // A movement read from a file without a widget moves nothing, but keeps
    // its timing.
    if (target)
        apply();
}

void KyKeyframeMovement::loadXml(const TiXmlElement* element)
{
    if (!element)
        return;
    readNumber(element, "Duration", duration);
    for (u32 i = 0; i < ChannelCount; ++i) {
        const TiXmlElement* node = element->FirstChildElement(channelElementName(i));
        if (!node)
            continue;
        readChannel(node, i);
        curve(i).parse(node->FirstChildElement("Interpolation"));
    }
}

void KyKeyframeMovement::load(KyStream& stream, Ky3DObject* newTarget, f64 newDuration)
{
    KyAnimation::stop();
    for (u32 i = 0; i < ChannelCount; ++i)
        curve(i).deserialize(stream);
    target = newTarget;
    duration = newDuration;
    elapsed = 0.0;
    finished = false;
}
