// One libFuzzer target per image reader (KY_FUZZ_TYPE is the type word given
// to KyImg::loadFromStream), and two for the image and palette stream forms.
// Whatever the input, the result is no image or an image whose pixel block
// covers what the writers touch; the writers then run over it. A picture
// read again under an allowance of bytes one short of what it took runs out
// of it.

#include "core/KyString.h"
#include "platform/KyImg.h"
#include "platform/KyImgInput.h"
#include "platform/KyPalette.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

void require(bool holds)
{
    if (!holds)
        __builtin_trap();
}

void exercise(KyImg& img, bool fromReader)
{
    if (img.pixels() == nullptr) {
        if (fromReader)
            require(img.format() == 13 && img.width() == 0 && img.height() == 0);
        return;
    }
    s32 f = img.format();
    if (f <= 7 || f == 12)
        require(img.allocatedBytes() >= u64(img.width()) * img.height() * KyImg::storageBytesPerPixel(f));
    u32 w = img.width() < 32 ? img.width() : 32;
    u32 h = img.height() < 32 ? img.height() : 32;
    std::vector<u8> block(size_t(w) * h * 4 + 1, 1);
    img.readRect(-2, -2, block.data(), w, h);
    img.writeRect(static_cast<s32>(img.width()) - 3, 1, block.data(), w, h);
    img.drawGlyph(-1, static_cast<s32>(img.height()) - 2, block.data(), w, h, 0, 3);
    img.fill(1, 2, 3, 4);
    img.clear(0);
    KyString out(static_cast<const char*>(nullptr));
    require(img.serialize(out) == out.length());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    KyString stream;
    stream.assign(reinterpret_cast<const char*>(data), static_cast<u32>(size));
    stream.setTextMode(0);
    stream.seek(0);
    const char* type = KY_FUZZ_TYPE;
    if (std::strcmp(type, "palette") == 0) {
        KyPalette palette;
        palette.deserialize(stream);
        if (palette.data() != nullptr)
            for (u32 i = 0; i < 256; ++i)
                palette.setColor(i, KyColor(1, 2, 3, 4));
        return 0;
    }
    KyImg img;
    if (std::strcmp(type, "image") == 0) {
        img.deserialize(stream);
        exercise(img, false);
    } else {
        const u64 most = KyImgInput::Limit::kAnyBytes - 1;
        u64 taken = 0;
        {
            KyImgInput::Limit measure(KyImgInput::kMaxDimension, most, most);
            img.loadFromStream(stream, type);
            taken = most - measure.bytesLeft();
        }
        require(stream.tell() <= size);
        if (img.pixels() != nullptr && taken > 0) {
            stream.seek(0);
            KyImgInput::Limit shortOf(KyImgInput::kMaxDimension, most, taken - 1);
            KyImg again;
            again.loadFromStream(stream, type);
            require(shortOf.ranOutOfBytes());
        }
        exercise(img, true);
    }
    return 0;
}
