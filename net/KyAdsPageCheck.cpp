#include "net/KyAdsPageCheck.h"

#include "net/KyAdsIndex.h"
#include "net/KyAdsSet.h"
#include "platform/KyImg.h"
#include "ui/KyXMLGUI.h"

#include <tinyxml.h>

#include <vector>

namespace {

// Elements that read nothing: the loader's structure, buttons, values and
// movements, the property elements, and the children the widgets and
// movements read their numbers from (by name, so in any place they are
// nothing to the loader).
const char* const kInert[] = {"group",       "platform",    "button",       "value",      "movement2",
                              "movement3",   "position",    "size",         "scale",      "rotate",
                              "opacity",     "margin",      "rect",         "scalecenter", "leftmargin",
                              "rightmargin", "bottommargin", "topmargin",   "duration",   "positionx",
                              "positiony",   "positionz",   "rotationz",    "scalexy",    "startvalue",
                              "endvalue",    "interpolation"};

// The loader's elements that read files of their own, refused even as the
// root of a file.
const char* const kReading[] = {"check_box", "music", "sfx", "kyvideoplayer", "videoplayerbutton", "kysoundplayer",
                                "text2"};

// The attributes the picture elements read their pictures from.
const char* const kSpriteFiles[] = {"file"};
const char* const kButtonFiles[] = {"up_file", "down_file", "disable_file"};

// Longest piece of a value written into the log.
const size_t kMaxLogged = 120;

template <size_t n>
bool listed(const char* const (&list)[n], const KyString& tag)
{
    for (const char* item : list) {
        if (tag == item)
            return true;
    }
    return false;
}

std::string shortened(const char* text)
{
    const std::string whole(text ? text : "");
    return whole.size() > kMaxLogged ? whole.substr(0, kMaxLogged) + "..." : whole;
}

// An element and one attribute as written: <tag name="value">.
std::string said(const TiXmlElement* element, const TiXmlAttribute* attribute)
{
    std::string text = "<" + shortened(element->Value());
    if (attribute)
        text += " " + shortened(attribute->Name()) + "=\"" + shortened(attribute->Value()) + "\"";
    return text + ">";
}

class Walk {
public:
    Walk(const KyPath& prefix, std::string& why) : m_prefix(prefix), m_why(why) {}

    bool element(const TiXmlElement* element, const KyString& tag, const KyString& name, bool root)
    {
        if (tag == "sprite" || tag == "img")
            return pictures(element, kSpriteFiles, false, false);
        if (tag == "sprite_button" || tag == "sprite_button2")
            return pictures(element, kButtonFiles, true, true);
        if (tag == "value" && name == "nextPath" && !nextPath(element))
            return false;
        if (listed(kInert, tag) || (root && !listed(kReading, tag)))
            return true;
        return refuse("holds " + said(element, nullptr) + ", which an advert page may not hold");
    }

    bool refuse(const std::string& why)
    {
        m_why = why;
        return false;
    }

private:
    template <size_t n>
    bool pictures(const TiXmlElement* element, const char* const (&files)[n], bool noneAllowed, bool labelled)
    {
        for (const TiXmlAttribute* a = element->FirstAttribute(); a; a = a->Next()) {
            const KyString attribute = KyString(a->Name()).toLower();
            // A label is printed with fonts.
            if (labelled && attribute == "text" && *a->Value())
                return refuse("holds " + said(element, a) + ", a label, which an advert page may not hold");
            if (!listed(files, attribute) || (noneAllowed && !*a->Value()))
                continue;
            KyString file;
            if (KyAdsIndex::nameOf(a->Value(), m_prefix, file) != KyAdsIndex::InSet || !KyImg::isPictureName(file))
                return refuse("names no picture of the advert set in " + said(element, a));
        }
        return true;
    }

    bool nextPath(const TiXmlElement* element)
    {
        // Every value it is given counts: the loader keeps the last.
        for (const TiXmlAttribute* a = element->FirstAttribute(); a; a = a->Next()) {
            if (KyString(a->Name()).toLower() != "value" || !*a->Value())
                continue;
            KyString file;
            if (KyAdsIndex::nameOf(a->Value(), m_prefix, file) != KyAdsIndex::InSet || !KyAdsSet::isXmlName(file))
                return refuse("names no page of the advert set in " + said(element, a));
        }
        return true;
    }

    const KyPath& m_prefix;
    std::string& m_why;
};

} // namespace

bool KyAdsPageCheck::check(const TiXmlDocument& document, const KyPath& prefix, std::string& why)
{
    Walk walk(prefix, why);
    // Depth first in document order, without recursion (a reading may run
    // on a worker's stack); each element with its parent's full name.
    struct Item {
        const TiXmlElement* element;
        KyString parentName;
        bool root;
    };
    std::vector<Item> pending;
    auto pushChildren = [&pending](const TiXmlNode* parent, const KyString& name, bool root) {
        for (const TiXmlNode* child = parent->LastChild(); child; child = child->PreviousSibling()) {
            if (const TiXmlElement* element = child->ToElement())
                pending.push_back(Item{element, name, root});
        }
    };
    pushChildren(&document, KyString(), true);
    while (!pending.empty()) {
        const Item item = pending.back();
        pending.pop_back();
        const KyString tag = KyXMLGUI::tagOf(item.element);
        KyString name;
        if (!KyXMLGUI::fullName(item.element, tag, item.parentName, name))
            return walk.refuse("holds " + said(item.element, nullptr) + " named beyond what the interface loader reads");
        if (!walk.element(item.element, tag, name, item.root))
            return false;
        pushChildren(item.element, name, false);
    }
    return true;
}
