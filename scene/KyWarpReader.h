#ifndef KY_WARP_READER_H
#define KY_WARP_READER_H

#include "core/KyStream.h"
#include "core/KyString.h"
#include "core/KyTypes.h"
#include "scene/KyWarp.h"
#include "scene/KyWarpBloc.h"

#include <memory>

// Reads the tables of a ".wp" panorama file into a result of its own, so
// that nothing of a panorama changes until the whole file has been read and
// found sound. The pictures are not read: each tile records where its
// picture starts.
//
// Layout (little-endian): 6 signature bytes; u32 data base; u8 format
// length n and n bytes of picture format; u32 face columns X, face rows Y,
// animation count A, animation columns and rows, pick columns and rows; six
// face runs (u8 face, X x Y tile entries); A animations. A tile entry is u16
// column, u16 row, u32 picture offset from the data base. An animation is 4
// name bytes, u32 frame count F, u8 group count G, then F frames of G
// groups; a group is u32 tile count n (0 ends the group), u8 face, n tile
// entries (animation grid), u32 pick-quad count m and m (u16 column, u16
// row) cells of the pick grid.
//
// Every count is checked against the bytes left before anything is made
// for it, so a damaged file costs memory in proportion to its size.
class KyWarpReader {
public:
    struct Result {
        Result();

        KyString textureFormat;
        u32 cubeColumns;
        u32 cubeRows;
        u32 animationColumns;
        u32 animationRows;
        u32 pickColumns;
        u32 pickRows;
        u32 animationCount;
        std::unique_ptr<KyWarpBloc[]> cubeTiles;
        std::unique_ptr<KyWarp::AnimData[]> animations;
    };

    // Frames of animations without tile groups take no bytes in the file:
    // the whole file may hold at most this many of them.
    static const u32 MaxEmptyFrames = 65536;

    // Reads size bytes from the stream's current position; abort, when
    // given, is tested before every pass of every loop.
    KyWarpReader(KyStream& stream, u32 size, const bool* abort = nullptr);

    // True when the whole file was read and found sound; otherwise error()
    // says what was wrong and the result is to be thrown away.
    bool read(Result& result);
    const KyString& error() const { return m_error; }

    // Whether the image loader reads pictures of that type word
    // (KyImg::isPictureType).
    static bool isKnownFormat(const KyString& format);

private:
    bool fail(const char* format, ...)
#if defined(__GNUC__)
        __attribute__((format(printf, 2, 3)))
#endif
        ;
    bool aborted();
    // False (with the error set) when fewer than n bytes are left.
    bool need(u64 n, const char* what);
    bool readBytes(void* out, u32 n);
    bool readU8(u8& value);
    bool readU16(u16& value);
    bool readU32(u32& value);

    bool readHeader(Result& result);
    bool readGrid(u32& columns, u32& rows, const char* what, bool powerOfTwo);
    bool readCube(Result& result);
    bool readAnimation(const Result& result, KyWarp::AnimData& animation);
    bool readFrame(const Result& result, KyWarp::AnimData& animation, KyWarp::Frame& frame);
    // One tile entry placed on face in a columns x rows grid.
    bool readTile(KyWarpBloc& tile, u32 face, u32 columns, u32 rows);
    bool readFace(u32& face);

    KyStream& m_stream;
    u64 m_size;
    u64 m_consumed;
    const bool* m_abort;
    u32 m_dataBase;
    u32 m_emptyFramesLeft;
    KyString m_error;
};

#endif
