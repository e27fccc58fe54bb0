#ifndef GAME_INTERFACE_PICTURES_H
#define GAME_INTERFACE_PICTURES_H

#include "core/KyString.h"

// Asks the picture prefetch (KyImgPrefetch) for the pictures an interface
// script names in quotes outside its comments, in the order they appear,
// and for those of the scripts it names the same way (a script may run
// another): a hint given before the script runs. Names the script builds
// while it runs are not seen; a name asked for and never loaded goes with
// KyImgPrefetch::clear().
void requestPicturesNamedIn(const KyString& scriptPath);

#endif
