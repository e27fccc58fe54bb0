// Fuzzes the reading of an advert set's XML file: every name it keeps must
// be a safe name inside the advert folder, listed once; and the check of
// what a page may hold walks any document that parses, to its end or its
// first refusal, which it says.

#include "core/KyArray.h"
#include "core/KyPath.h"
#include "core/KyString.h"
#include "core/KyXmlDocument.h"
#include "net/KyAdsIndex.h"
#include "net/KyAdsPageCheck.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (1u << 20))
        return 0;
    KyArray<KyString> names;
    KyAdsIndex::readText(reinterpret_cast<const char*>(data), static_cast<u32>(size), KyString("Backup/Ads"), names,
                         KyString("fuzz.xml"));
    std::set<std::string> seen;
    for (u32 i = 0; i < names.count(); ++i) {
        if (!KyAdsIndex::isSafeName(names[i]))
            std::abort();
        if (!seen.insert(names[i].c_str()).second)
            std::abort();
    }
    const std::string text(reinterpret_cast<const char*>(data), size);
    KyXmlDocument document;
    if (document.parse(text.c_str())) {
        std::string why;
        if (!KyAdsPageCheck::check(document, KyPath("Backup/Ads"), why) && why.empty())
            std::abort();
    }
    return 0;
}
