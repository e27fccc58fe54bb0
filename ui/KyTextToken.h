#ifndef KY_TEXT_TOKEN_H
#define KY_TEXT_TOKEN_H

#include "core/KyMap.h"
#include "core/KyString.h"
#include "core/KyTypes.h"

// One token of the rich-text markup: its kind (key) and its text (value).
typedef KyMapEntry<u32, KyString> KyTextToken;
// The tokens of one markup, in markup order (appended with push).
typedef KyMap<u32, KyString> KyTextTokenList;

// Token kinds.
enum KyTextTokenKind {
    KyTokenWord = 0,      // the word's characters
    KyTokenOpenTag = 1,   // the tag name
    KyTokenCloseTag = 2,  // the tag name, without the '/'
    KyTokenTagEnd = 3,    // empty
    KyTokenAttribute = 4  // the whole attribute word, "name=value"
};

// Fills storage with the kind and a text-mode copy of source; returns
// storage.
KyTextToken& makeString(KyTextToken& storage, u32 kind, const KyString& source);
// The same with the length bytes starting at start (a run of the markup).
KyTextToken& makeString(KyTextToken& storage, u32 kind, const char* start, u32 length);

// Advances cursor over spaces, line feeds and carriage returns of the
// NUL-terminated text; a tab is an ordinary character. The cursor ends on
// the first other character or on the NUL.
void skipWhitespace(const char* text, u32& cursor);

// Whether c separates the words of the markup (space, line feed, carriage
// return).
inline bool isTextSeparator(char c)
{
    return c == ' ' || c == '\n' || c == '\r';
}

#endif
