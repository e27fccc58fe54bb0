#include "core/KyReferencesCounter.h"

void KyReferencesCounter::release()
{
    if (m_count > 0 && --m_count == 0)
        delete this;
}
