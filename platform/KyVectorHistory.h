#ifndef KY_VECTORHISTORY_H
#define KY_VECTORHISTORY_H

#include "core/KyArray.h"
#include "core/KyICallback0Param.h"
#include "core/KyObject.h"
#include "core/KyQuaternion.h"
#include "core/KyTypes.h"
#include "core/KyVector3f32.h"

// A process-wide history of 3-float motion samples (a device-orientation
// source), an orientation applied to their average and a flag that turns
// the 2D view and the pointer mapping half a turn. Created on first access
// and kept for the whole run. Nothing in the engine feeds it on this
// platform, so it stays at rest: no samples, not flipped.
class KyVectorHistory : public KyObject {
public:
    typedef KyArray<KyICallback0Param*> Signal;

    static const u32 SampleCount = 100;
    // How many of the newest samples average() takes.
    static const u32 AverageCount = 20;

    // The process-wide object, created on the first call.
    static KyVectorHistory* instance();

    KyVectorHistory();
    ~KyVectorHistory() override;
    KyVectorHistory(const KyVectorHistory&) = delete;
    KyVectorHistory& operator=(const KyVectorHistory&) = delete;

    // No samples (all zero), head at 0, not flipped. The orientation stays.
    void reset();

    // Makes sample the newest one of the ring.
    void addSample(const KyVector3f32& sample);
    const KyVector3f32& current() const { return m_current; }
    // The mean of the newest AverageCount samples, rotated by the
    // orientation.
    KyVector3f32 average() const;

    bool isFlipped() const { return m_flipped; }
    // Fires onChanged when the flag really changes.
    void setFlipped(bool flipped);
    Signal& onChanged() { return m_listeners; }

    void setOrientation(const KyQuaternion& orientation) { m_orientation = orientation; }
    const KyQuaternion& orientation() const { return m_orientation; }

private:
    KyVector3f32 m_current;
    bool m_flipped;
    Signal m_listeners;
    KyVector3f32 m_samples[SampleCount];
    u32 m_head;
    KyQuaternion m_orientation;
};

#endif
