#include "platform/KyPvr.h"

#include "core/KyFile.h"
#include "core/KyLog.h"
#include "platform/KyImgInput.h"

namespace {

const u32 kHeaderSize = 52;
const u32 kFlagBordered = 0x800;

} // namespace

KyPvr::KyPvr() {}

KyPvr::~KyPvr() {}

void KyPvr::LoadFromFile(const KyString& path)
{
    resetResult();
    KyFile file;
    if (!file.Open_2(path, KyFile::ModeRead)) {
        logPrint("[KyPvr::LoadFromFile] Le fichier : %s n'existe pas.\n", path.c_str());
        return;
    }
    LoadFromStream(file);
    file.close();
}

void KyPvr::LoadFromStream(KyStream& stream)
{
    resetResult();
    KyImgInput::Budget budget(KyImgInput::Budget::Pvr, "KyPvr::LoadFromStream");
    KyImgInput::ZlibBlock block(stream, budget);
    u8 header[kHeaderSize];
    if (!block.open() || !budget.spend(kHeaderSize) || !block.read(header, kHeaderSize))
        return;
    u32 height = KyImgInput::le32(header + 4);
    u32 width = KyImgInput::le32(header + 8);
    u32 flags = KyImgInput::le32(header + 16);
    u32 bitsPerPixel = KyImgInput::le32(header + 24);
    u32 alphaMask = KyImgInput::le32(header + 40);

    // The surface must be there, and the picture must also fit the caps at
    // a byte a pixel, the size its stream form gives it. What follows the
    // first surface (mipmaps, the other faces of a cube) is inflated only to
    // check the block: the block's whole stated size is spent from the
    // budget before any of it is.
    u64 bytes = 0;
    u64 serial = 0;
    if (!KyImgInput::pixelBytes(width, height, bitsPerPixel, bytes) || bytes == 0 ||
        bytes > block.size() - kHeaderSize || !KyImgInput::pixelBytes(width, height, 8, serial))
        return;
    budget.setPicture(bytes);
    if (!budget.spend(block.size() - kHeaderSize))
        return;
    // The first surface only; its bytes are kept even for a kind that has
    // no format code.
    if (!block.read(allocatePixels(bytes), bytes) || !block.finish()) {
        resetResult();
        return;
    }

    s32 format = 13;
    u32 pixelType = flags & 0xFF;
    if (pixelType == 0x18 && alphaMask <= 1)
        format = alphaMask == 0 ? 8 : 9;
    else if (pixelType == 0x19 && alphaMask <= 1)
        format = alphaMask == 0 ? 10 : 11;
    if (flags & kFlagBordered) {
        if (format == 8 || format == 9) {
            m_borderWidth = 8;
            m_borderHeight = 4;
        } else if (format == 10 || format == 11) {
            m_borderWidth = 4;
            m_borderHeight = 4;
        }
    }
    m_width = width;
    m_height = height;
    m_format = format;
}
