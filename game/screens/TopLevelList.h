#ifndef GAME_TOP_LEVEL_LIST_H
#define GAME_TOP_LEVEL_LIST_H

#include "core/KyString.h"
#include "core/KyTypes.h"
#include "core/KyXmlDocument.h"

#include <cstring>
#include <vector>

// What the documents list and the objects list read alike: the elements of
// one name at the top level of an XML file, each made into an entry, read
// whole before they replace the list in use, and captions looked up by id.
class TopLevelList {
public:
    // Reads the file and makes each top-level element named element into an
    // entry with read(const TiXmlElement&). On failure entries are left as
    // they were and error holds TinyXML's description, row and column
    // (counted from 1).
    template <class Entry, class Read>
    static bool load(const KyString& path, const char* element, std::vector<Entry>& entries, KyString& error,
                     s32& row, s32& column, Read read)
    {
        KyXmlDocument document;
        if (!document.loadFile(path)) {
            error = document.errorText();
            row = document.errorRow();
            column = document.errorColumn();
            return false;
        }
        std::vector<Entry> found;
        for (const TiXmlNode* node = document.FirstChild(); node; node = node->NextSibling()) {
            const TiXmlElement* each = node->ToElement();
            if (each && each->Value() && std::strcmp(each->Value(), element) == 0)
                found.push_back(read(*each));
        }
        entries.swap(found);
        return true;
    }

    // The field of the first entry of that id whose flag has is set (ids
    // compared byte for byte); empty when there is none.
    template <class Entry>
    static KyString first(const std::vector<Entry>& entries, const KyString& id, bool Entry::*has,
                          KyString Entry::*field)
    {
        for (const Entry& entry : entries) {
            if (entry.*has && entry.id == id)
                return entry.*field;
        }
        return KyString();
    }

private:
    TopLevelList() = delete;
};

#endif
