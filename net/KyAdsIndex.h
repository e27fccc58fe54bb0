#ifndef KY_ADSINDEX_H
#define KY_ADSINDEX_H

#include "core/KyArray.h"
#include "core/KyPath.h"
#include "core/KyString.h"
#include "core/KyTypes.h"

#include <string>

class KyXmlDocument;
class TiXmlElement;

// The file references of the XML files of an advert set. An attribute value
// anywhere in a file that starts with the set's folder followed by '/' names
// a file of the set: the rest of the value, relative to the folder. The value
// is taken in the form the page loader reads a path in (KyPath: each run of
// '/' and '\' one '/'), so a page shows the files listed. Only safe names
// are kept - not empty, not absolute, without ':' and without ".." or empty
// parts - so that a set can never name a file outside its folder; a
// value that names something else under the folder's name ("Backup/AdsX/a")
// or an unsafe name is refused and logged with the file it came from (the
// first few of a file, then their count).
//
// Reading is linear in the size of the text, and stops as soon as the names
// go beyond the count the caller allows.
class KyAdsIndex {
public:
    // Longest name kept, in bytes.
    static const u32 kMaxNameLength = 1024;
    // Largest XML file of a set (or advert cache) read, in bytes, and most
    // XML one reading of a set takes in all: an advert page names a few
    // pictures in a kilobyte or two, a set of the most files allowed fits
    // in a fraction of it, and it parses in a few milliseconds.
    static constexpr u32 kMaxXmlBytes = 128u * 1024u;
    // No bound on the count of names.
    static constexpr u32 kAnyCount = 0xFFFFFFFFu;

    // Reads the references of the element tree of one parsed file, in the
    // order met (each element's attributes in order, then its children),
    // into names (each name once; names already there are not added again).
    // The reading stops once names holds more than maxNames. source names
    // the file in the log.
    static void collectFiles(const TiXmlElement* element, const KyString& folder, KyArray<KyString>& names,
                             const KyString& source, u32 maxNames = kAnyCount);
    // Reads the XML file at a game path (at most maxBytes of it) and
    // collects the references of all its top-level elements. False, with a
    // log line naming the file, when it cannot be read or parsed.
    static bool readFile(const KyString& path, const KyString& folder, KyArray<KyString>& names,
                         u32 maxNames = kAnyCount, u32 maxBytes = kMaxXmlBytes);
    // The same, keeping the document and, when given, the text it was
    // parsed from.
    static bool readFile(const KyString& path, const KyString& folder, KyArray<KyString>& names, u32 maxNames,
                         u32 maxBytes, KyXmlDocument& document, std::string* text);
    // Parses an XML text and collects its references. False when it does not
    // parse.
    static bool readText(const char* text, u32 size, const KyString& folder, KyArray<KyString>& names,
                         const KyString& source, u32 maxNames = kAnyCount);

    // What an attribute value names, for the set whose files are named
    // under folder: nothing of the set, a name refused (unsafe, or another
    // folder of that name), or the file name, the rest after folder and '/'.
    enum Naming { NotInSet, Unsafe, InSet };
    static Naming nameOf(const char* value, const KyPath& folder, KyString& name);

    // Whether a name may stand for a file of a set.
    static bool isSafeName(const KyString& name);

    // Loads an XML file of an advert set or the advert cache into document:
    // false when the file is missing, unreadable, larger than maxBytes,
    // refused by KyXmlDocument's bounds or does not parse.
    static bool loadDocument(const KyString& path, KyXmlDocument& document, u32 maxBytes = kMaxXmlBytes);
};

#endif
