#ifndef KY_FRAME_WAIT_H
#define KY_FRAME_WAIT_H

#include <functional>

// The engine-wide question "does the frame wait on background work?". An
// owner of background work whose result the frames wait for (an advert page
// due before a worker has read its pictures) holds a KyFrameWait that
// answers for it while it lives; a scripted run asks isAnyWaiting before
// each frame and holds its clock meanwhile, so that what the frames show
// does not depend on how fast a worker runs. Main thread only.
class KyFrameWait {
public:
    // waits answers for the owner; it is asked only while this object lives.
    explicit KyFrameWait(std::function<bool()> waits);
    ~KyFrameWait();
    KyFrameWait(const KyFrameWait&) = delete;
    KyFrameWait& operator=(const KyFrameWait&) = delete;

    bool waits() const { return m_waits(); }
    // Whether any owner's frame waits now.
    static bool isAnyWaiting();

private:
    std::function<bool()> m_waits;
};

#endif
