#include "ui/KyTextBase.h"

#include <cmath>

KyTextBase::KyTextBase() : KyGlyphText(KyColor(0, 0, 0, 255))
{
}

KyTextBase::~KyTextBase()
{
}

void KyTextBase::setPosition(const KyVector3f32& position)
{
    mesh.setPosition(KyVector3f32(std::floor(position.x + 0.5f), std::floor(position.y + 0.5f),
                                  std::floor(position.z + 0.5f)));
}
