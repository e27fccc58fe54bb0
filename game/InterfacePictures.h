#ifndef GAME_INTERFACE_PICTURES_H
#define GAME_INTERFACE_PICTURES_H

#include "core/KyString.h"

// Asks the picture prefetch (KyImgPrefetch) for the pictures an interface
// script gives its builders, those it builds while it runs among them (the
// script is run once in a throwaway Lua state whose builders only note the
// pictures they are given), then for those it names in quotes outside its
// comments, and for those of the scripts it names the same way (a script may
// run another): a hint given before the script runs. The runs of one call
// share a bound of instructions and time, and each a bound of memory,
// whatever the scripts do. A name asked for and never loaded goes with
// KyImgPrefetch::clear().
void requestPicturesNamedIn(const KyString& scriptPath);

#endif
