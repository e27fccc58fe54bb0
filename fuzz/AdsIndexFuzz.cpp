// Fuzzes the reading of an advert set's XML file: every name it keeps must
// be a safe name inside the advert folder, listed once.

#include "core/KyArray.h"
#include "core/KyString.h"
#include "net/KyAdsIndex.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (1u << 20))
        return 0;
    KyArray<KyString> names;
    KyAdsIndex::readText(reinterpret_cast<const char*>(data), static_cast<u32>(size), KyString("Backup/Ads"), names,
                         KyString("fuzz.xml"));
    for (u32 i = 0; i < names.count(); ++i) {
        if (!KyAdsIndex::isSafeName(names[i]))
            std::abort();
        for (u32 j = 0; j < i; ++j) {
            if (names[j] == names[i])
                std::abort();
        }
    }
    return 0;
}
