#ifndef KY_PVR_H
#define KY_PVR_H

#include "core/KyStream.h"
#include "core/KyString.h"
#include "core/KyTypes.h"
#include "platform/KyImgResult.h"

// Reader of zlib-wrapped PVR textures: u32 compressed size, u32 decompressed
// size, then zlib data that inflates to a PVR texture with the legacy
// 52-byte header. Only the first surface is kept. PVRTC 2 bits per pixel
// gives format 8 (9 with alpha), 4 bits per pixel format 10 (11 with alpha);
// a bordered texture gets a border of 8 x 4 or 4 x 4 pixels. Damaged data
// yields format 13 and no pixels, and so does a block that states far more
// than its first surface and a cube's worth of mipmaps (its
// KyImgInput::Budget): the header is inflated first, so the work is bounded
// by the surface it names. The stream then stands right after the block.
class KyPvr : public KyImgResult {
public:
    KyPvr();
    ~KyPvr() override;

    void LoadFromFile(const KyString& path);
    void LoadFromStream(KyStream& stream);
};

#endif
