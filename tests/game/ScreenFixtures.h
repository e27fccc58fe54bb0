#ifndef KY_TESTS_GAME_SCREEN_FIXTURES_H
#define KY_TESTS_GAME_SCREEN_FIXTURES_H

#include "core/KyArray.h"
#include "core/KyCallback0Param.h"
#include "core/KyCallback1Param.h"
#include "core/KyColor.h"
#include "core/KyTypes.h"
#include "tests/game/DataOverlay.h"
#include "tests/support/TempDir.h"

#include <functional>
#include <string>

// Data folders and probes for the tests of the slot menu, the slide shows
// and the puzzles.
namespace ScreenFixtures {

// A PNG of one colour, opaque.
std::string solidPng(u32 width, u32 height, const KyColor& colour);

// The colour of piece k (0 to 17) of the test puzzle: far enough from every
// other piece's to tell them apart on screen.
KyColor pieceColour(u32 k);
extern const KyColor PuzzleBackground;
extern const KyColor StarColour;

// Where the writers below put a file (a path relative to the data folder).
typedef std::function<void(const std::string& relative, const std::string& bytes)> Writer;
Writer writerOf(const TempDir& data);
Writer writerOf(DataOverlay& data);

// Writes a cipher puzzle's screen into data: "Texts/PuzzleCrypte.xml" with
// the background, "Quit" (24 x 24 at 436, 276), the four stars (7 frames of
// 16 x 16 stacked in one strip), "Huge" over the board and the pieces named
// "1" to "18", each of its own colour. withoutPiece (1 to 18) leaves that
// piece out.
void writePuzzle(const Writer& data, u32 withoutPiece = 0);

// Writes count slide pictures of the given width (320 high) at the pattern
// ("Videos/IntroSlides/%d.png"), picture i of grey level 10 + 20 i.
void writeSlides(const Writer& data, const char* pattern, u32 count, u32 width);

// An Ogg Vorbis sound of a sine, mono, of the given length.
std::string shortOgg(double seconds);

// How many listeners of a signal call this member function of the object.
template <class T>
u32 listenersOf(KyArray<KyICallback0Param*>& signal, T* object, bool (T::*method)())
{
    KyCallback0Param<T> key(object, method);
    u32 count = 0;
    for (u32 i = 0; i < signal.count(); ++i)
        count += key.equals(signal[i]) ? 1 : 0;
    return count;
}

template <class T>
u32 listenersOf(KyArray<KyICallback1Param<unsigned int>*>& signal, T* object, bool (T::*method)(unsigned int))
{
    KyCallback1Param<unsigned int, T> key(object, method);
    u32 count = 0;
    for (u32 i = 0; i < signal.count(); ++i)
        count += key.equals(signal[i]) ? 1 : 0;
    return count;
}

} // namespace ScreenFixtures

#endif
