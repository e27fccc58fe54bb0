#ifndef KY_ADSINDEX_H
#define KY_ADSINDEX_H

#include "core/KyArray.h"
#include "core/KyString.h"
#include "core/KyTypes.h"

class KyXmlDocument;
class TiXmlElement;

// The file references of the XML files of an advert set. An attribute value
// anywhere in a file that starts with the set's folder followed by '/' names
// a file of the set: the rest of the value, relative to the folder. Only
// safe names are kept - not empty, not absolute, without ':' and without ".."
// or empty parts - so that a set can never name a file outside its folder; a
// value that names something else under the folder's name ("Backup/AdsX/a")
// or an unsafe name is refused and logged with the file it came from.
class KyAdsIndex {
public:
    // Longest name kept, in bytes.
    static const u32 kMaxNameLength = 1024;

    // Reads the references of the element tree of one parsed file, in the
    // order met (each element's attributes in order, then its children),
    // into names (each name once; names already there are not added again).
    // source names the file in the log.
    static void collectFiles(const TiXmlElement* element, const KyString& folder, KyArray<KyString>& names,
                             const KyString& source);
    // Reads the XML file at a game path and collects its references. False,
    // with a log line naming the file, when it cannot be read or parsed.
    static bool readFile(const KyString& path, const KyString& folder, KyArray<KyString>& names);
    // Parses an XML text and collects its references. False when it does not
    // parse.
    static bool readText(const char* text, u32 size, const KyString& folder, KyArray<KyString>& names,
                         const KyString& source);

    // Whether a name may stand for a file of a set.
    static bool isSafeName(const KyString& name);

    // Loads an XML file of an advert set or the advert cache into document:
    // false when the file is missing, unreadable, refused by KyXmlDocument's
    // bounds or does not parse.
    static bool loadDocument(const KyString& path, KyXmlDocument& document);
};

#endif
