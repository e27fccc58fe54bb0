#ifndef KY_INPUT_MGR_WRAPPER_H
#define KY_INPUT_MGR_WRAPPER_H

#include "platform/KyInputMgr.h"

// The input as the interface widgets see it: a second manager, reached
// through KyInputMgrWrapper::instance(), whose button and move signals and
// pressed flags are those of the global manager, while positions and speeds
// go through this object's own transform (setScale, setAngle, setOffset) and,
// when the motion history says the screen is turned half a turn and the
// core is not fixed in landscape, a half-turn about the screen centre.
class KyInputMgrWrapper : public KyInputMgr {
public:
    // The wrapper singleton, created on first use.
    static KyInputMgrWrapper* instance();

    bool isButtonPressed(u32 button) override;
    IndexSignal& onButtonUp() override;
    IndexSignal& onButtonDown() override;
    KyVector2s32 rawMousePosition(u32 pointer) override;
    Signal& onMouseMove() override;
    IndexSignal& onPointerMove() override;

    // The base's mousePosition16 reads these, so it maps too.
    KyVector2s32 mousePosition(u32 pointer) override;
    KyVector2s32 mousePreviousPosition(u32 pointer) override;
    KyVector2s32 mouseSpeed(u32 pointer = 0) override;

private:
    // A position of the global manager in this wrapper's units.
    KyVector2s32 map(const KyVector2s32& point) const;
};

#endif
