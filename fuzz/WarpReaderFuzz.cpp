// Fuzzes the ".wp" panorama reader: the tables, then the pictures of the
// tiles they name, decoded as a tile decodes them (seek, picture of the
// file's format, the alpha picture of a pair merged in). Whatever the reader
// keeps must lie inside the file and inside its grids.

#include "core/KyString.h"
#include "platform/KyImg.h"
#include "scene/KyWarpBloc.h"
#include "scene/KyWarpReader.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

// Decoding is the slow part: a few tiles per input reach the decoders.
const u32 kDecodedTiles = 8;

void check(bool condition)
{
    if (!condition)
        std::abort();
}

void checkTile(const KyWarpBloc& tile, u32 size)
{
    check(tile.face() <= 5);
    check(tile.imagePosition() < size);
    for (u32 c = 0; c < 4; ++c) {
        const KyVector3f32 p = tile.corner(c);
        check(std::fabs(p.x) <= 500.0f && std::fabs(p.y) <= 500.0f && std::fabs(p.z) <= 500.0f);
    }
}

void decode(KyString& stream, const KyWarpBloc& tile, const KyString& format)
{
    if (!stream.seek(tile.imagePosition()))
        return;
    KyImg colour;
    colour.loadFromStream(stream, format);
    if (format == "jpeg" || format == "jpeg.zlib") {
        KyImg alpha;
        alpha.loadFromStream(stream, format);
        KyImg rgba;
        if (KyWarpBloc::mergeAlpha(colour, &alpha, rgba))
            check(rgba.format() == 6 && rgba.width() == colour.width());
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (1u << 20))
        return 0;
    KyString stream;
    stream.assign(reinterpret_cast<const char*>(data), static_cast<u32>(size));
    stream.setTextMode(0);
    stream.seek(0);
    KyWarpReader reader(stream, static_cast<u32>(size));
    KyWarpReader::Result result;
    if (!reader.read(result)) {
        check(!reader.error().isEmpty());
        return 0;
    }
    check(KyWarpReader::isKnownFormat(result.textureFormat));
    const u32 cubeTiles = 6 * result.cubeColumns * result.cubeRows;
    u32 decoded = 0;
    for (u32 i = 0; i < cubeTiles; ++i) {
        checkTile(result.cubeTiles[i], static_cast<u32>(size));
        check(result.cubeTiles[i].column() < result.cubeColumns && result.cubeTiles[i].row() < result.cubeRows);
        if (decoded++ < kDecodedTiles)
            decode(stream, result.cubeTiles[i], result.textureFormat);
    }
    for (u32 a = 0; a < result.animationCount; ++a) {
        const KyWarp::AnimData& animation = result.animations[a];
        check(animation.name.length() == 4);
        for (u32 f = 0; f < animation.frameCount; ++f) {
            const KyWarp::Frame& frame = animation.frames[f];
            check(!frame.pickMesh.isEnabled());
            check(frame.pickMesh.triangleCount % 2 == 0);
            for (u32 t = 0; t < frame.tileCount; ++t) {
                checkTile(frame.tiles[t], static_cast<u32>(size));
                if (decoded++ < kDecodedTiles)
                    decode(stream, frame.tiles[t], result.textureFormat);
            }
        }
    }
    return 0;
}
