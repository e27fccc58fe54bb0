#include "ui/KyTextToken.h"

KyTextToken& makeString(KyTextToken& storage, u32 kind, const KyString& source)
{
    return makeString(storage, kind, source.c_str(), source.length());
}

KyTextToken& makeString(KyTextToken& storage, u32 kind, const char* start, u32 length)
{
    storage.key = kind;
    KyString text;
    text.setTextMode(1);
    if (start)
        text.assign(start, length);
    storage.value = text;
    return storage;
}

void skipWhitespace(const char* text, u32& cursor)
{
    if (!text)
        return;
    while (isTextSeparator(text[cursor]))
        ++cursor;
}
