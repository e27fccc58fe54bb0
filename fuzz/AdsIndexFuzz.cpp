// Fuzzes the reading of an advert set's XML file: every name it keeps must
// be a safe name inside the advert folder, listed once.

#include "core/KyArray.h"
#include "core/KyString.h"
#include "net/KyAdsIndex.h"

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
    return 0;
}
