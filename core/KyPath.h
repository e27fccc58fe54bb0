#ifndef KY_PATH_H
#define KY_PATH_H

#include "core/KyString.h"

// A file path: a string whose separators stand in one canonical form. The
// constructors, the appends, the stream write and assign rewrite every run
// of '/' or '\\' after the first character as a single '/', so two spellings
// of the same relative path compare equal. The assignment operators and the
// copy constructor copy the text as it is.
class KyPath : public KyString {
public:
    KyPath() {}
    KyPath(const char* text);
    KyPath(const KyString& other);
    KyPath(const KyPath& other) = default;

    using KyString::operator=;
    KyPath& operator=(const KyPath& other) = default;

    // Replaces the text with other's, then normalises.
    void assign(const KyString& other);
    using KyString::assign;

    // The string appends followed by normalisation.
    KyPath& append(char c);
    KyPath& append(const char* text);
    KyPath& append(const KyString& other);
    KyPath& operator+=(char c) override { return append(c); }
    KyPath& operator+=(const char* text) override { return append(text); }
    KyPath& operator+=(const KyString& other) override { return append(other); }

    // The string stream write followed by normalisation.
    u32 write(const void* data, u32 n) override;

    // Cuts at the last '.' anywhere in the path (the '.' goes).
    void removeExtension() override;
    // The text after the last '.' anywhere in the path; "" when none.
    KyString extension() const;
    // removeExtension, then appends "." and extension.
    void setExtension(const KyString& extension) override;
    // The text after the last ':', '/' or '\\'; the whole text when none.
    KyPath fileName() const;
    // The text up to and including the last separator; "" when none.
    KyPath directory() const;

    // Keeps the first character; every later run of '/' or '\\' becomes one
    // '/'. The text ends at its first NUL.
    void normalize();

    // Whether path, taken relative to a folder, names something inside it:
    // not empty, at most maxLength bytes, not starting with a separator,
    // without ':' (a drive), control characters or a ".." part, and, unless
    // emptyParts allows them, without empty parts (a doubled or a trailing
    // separator). Both '/' and '\\' separate parts.
    static bool isSafeRelative(const KyString& path, u32 maxLength, bool emptyParts);
};

#endif
