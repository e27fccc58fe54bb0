#include "scene/KyWarpReader.h"

#include "platform/KyImg.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

namespace {

const u32 kSignatureBytes = 6;
const u32 kTileEntryBytes = 8;
const u32 kPickCellBytes = 4;
// Name, frame count and group count of an animation record.
const u32 kAnimationHeaderBytes = 9;

bool isPowerOfTwo(u32 v)
{
    return v != 0 && (v & (v - 1)) == 0;
}

} // namespace

KyWarpReader::Result::Result()
    : cubeColumns(0), cubeRows(0), animationColumns(0), animationRows(0), pickColumns(0), pickRows(0),
      animationCount(0)
{
}

KyWarpReader::KyWarpReader(KyStream& stream, u32 size, const bool* abort)
    : m_stream(stream), m_size(size), m_consumed(0), m_abort(abort), m_dataBase(0),
      m_emptyFramesLeft(MaxEmptyFrames)
{
}

bool KyWarpReader::isKnownFormat(const KyString& format)
{
    return KyImg::isPictureType(format);
}

bool KyWarpReader::fail(const char* format, ...)
{
    char text[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    m_error = text;
    return false;
}

bool KyWarpReader::aborted()
{
    if (m_abort && *m_abort)
        return fail("load aborted");
    return false;
}

bool KyWarpReader::need(u64 n, const char* what)
{
    if (n > m_size - m_consumed)
        return fail("%s need %llu bytes, %llu left at offset %llu", what, static_cast<unsigned long long>(n),
                    static_cast<unsigned long long>(m_size - m_consumed),
                    static_cast<unsigned long long>(m_consumed));
    return true;
}

bool KyWarpReader::readBytes(void* out, u32 n)
{
    if (!need(n, "read"))
        return false;
    if (n > 0 && m_stream.read(out, n) != n)
        return fail("short read at offset %llu", static_cast<unsigned long long>(m_consumed));
    m_consumed += n;
    return true;
}

bool KyWarpReader::readU8(u8& value)
{
    return readBytes(&value, 1);
}

bool KyWarpReader::readU16(u16& value)
{
    u8 b[2];
    if (!readBytes(b, 2))
        return false;
    value = static_cast<u16>(b[0] | b[1] << 8);
    return true;
}

bool KyWarpReader::readU32(u32& value)
{
    u8 b[4];
    if (!readBytes(b, 4))
        return false;
    value = u32(b[0]) | u32(b[1]) << 8 | u32(b[2]) << 16 | u32(b[3]) << 24;
    return true;
}

bool KyWarpReader::read(Result& result)
{
    if (!readHeader(result) || !readCube(result))
        return false;

    // Each animation record takes at least its header.
    if (!need(u64(result.animationCount) * kAnimationHeaderBytes, "animation records"))
        return false;
    result.animations.reset(new KyWarp::AnimData[result.animationCount]);
    for (u32 a = 0; a < result.animationCount; ++a) {
        if (aborted() || !readAnimation(result, result.animations[a]))
            return false;
    }
    return true;
}

bool KyWarpReader::readGrid(u32& columns, u32& rows, const char* what, bool powerOfTwo)
{
    if (!readU32(columns) || !readU32(rows))
        return false;
    if (columns == 0 || rows == 0)
        return fail("%s grid %u x %u is empty", what, columns, rows);
    if (powerOfTwo && !(isPowerOfTwo(columns) && isPowerOfTwo(rows)))
        return fail("%s grid %u x %u does not cut a face into power-of-two tiles", what, columns, rows);
    if (columns > 0xFFFFu || rows > 0xFFFFu)
        return fail("%s grid %u x %u is larger than its cells can address", what, columns, rows);
    return true;
}

bool KyWarpReader::readHeader(Result& result)
{
    u8 signature[kSignatureBytes];
    u8 formatLength = 0;
    if (!readBytes(signature, kSignatureBytes) || !readU32(m_dataBase) || !readU8(formatLength))
        return false;
    char format[256];
    if (!readBytes(format, formatLength))
        return false;
    result.textureFormat = KyString(format, formatLength);
    if (!isKnownFormat(result.textureFormat))
        return fail("unknown picture format \"%s\"", result.textureFormat.c_str());

    u32 animations = 0;
    if (!readGrid(result.cubeColumns, result.cubeRows, "face", true) || !readU32(animations) ||
        !readGrid(result.animationColumns, result.animationRows, "animation", true) ||
        !readGrid(result.pickColumns, result.pickRows, "pick", false))
        return false;
    result.animationCount = animations;
    return true;
}

bool KyWarpReader::readFace(u32& face)
{
    u8 index = 0;
    if (!readU8(index))
        return false;
    if (index > 5)
        return fail("face index %u above 5", index);
    face = index;
    return true;
}

bool KyWarpReader::readTile(KyWarpBloc& tile, u32 face, u32 columns, u32 rows)
{
    u16 column = 0;
    u16 row = 0;
    u32 offset = 0;
    if (!readU16(column) || !readU16(row) || !readU32(offset))
        return false;
    if (column >= columns || row >= rows)
        return fail("tile cell (%u, %u) outside the %u x %u grid", column, row, columns, rows);
    const u64 position = u64(m_dataBase) + offset;
    if (position >= m_size)
        return fail("tile picture at %llu past the end of the file (%llu bytes)",
                    static_cast<unsigned long long>(position), static_cast<unsigned long long>(m_size));
    tile.setImagePosition(static_cast<u32>(position));
    tile.setFace(face, column, row, columns, rows);
    return true;
}

bool KyWarpReader::readCube(Result& result)
{
    const u64 perFace = u64(result.cubeColumns) * result.cubeRows;
    if (!need(6 * (1 + perFace * kTileEntryBytes), "face runs"))
        return false;
    result.cubeTiles.reset(new KyWarpBloc[6 * perFace]);
    KyWarpBloc* tile = result.cubeTiles.get();
    for (u32 run = 0; run < 6; ++run) {
        u32 face = 0;
        if (aborted() || !readFace(face))
            return false;
        for (u64 i = 0; i < perFace; ++i, ++tile) {
            if (aborted() || !readTile(*tile, face, result.cubeColumns, result.cubeRows))
                return false;
        }
    }
    return true;
}

bool KyWarpReader::readAnimation(const Result& result, KyWarp::AnimData& animation)
{
    char name[4];
    u32 frames = 0;
    u8 groups = 0;
    if (!readBytes(name, 4) || !readU32(frames) || !readU8(groups))
        return false;
    animation.name = KyString(name, 4);
    animation.groupCount = groups;
    // A group takes at least its tile count; frames without groups take
    // nothing and have a budget of their own.
    if (groups > 0) {
        if (!need(u64(frames) * groups * 4, "animation frames"))
            return false;
    } else {
        if (frames > m_emptyFramesLeft)
            return fail("animation \"%s\" has %u frames without tiles, more than the file may hold",
                        animation.name.c_str(), frames);
        m_emptyFramesLeft -= frames;
    }
    animation.frameCount = frames;
    animation.frames.reset(new KyWarp::Frame[frames]);
    for (u32 f = 0; f < frames; ++f) {
        if (aborted() || !readFrame(result, animation, animation.frames[f]))
            return false;
    }
    return true;
}

bool KyWarpReader::readFrame(const Result& result, KyWarp::AnimData& animation, KyWarp::Frame& frame)
{
    std::vector<KyWarpBloc> tiles;
    bool meshNamed = false;
    for (u32 g = 0; g < animation.groupCount; ++g) {
        u32 count = 0;
        if (aborted() || !readU32(count))
            return false;
        if (count == 0)
            continue;
        u32 face = 0;
        if (!readFace(face) || !need(u64(count) * kTileEntryBytes + 4, "group tiles"))
            return false;
        const size_t first = tiles.size();
        tiles.resize(first + count);
        for (u32 t = 0; t < count; ++t) {
            if (aborted() || !readTile(tiles[first + t], face, result.animationColumns, result.animationRows))
                return false;
        }

        u32 quads = 0;
        if (!readU32(quads) || !need(u64(quads) * kPickCellBytes, "pick quads"))
            return false;
        KyPickMesh mesh;
        mesh.setName(animation.name);
        mesh.setEnabled(false);
        mesh.allocate(2 * quads);
        for (u32 q = 0; q < quads; ++q) {
            u16 column = 0;
            u16 row = 0;
            if (aborted() || !readU16(column) || !readU16(row))
                return false;
            if (column >= result.pickColumns || row >= result.pickRows)
                return fail("pick cell (%u, %u) outside the %u x %u grid", column, row, result.pickColumns,
                            result.pickRows);
            KyVector3f32 c[4];
            KyWarpBloc::cellCorners(face, column, row, result.pickColumns, result.pickRows, c);
            mesh.setTriangle(2 * q, c[0], c[1], c[3]);
            mesh.setTriangle(2 * q + 1, c[1], c[2], c[3]);
        }
        // The first group's mesh becomes the frame's (name, triangles,
        // disabled); later ones add their triangles.
        if (meshNamed) {
            frame.pickMesh += mesh;
        } else {
            frame.pickMesh = mesh;
            meshNamed = true;
        }
    }
    frame.tileCount = static_cast<u32>(tiles.size());
    frame.tiles.reset(new KyWarpBloc[tiles.size()]);
    for (size_t i = 0; i < tiles.size(); ++i)
        frame.tiles[i] = tiles[i];
    return true;
}
