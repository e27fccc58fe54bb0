#ifndef KY_ADS_PAGE_CHECK_H
#define KY_ADS_PAGE_CHECK_H

#include "core/KyPath.h"
#include "core/KyString.h"

#include <string>

class TiXmlDocument;

// What an XML file of an advert set may hold, so that loading one of its
// pages reads nothing but the set's pictures (which the rotator has made
// textures of): the elements of the interface loader that read no other
// file, each compared as the loader dispatches it (tags in lower case,
// attribute names in lower case, full names as the loader makes them).
//
// Known: a top-level element of a name the loader does not dispatch (it
// walks it as a container: a page's root); group and platform; sprite and img, whose "file" must
// name a picture of the set; sprite_button and sprite_button2, whose
// pictures must be the set's and which carry no label text (a label reads
// fonts); button; value, where the value of "nextPath" must name a page of
// the set; movement2 and movement3 (their numbers are their children's
// text); the property elements; and the children the widgets and movements
// read their numbers from. Everything else is refused: sounds, musics,
// videos and their buttons, sound players and rich texts read files of
// their own, and a check box looks its pictures up in the language folders
// and makes their textures in the frame that shows it.
class KyAdsPageCheck {
public:
    // Checks the elements of one parsed file of a set whose files are named
    // under prefix (KyAdsIndex::nameOf): false at the first element, in
    // document order, that a page may not hold, or the first value that
    // names no picture (or no page) of the set where one must, with why
    // saying what the file holds. A name of a picture or a page is one the
    // reading of the set lists, so the set's completeness covers the rest.
    static bool check(const TiXmlDocument& document, const KyPath& prefix, std::string& why);
};

#endif
