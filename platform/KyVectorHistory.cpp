#include "platform/KyVectorHistory.h"

#include "core/KySingleton.h"

KyVectorHistory* KyVectorHistory::instance()
{
    return KySingleton<KyVectorHistory>::instance();
}

KyVectorHistory::KyVectorHistory() : m_flipped(false), m_head(0), m_orientation(0.0f, 0.0f, 0.0f, 1.0f)
{
    reset();
}

KyVectorHistory::~KyVectorHistory() {}

void KyVectorHistory::reset()
{
    m_current = KyVector3f32(0.0f, 0.0f, 0.0f);
    m_head = 0;
    for (u32 i = 0; i < SampleCount; ++i)
        m_samples[i] = KyVector3f32(0.0f, 0.0f, 0.0f);
    m_flipped = false;
}

void KyVectorHistory::addSample(const KyVector3f32& sample)
{
    m_head = (m_head + 1) % SampleCount;
    m_samples[m_head] = sample;
    m_current = sample;
}

KyVector3f32 KyVectorHistory::average() const
{
    KyVector3f32 sum(0.0f, 0.0f, 0.0f);
    u32 index = m_head;
    for (u32 i = 0; i < AverageCount; ++i) {
        sum += m_samples[index];
        index = index == 0 ? SampleCount - 1 : index - 1;
    }
    const KyVector3f32 mean(static_cast<f32>(sum.x / 20.0), static_cast<f32>(sum.y / 20.0),
                            static_cast<f32>(sum.z / 20.0));
    KyQuaternion orientation = m_orientation;
    return orientation.toMatrix().transformPoint(mean);
}

void KyVectorHistory::setFlipped(bool flipped)
{
    if (flipped == m_flipped)
        return;
    m_flipped = flipped;
    m_listeners.call();
}
