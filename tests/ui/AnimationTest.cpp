#include "tests/ui/AnimationFixture.h"

#include <functional>
#include <string>
#include <vector>

namespace {

// An animation that records the times it is given and runs a hook.
class Probe : public KyAnimation {
public:
    std::vector<f64> times;
    std::function<void(Probe*)> onUpdate;

    void update(f64 t) override
    {
        times.push_back(t);
        if (onUpdate)
            onUpdate(this);
    }
};

} // namespace

TEST_F(AnimationTest, PlayStampsTheStartTimeOnceAndStopFiresOnlyWhenRunning)
{
    Probe a;
    SignalLog log;
    log.listen(a.onStop, "S");
    EXPECT_EQ(0u, a.state);
    EXPECT_EQ(0.0, a.startTime);

    a.stop(); // stopped: nothing fires
    EXPECT_EQ("", log.text);

    a.play();
    EXPECT_EQ(1u, a.state);
    EXPECT_TRUE(isListed(&a));
    const f64 start = a.startTime;
    EXPECT_DOUBLE_EQ(KyAnimation::sharedTime(), start);

    frameAfter(40);
    a.play(); // already running: the start time stays, listed once
    a.resume();
    EXPECT_EQ(start, a.startTime);
    EXPECT_EQ(1u, KyAnimation::runningList().count());

    a.pause();
    EXPECT_EQ(0u, a.state);
    EXPECT_FALSE(isListed(&a));
    EXPECT_EQ("S", log.text);
    a.stop();
    EXPECT_EQ("S", log.text);

    // Playing again starts from the beginning.
    frameAfter(100);
    a.play();
    EXPECT_DOUBLE_EQ(start + 140.0, a.startTime);
    a.stop();
}

TEST_F(AnimationTest, DestroyingARunningAnimationFiresOnStopOnce)
{
    SignalLog log;
    {
        Probe a;
        log.listen(a.onStop, "S");
        log.listen(a.onFinished, "F");
        a.play();
    }
    EXPECT_EQ("S", log.text);
    EXPECT_TRUE(KyAnimation::runningList().isEmpty());
}

TEST_F(AnimationTest, EveryRunningAnimationGetsTheSameTimeInStartOrder)
{
    Probe a, b, c;
    std::string order;
    a.onUpdate = [&](Probe*) { order += "a"; };
    b.onUpdate = [&](Probe*) { order += "b"; };
    c.onUpdate = [&](Probe*) { order += "c"; };
    b.play();
    a.play();
    c.play();
    frameAfter(16.5);
    EXPECT_EQ("bac", order);
    ASSERT_EQ(1u, a.times.size());
    EXPECT_EQ(a.times[0], b.times[0]);
    EXPECT_EQ(a.times[0], c.times[0]);
    EXPECT_DOUBLE_EQ(16.5, a.times[0] - a.startTime);

    c.stop(); // a stopped one is no longer updated
    frameAfter(10);
    EXPECT_EQ("bacba", order);
    a.stop();
    b.stop();
}

TEST_F(AnimationTest, TheWalkSurvivesAnimationsStoppingThemselvesAndOthers)
{
    Probe a, b, c, d, late;
    std::string order;
    // a stops itself, b stops the one before it (nothing left there) and
    // the one after it, d starts a new one, which is updated in this walk.
    a.onUpdate = [&](Probe* self) {
        order += "a";
        self->stop();
    };
    b.onUpdate = [&](Probe*) {
        order += "b";
        a.stop();
        c.stop();
    };
    c.onUpdate = [&](Probe*) { order += "c"; };
    int dCalls = 0;
    d.onUpdate = [&](Probe* self) {
        if (++dCalls > 1) {
            order += "D";
            return;
        }
        order += "d";
        late.play();
        self->stop();
        self->play(); // joins the end again: updated once more in this walk
    };
    late.onUpdate = [&](Probe*) { order += "l"; };
    a.play();
    b.play();
    c.play();
    d.play();
    frameAfter(5);
    EXPECT_EQ("abdlD", order);
    EXPECT_FALSE(isListed(&a));
    EXPECT_FALSE(isListed(&c));
    EXPECT_TRUE(isListed(&b));
    EXPECT_EQ(3u, KyAnimation::runningList().count());
    b.stop();
    d.stop();
    late.stop();
}

TEST_F(AnimationTest, AnAnimationMayDestroyTheNextOneDuringTheWalk)
{
    Probe first;
    Probe* second = new Probe;
    Probe third;
    std::string order;
    first.onUpdate = [&](Probe*) {
        order += "1";
        delete second;
        second = nullptr;
    };
    third.onUpdate = [&](Probe*) { order += "3"; };
    first.play();
    second->play();
    third.play();
    frameAfter(1);
    EXPECT_EQ("13", order);
    first.stop();
    third.stop();
}
