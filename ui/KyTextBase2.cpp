#include "ui/KyTextBase2.h"

KyTextBase2::KyTextBase2() : KyGlyphText(KyColor(255, 255, 255, 255))
{
}

KyTextBase2::~KyTextBase2()
{
}

void KyTextBase2::setDefaultColor(const KyColor& color)
{
    defaultColor = color;
    dirty = true;
}
