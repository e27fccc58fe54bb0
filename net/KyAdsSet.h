#ifndef KY_ADS_SET_H
#define KY_ADS_SET_H

#include "core/KyArray.h"
#include "core/KyPath.h"
#include "core/KyString.h"
#include "core/KyTypes.h"

#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

// One reading of an advert set: its index and the XML files it names, read
// in turn (each once, within the set's bounds), the files they name and,
// for each page, the pictures it names. What a set is checked by is what is
// shown of it: a name is an attribute value in the form the page loader
// reads it in (a KyPath), so every spelling of a file is the one file, and
// the rotator reads no page and no picture that the reading did not list.
//
// A set is the whole contract: what a page loads is what the reading read.
// Every element of its XML files is one an advert page may hold
// (KyAdsPageCheck), every attribute value that names a file of the set
// names one of its pictures or pages, and each page keeps the text read,
// which the rotator loads in place of the file.
//
// The files of a set lie in its folder (the local, temporary or shipped
// folder) and are named from the folder the set is shown from: an
// attribute value that starts with that prefix and '/' names a file, the
// rest of the value (see KyAdsIndex).
class KyAdsSet {
public:
    // Most files one set may name.
    static const u32 kMaxSetFiles = 256;
    // The pictures of a set: none wider or higher than the game's own
    // screens' pictures (the 480 x 320 page at its own size), so that a
    // frame that makes one a texture makes at most 512 x 512 texels, a few
    // milliseconds even for a software driver; and all of them together no
    // more pixels than eight such pictures, 8 MiB once decoded (RGBA), read
    // on a worker in a few tens of milliseconds.
    static constexpr u32 kMaxPictureSide = 512;
    static constexpr u64 kMaxSetPixels = u64(2) << 20;

    struct Picture {
        // The game path the pages name it by (in the set's folder).
        KyString path;
        // The file read.
        KyString diskPath;
    };

    struct Page {
        // The game path the set's values name it by ("nextPath").
        KyPath path;
        // Its pictures, indices into pictures().
        std::vector<u32> pictures;
        // The XML text read and checked; the page is loaded from it.
        std::string text;
    };

    // Reads the set in folder from its first file (folder + "/index.xml"
    // unless another XML file is given: a download that ended), its names
    // taken under prefix. Why a set is not showable is logged.
    KyAdsSet(const KyString& folder, const KyString& prefix, const KyString& first = KyString());
    // An empty reading: no index, nothing showable.
    KyAdsSet() {}

    const KyPath& folder() const { return m_folder; }
    // The file the reading started from.
    const KyPath& index() const { return m_index; }
    // Every file named, each once, in the order met.
    const KyArray<KyString>& names() const { return m_names; }
    // The index is there, every XML file named could be read and is XML,
    // every file named is there, and there are no more than kMaxSetFiles.
    bool isComplete() const { return m_indexThere && m_readable && m_present && !m_tooMany; }
    // Every XML file read holds only what an advert page may hold and names
    // only pictures and pages of the set (the first file that does not is
    // logged as the set is read, with what it names or holds).
    bool isSelfContained() const { return m_foreign.empty(); }
    // Complete, self-contained, and the index names a file: a page that
    // shows nothing of a set (a host's portal page answered in place of the
    // index) is no advert set.
    // logWhyNot: an index that names nothing says so in the log.
    bool isShowable(bool logWhyNot = false) const;
    bool namesTooMany() const { return m_tooMany; }

    // The pictures among the names, in the order met, and the pages read
    // (the index first), whatever the set's completeness.
    const std::vector<Picture>& pictures() const { return m_pictures; }
    const std::vector<Page>& pages() const { return m_pages; }
    // The page of that game path (any spelling); null when the set has none.
    const Page* page(const KyString& path) const;
    // The pictures of a page.
    std::vector<Picture> picturesOf(const Page& page) const;

    // The bytes the reading of the set's pictures may take from their files
    // in all: 8 bytes a pixel of the budget and 64 KiB a picture. Readers
    // take what their pictures need, so only files holding far more than
    // their pictures come near it.
    u64 byteAllowance() const { return allowanceFor(m_pictures.size()); }
    static u64 allowanceFor(u64 pictures);

    // The game path of a file of a folder, and whether a name is one of the
    // set's XML files (read in turn for the names they hold).
    static KyPath fileIn(const KyString& folder, const KyString& name);
    static bool isXmlName(const KyString& name);

private:
    void walk(const KyString& xmlPath);
    // The first thing of a file that makes the set not self-contained.
    void foreign(const KyPath& file, const std::string& why);
    // The game path a file of the folder is named by.
    KyPath named(const KyString& file) const;

    KyPath m_folder;
    KyPath m_index;
    KyPath m_prefix;
    KyArray<KyString> m_names;
    std::unordered_set<std::string> m_seen;
    // Where each picture name stands in m_pictures.
    std::unordered_map<std::string, u32> m_pictureAt;
    std::vector<Picture> m_pictures;
    std::vector<Page> m_pages;
    // The XML files read (disk paths).
    std::unordered_set<std::string> m_visited;
    // Bytes of XML the reading may still take.
    u32 m_xmlLeft = 0;
    bool m_indexThere = false;
    bool m_readable = true;
    bool m_present = true;
    bool m_tooMany = false;
    // Why the set is not self-contained; empty when it is.
    std::string m_foreign;
};

#endif
