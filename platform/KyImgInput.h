#ifndef KY_IMG_INPUT_H
#define KY_IMG_INPUT_H

#include "core/KyStream.h"
#include "core/KyTypes.h"

#include <memory>
#include <vector>

struct z_stream_s;

// What every image reader needs to take sizes from untrusted data: the
// caps on picture sizes, exact reads, blocks read in growing steps (so a
// stated size never allocates more than about twice the bytes really there)
// and the zlib prefix form shared by PVR files and wrapped JPEG data, read
// as it is needed.
class KyImgInput {
public:
    // No picture is larger than this many pixel bytes (4096 x 4096 RGBA)
    // nor wider or higher than kMaxDimension.
    static const u64 kMaxPixelBytes = u64(64) << 20;
    static const u32 kMaxDimension = 65536;
    // A zlib-wrapped block is at most this large on either side.
    static const u64 kMaxBlockBytes = u64(64) << 20;

    // width x height x bits / 8 (truncating) in 64-bit arithmetic; false
    // when a dimension or the result is over the caps.
    static bool pixelBytes(u64 width, u64 height, u32 bitsPerPixel, u64& bytes);
    // The same against the caps alone, for a picture made rather than read
    // (the limit below does not hold for it).
    static bool madePixelBytes(u64 width, u64 height, u32 bitsPerPixel, u64& bytes);
    // rowBytes x height in 64-bit arithmetic, for a picture of width x
    // height pixels whose rows take rowBytes each (a reader's own row size,
    // which the caller computes in 64 bits as well); false when a dimension
    // or the result is over the caps.
    static bool rowsBytes(u64 width, u64 height, u64 rowBytes, u64& bytes);

    // While one lives, the pictures read on the thread that made it are held
    // to a smaller size than the caps: a picture wider or higher than
    // maxSide, or of more than maxPixels pixels, is refused by pixelBytes and
    // rowsBytes, so by every reader from its header, before any of it is
    // decoded. Pictures made (text, video frames) are not held to it.
    // Limits nest; the innermost one holds.
    class Limit {
    public:
        Limit(u32 maxSide, u64 maxPixels);
        ~Limit();
        Limit(const Limit&) = delete;
        Limit& operator=(const Limit&) = delete;

        // Whether a picture was refused by this limit (and not by the caps).
        bool refused() const { return m_refused; }
        // Whether a picture of that size is within the limit of the calling
        // thread (true without one); a picture that is not is recorded.
        static bool allows(u64 width, u64 height);

    private:
        u32 m_maxSide;
        u64 m_maxPixels;
        bool m_refused;
        Limit* m_outer;
    };

    // Reads exactly n bytes; false when the stream ends first.
    static bool readExact(KyStream& stream, void* out, u64 n);
    // Reads a block of n bytes, growing the buffer only as bytes arrive.
    static bool readBlock(KyStream& stream, u64 n, std::vector<u8>& out);
    // Whether the stream holds a byte at the absolute offset (the position
    // is kept): a cheap test that a stated size is really there before a
    // buffer of that size is allocated.
    static bool hasByteAt(KyStream& stream, u64 offset);
    // Writes n bytes of data, or n zero bytes when data is null.
    static void writeOrZeros(KyStream& stream, const u8* data, u64 n);

    // The prefix form: u32 compressed size n, u32 decompressed size m, then
    // n bytes of zlib data whose inflation gives exactly m bytes. The block
    // is inflated as its reader asks for it, so that reading a picture costs
    // what the picture needs of it and never what the block states.
    class ZlibBlock {
    public:
        explicit ZlibBlock(KyStream& stream);
        ~ZlibBlock();
        ZlibBlock(const ZlibBlock&) = delete;
        ZlibBlock& operator=(const ZlibBlock&) = delete;

        // Reads the prefix: false for a short one, sizes over the caps, a
        // stated size that deflate cannot reach from n bytes, or n bytes far
        // more than deflate needs for it.
        bool open();
        // The stated decompressed size, and how much of it was inflated.
        u64 size() const { return m_size; }
        u64 position() const { return m_produced; }
        // Inflates the next n bytes into out (discarded when out is null);
        // false when the data cannot give them within the stated size.
        bool read(u8* out, u64 n);
        // Inflates the rest of the stated size and checks that the data ends
        // exactly there and that the whole compressed block is in the
        // stream; the stream then stands right after the block.
        bool finish();

    private:
        // More packed bytes for zlib once it has used those it had; false
        // when the stream ends first.
        bool refill();

        KyStream& m_stream;
        u32 m_start;
        u64 m_packedSize;
        u64 m_size;
        u64 m_packedRead;
        u64 m_produced;
        bool m_ended;
        bool m_started;
        std::vector<u8> m_input;
        std::vector<u8> m_scratch;
        std::unique_ptr<z_stream_s> m_z;
    };

    // Little-endian words from a byte array.
    static u32 le32(const u8* p) { return u32(p[0]) | u32(p[1]) << 8 | u32(p[2]) << 16 | u32(p[3]) << 24; }
    static u16 le16(const u8* p) { return static_cast<u16>(p[0] | p[1] << 8); }
};

#endif
