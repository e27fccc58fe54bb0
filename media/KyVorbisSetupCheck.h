#ifndef KY_VORBIS_SETUP_CHECK_H
#define KY_VORBIS_SETUP_CHECK_H

#include <vector>

#include "core/KyString.h"
#include "core/KyTypes.h"

// Walks the identification and setup headers of a Vorbis stream as the
// Vorbis I format lays them out (codebooks, time-domain placeholders, floors
// of types 0 and 1, residues of types 0 to 2, mappings, modes, framing bit)
// before the decoder library is given any audio of the stream.
//
// It refuses what the format calls undecodable (an end of packet inside the
// header, a book, floor, residue, mapping or submap number out of range, a
// reserved field that is not zero, a coupling step between a channel and
// itself, a floor 1 position list that is too long or repeats a position,
// codeword lengths that overfill or do not fill their code tree) and what
// the library does not guard against: a codebook of dimension 0
// used by a residue (as its classification book or as a stage book) or by a
// type 0 floor, where the library divides by the dimension or loops on it,
// and a codebook without values used as a vector book, whose missing values
// it would read. Whatever passes is safe to hand to the library.
class KyVorbisSetupCheck {
public:
    // True when the two header packets (whole, with their type byte and
    // "vorbis") hold a stream the library decodes safely; otherwise false,
    // with what is wrong in reason.
    static bool check(const u8* identification, u32 identificationSize, const u8* setup,
                      u32 setupSize, KyString& reason);

private:
    struct Codebook {
        u32 dimensions;
        u32 entries;
        // 0: no values (scalar use only); 1 or 2: vector values.
        u32 lookupType;
    };

    KyVorbisSetupCheck(const u8* setup, u32 size, u32 channels);

    // Reads bits least significant first, as Vorbis packs them; past the end
    // of the packet it reads 0 and remembers the overrun.
    u32 read(u32 bits);
    // Skips bits (the values of a codebook), remembering an overrun.
    void skip(u64 bits);

    bool walk();
    bool readCodebooks();
    bool readCodebook(u32 index);
    bool readCodebookLengths(u32 index, u32 entries);
    bool readTimeDomain();
    bool readFloors();
    bool readFloor0(u32 index);
    bool readFloor1(u32 index);
    bool readResidues();
    bool readResidue(u32 index);
    bool readMappings();
    bool readMapping(u32 index);
    bool readModes();

    // A book number the stream refers to: false (with the reason) when there
    // is no such book.
    bool bookExists(u32 book, const char* user, u32 userIndex);
    // A book used as a vector book: false (with the reason) when it has no
    // dimension or no values.
    bool vectorBook(u32 book, const char* user, u32 userIndex);
    // Sets the reason; always false, so that callers can return it.
    bool fail(const char* format, ...)
#if defined(__GNUC__)
        __attribute__((format(printf, 2, 3)))
#endif
        ;
    // The reason for an end of packet inside the header, or false when the
    // reads so far stayed inside it.
    bool overran(const char* where);

    // The greatest number v with v to the power dimensions not above
    // entries: the value count of a lookup type 1 codebook.
    static u64 lookup1Values(u32 entries, u32 dimensions);
    // The number of bits needed to write value.
    static u32 ilog(u32 value);

    const u8* m_data;
    u64 m_sizeBits;
    u64 m_position;
    bool m_overrun;
    u32 m_channels;
    std::vector<Codebook> m_books;
    u32 m_floorCount;
    u32 m_residueCount;
    u32 m_mappingCount;
    KyString m_reason;
};

#endif
