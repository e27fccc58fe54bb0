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

    class Budget;

    // While one lives, the pictures read on the thread that made it are held
    // to a smaller size than the caps: a picture wider or higher than
    // maxSide, or of more than maxPixels pixels, is refused by pixelBytes and
    // rowsBytes, so by every reader from its header, before any of it is
    // decoded. Pictures made (text, video frames) are not held to it. For
    // sizes, limits nest and the innermost one holds.
    //
    // With maxBytes, the limit also holds an allowance of bytes shared by
    // every picture read on the thread while it lives (inner limits
    // included): the bytes the readers take from their streams are spent
    // from it (a JPEG's read window counts only what its decoder used), and
    // a reading that would pass it is refused before it reads them.
    class Limit {
    public:
        static constexpr u64 kAnyBytes = ~u64(0);

        Limit(u32 maxSide, u64 maxPixels, u64 maxBytes = kAnyBytes);
        ~Limit();
        Limit(const Limit&) = delete;
        Limit& operator=(const Limit&) = delete;

        // Whether a picture was refused by this limit (and not by the caps).
        bool refused() const { return m_refused; }
        // Whether a reading was refused because this limit's allowance was
        // spent.
        bool ranOutOfBytes() const { return m_ranOut; }
        // What is left of the allowance (kAnyBytes without one).
        u64 bytesLeft() const { return m_bytesLeft; }
        // Whether a picture of that size is within the limit of the calling
        // thread (true without one); a picture that is not is recorded.
        static bool allows(u64 width, u64 height);
        // Whether the innermost limit of the calling thread allows no pixel
        // at all, so that no picture can be read under it: KyImg::load then
        // opens no file.
        static bool readsNothing();

    private:
        friend class KyImgInput;
        // Spends n bytes from every allowance of the thread; false, and the
        // limits it would pass record it, when one has less left.
        static bool spendBytes(u64 n);
        static void giveBackBytes(u64 n);
        // The least any allowance of the thread has left.
        static u64 leastLeft();

        u32 m_maxSide;
        u64 m_maxPixels;
        u64 m_maxBytes;
        u64 m_bytesLeft;
        bool m_refused;
        bool m_ranOut;
        Limit* m_outer;
    };

    // What reading one picture may cost: every reader spends it, and it is
    // the one place that bounds a picture's data by its pixels. Spent are
    // the bytes of the picture's data handed to its decoder (read from the
    // stream, or inflated from a zlib block); until the header gives the
    // picture's size a reading may spend its kind's base, then the base and
    // a multiple of the picture's raw bytes:
    //   Png   4 MiB + 2 x its raw rows (filter bytes included)
    //   Jpeg  8 MiB + 4 x its samples
    //   Pvr   64 KiB + the header + 9 x its first surface
    // (BMP and TGA read their header, palette and pixels and nothing else:
    // they need no budget.) The bytes taken from the stream also spend the
    // allowance of the thread's limits. A reading that would pass either is
    // refused before it reads, and so is one a reader refuses for its own
    // reason (a JPEG's scans); the first refusal logs one line:
    //   "<reader>: picture refused, <reason>\n"
    class Budget {
    public:
        enum Kind { Png, Jpeg, Pvr };

        // reader names the reader in the log line.
        Budget(Kind kind, const char* reader);
        Budget(const Budget&) = delete;
        Budget& operator=(const Budget&) = delete;

        // The picture's size is known: rawBytes are its raw rows (PNG),
        // samples (JPEG) or first surface (PVR).
        void setPicture(u64 rawBytes);
        // Reads exactly n bytes of the picture's data from the stream and
        // spends them; false for a refusal or a stream that ends first.
        bool read(KyStream& stream, void* out, u64 n);
        // Reads up to n bytes of the data, as many as the stream holds and
        // the budget allows, and spends them; got is 0 at the stream's end.
        // False, refused, when the budget allows no more.
        bool readSome(KyStream& stream, u8* out, u32 n, u32& got);
        // n more bytes of the picture's data that the stream does not give
        // as they are (inflated from a zlib block, or a block's stated size).
        bool spend(u64 n);
        // Reads exactly n bytes that are not the picture's data as such (a
        // zlib block's prefix and packed bytes): they spend the allowance
        // only. False for a refusal or a stream that ends first.
        bool readPacked(KyStream& stream, void* out, u64 n);
        // Bytes read and spent but not used (a read window's rest, given
        // back to the stream).
        void giveBack(u64 n);
        // Refuses the picture for a reason of the reader's own.
        void refuse(const char* reason);
        bool refused() const { return m_refused; }

    private:
        // How many more bytes of data the stream may give.
        u64 room() const;
        bool refuseOver(u64 n);
        // n more bytes taken from the stream, spent from the allowance.
        bool take(u64 n);

        Kind m_kind;
        const char* m_reader;
        u64 m_bound;
        u64 m_spent;
        bool m_refused;
    };

    // Reads exactly n bytes; false when the stream ends first. The bytes are
    // spent from the allowance of the thread's limits (the readers that
    // have no budget of their own, BMP and TGA, read through it): false,
    // with a log line, when one has less left.
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
    // Its prefix and packed bytes are taken from the stream through the
    // reader's budget.
    class ZlibBlock {
    public:
        ZlibBlock(KyStream& stream, Budget& budget);
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
        Budget& m_budget;
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

private:
    // readExact without the allowance, for the budget, which spends it.
    static bool readAll(KyStream& stream, void* out, u64 n);
};

#endif
