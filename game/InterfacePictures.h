#ifndef GAME_INTERFACE_PICTURES_H
#define GAME_INTERFACE_PICTURES_H

#include "core/KyString.h"
#include "core/KyTypes.h"

#include <cstddef>

// What the dry runs of one call of requestPicturesNamedIn spent, and the
// bound that ended them. The bounds are counts, the same on every machine:
//  - steps: Lua instructions, kCallSteps a call, kLookupSteps a file looked
//    for (a script followed or a picture asked for);
//  - bytes: the memory the runs made or grew, the script files read, and
//    for each instruction and each call the bytes of every long value alive
//    (a string comparison, a copy or a table walk may touch any of them);
//    values shorter than kLongValue cost their instruction only;
//  - memory: what one state holds at once (an allocation past it fails, the
//    run goes on with what it has).
// A real-time cap far beyond what the bounds allow stands behind them.
struct InterfaceDryRun {
    static const u64 MaxSteps;
    static const u64 MaxBytes;
    static const size_t MaxMemory;

    enum Bound { None, Steps, Bytes, Time };

    u64 steps = 0;
    u64 bytes = 0;
    size_t peakMemory = 0;
    // None when the runs ended on their own (done, or stopped by an error).
    Bound stoppedBy = None;
};

// Asks the picture prefetch (KyImgPrefetch) for the pictures an interface
// script gives its builders, those it builds while it runs among them (the
// script is run once in a throwaway Lua state whose builders only note the
// pictures they are given), then for those it names in quotes outside its
// comments, and for those of the scripts it names the same way (a script may
// run another): a hint given before the script runs. The runs of one call
// share one budget, whatever the scripts do. A name asked for and never
// loaded goes with KyImgPrefetch::clear().
InterfaceDryRun requestPicturesNamedIn(const KyString& scriptPath);

#endif
