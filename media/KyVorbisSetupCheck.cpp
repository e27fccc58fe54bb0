#include "media/KyVorbisSetupCheck.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

// Type byte and "vorbis": the first seven bytes of every header packet.
bool hasHeaderMark(const u8* packet, u32 size, u8 type)
{
    return packet && size >= 7 && packet[0] == type && std::memcmp(packet + 1, "vorbis", 6) == 0;
}

u32 le32(const u8* p)
{
    return u32(p[0]) | u32(p[1]) << 8 | u32(p[2]) << 16 | u32(p[3]) << 24;
}

// The identification header: 30 bytes of fixed fields. Returns the reason it
// is refused, or null; channels receives its channel count.
const char* checkIdentification(const u8* packet, u32 size, u32& channels)
{
    if (!hasHeaderMark(packet, size, 1) || size < 30)
        return "no Vorbis identification header";
    channels = packet[11];
    const u32 rate = le32(packet + 12);
    const u32 shortBlock = packet[28] & 0x0F;
    const u32 longBlock = packet[28] >> 4;
    if (le32(packet + 7) != 0)
        return "unknown Vorbis version";
    if (channels == 0 || rate == 0)
        return "no channel or no sample rate";
    if (shortBlock < 6 || longBlock > 13 || shortBlock > longBlock)
        return "invalid block sizes";
    if ((packet[29] & 1) == 0)
        return "identification header framing bit not set";
    return nullptr;
}

} // namespace

bool KyVorbisSetupCheck::check(const u8* identification, u32 identificationSize, const u8* setup,
                               u32 setupSize, KyString& reason)
{
    u32 channels = 0;
    if (const char* error = checkIdentification(identification, identificationSize, channels)) {
        reason = error;
        return false;
    }
    if (!hasHeaderMark(setup, setupSize, 5)) {
        reason = "no Vorbis setup header";
        return false;
    }
    KyVorbisSetupCheck walker(setup + 7, setupSize - 7, channels);
    if (walker.walk())
        return true;
    reason = walker.m_reason;
    return false;
}

KyVorbisSetupCheck::KyVorbisSetupCheck(const u8* setup, u32 size, u32 channels)
    : m_data(setup)
    , m_sizeBits(u64(size) * 8)
    , m_position(0)
    , m_overrun(false)
    , m_channels(channels)
    , m_floorCount(0)
    , m_residueCount(0)
    , m_mappingCount(0)
{
}

u32 KyVorbisSetupCheck::read(u32 bits)
{
    if (bits == 0)
        return 0;
    if (m_sizeBits - m_position < bits) {
        m_position = m_sizeBits;
        m_overrun = true;
        return 0;
    }
    u32 value = 0;
    for (u32 done = 0; done < bits;) {
        const u32 shift = static_cast<u32>(m_position & 7);
        const u32 take = (8 - shift < bits - done) ? 8 - shift : bits - done;
        const u32 chunk = (m_data[m_position >> 3] >> shift) & ((1u << take) - 1);
        value |= chunk << done;
        done += take;
        m_position += take;
    }
    return value;
}

void KyVorbisSetupCheck::skip(u64 bits)
{
    if (m_sizeBits - m_position < bits) {
        m_position = m_sizeBits;
        m_overrun = true;
        return;
    }
    m_position += bits;
}

bool KyVorbisSetupCheck::fail(const char* format, ...)
{
    char text[160];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    m_reason = text;
    return false;
}

bool KyVorbisSetupCheck::overran(const char* where)
{
    if (!m_overrun)
        return false;
    fail("setup header ends inside %s", where);
    return true;
}

u32 KyVorbisSetupCheck::ilog(u32 value)
{
    u32 bits = 0;
    while (value) {
        ++bits;
        value >>= 1;
    }
    return bits;
}

u64 KyVorbisSetupCheck::lookup1Values(u32 entries, u32 dimensions)
{
    // A book without dimension has no values (the library reads none).
    if (dimensions == 0 || entries == 0)
        return 0;
    // Whether v to the power dimensions stays at most entries; the product
    // passes entries (below 2^24) after a few factors when v > 1.
    auto fits = [entries, dimensions](u64 v) {
        u64 product = 1;
        for (u32 i = 0; i < dimensions && v > 1; ++i) {
            product *= v;
            if (product > entries)
                return false;
        }
        return true;
    };
    u64 low = 1;
    u64 high = entries;
    while (low < high) {
        const u64 middle = low + (high - low + 1) / 2;
        if (fits(middle))
            low = middle;
        else
            high = middle - 1;
    }
    return low;
}

bool KyVorbisSetupCheck::walk()
{
    if (!readCodebooks() || !readTimeDomain() || !readFloors() || !readResidues() ||
        !readMappings() || !readModes())
        return false;
    const u32 framing = read(1);
    if (overran("the framing bit"))
        return false;
    if (framing != 1)
        return fail("setup header framing bit not set");
    return true;
}

bool KyVorbisSetupCheck::readCodebooks()
{
    const u32 count = read(8) + 1;
    if (overran("the codebook count"))
        return false;
    m_books.reserve(count);
    for (u32 i = 0; i < count; ++i)
        if (!readCodebook(i))
            return false;
    return true;
}

bool KyVorbisSetupCheck::readCodebook(u32 index)
{
    const u32 sync = read(24);
    Codebook book;
    book.dimensions = read(16);
    book.entries = read(24);
    if (overran("a codebook"))
        return false;
    if (sync != 0x564342)
        return fail("codebook %u has no sync pattern", index);
    if (!readCodebookLengths(index, book.entries))
        return false;

    book.lookupType = read(4);
    if (book.lookupType > 2)
        return fail("codebook %u has lookup type %u", index, book.lookupType);
    if (book.lookupType != 0) {
        read(32); // minimum value
        read(32); // delta value
        const u32 valueBits = read(4) + 1;
        read(1); // sequence flag
        const u64 values = book.lookupType == 1 ? lookup1Values(book.entries, book.dimensions)
                                                : u64(book.entries) * book.dimensions;
        skip(values * valueBits);
    }
    if (overran("a codebook"))
        return false;
    m_books.push_back(book);
    return true;
}

bool KyVorbisSetupCheck::readCodebookLengths(u32 index, u32 entries)
{
    // Share of the code tree the codewords take, in units of 2^-32; the
    // library builds no decoder for a book whose codewords do not fill the
    // tree exactly, and a decoder it could not build must never be run.
    u64 space = 0;
    u32 used = 0;
    if (read(1) == 0) {
        // Unordered: one length per entry, each entry optionally unused.
        const bool sparse = read(1) != 0;
        for (u32 i = 0; i < entries && !m_overrun; ++i) {
            if (sparse && read(1) == 0)
                continue;
            space += u64(1) << (32 - (read(5) + 1));
            ++used;
        }
    } else {
        // Ordered: runs of entries of growing lengths.
        u32 length = read(5) + 1;
        for (u32 entry = 0; entry < entries && !m_overrun; ++length) {
            // Codewords are at most 32 bits long.
            if (length > 32)
                return fail("codebook %u has codewords longer than 32 bits", index);
            const u32 run = read(ilog(entries - entry));
            if (run > entries - entry)
                return fail("codebook %u has more lengths than entries", index);
            entry += run;
            used += run;
            space += u64(run) << (32 - length);
        }
    }
    if (overran("a codebook's lengths"))
        return false;
    // A book of a single codeword reads it with no bits at all.
    if (used > 1 && space != u64(1) << 32)
        return fail("codebook %u codewords %s the code tree", index,
                    space > u64(1) << 32 ? "overfill" : "do not fill");
    return true;
}

bool KyVorbisSetupCheck::readTimeDomain()
{
    const u32 count = read(6) + 1;
    for (u32 i = 0; i < count; ++i)
        if (read(16) != 0)
            return fail("time-domain transform %u is not zero", i);
    return !overran("the time-domain transforms");
}

bool KyVorbisSetupCheck::readFloors()
{
    m_floorCount = read(6) + 1;
    for (u32 i = 0; i < m_floorCount; ++i) {
        const u32 type = read(16);
        if (overran("the floors"))
            return false;
        if (type > 1)
            return fail("floor %u has type %u", i, type);
        if (!(type == 0 ? readFloor0(i) : readFloor1(i)))
            return false;
    }
    return true;
}

bool KyVorbisSetupCheck::readFloor0(u32 index)
{
    const u32 order = read(8);
    const u32 rate = read(16);
    const u32 barkMapSize = read(16);
    read(6); // amplitude bits
    read(8); // amplitude offset
    const u32 bookCount = read(4) + 1;
    if (overran("a floor"))
        return false;
    // The bark map divides by the rate and sizes itself by the map size; the
    // order sizes the coefficient vector.
    if (order == 0 || rate == 0 || barkMapSize == 0)
        return fail("floor %u (type 0) has order, rate or bark map size 0", index);
    for (u32 i = 0; i < bookCount; ++i) {
        const u32 book = read(8);
        if (overran("a floor"))
            return false;
        if (!vectorBook(book, "floor", index))
            return false;
    }
    return true;
}

bool KyVorbisSetupCheck::readFloor1(u32 index)
{
    const u32 partitions = read(5);
    u32 partitionClass[31];
    u32 classCount = 0;
    for (u32 i = 0; i < partitions; ++i) {
        partitionClass[i] = read(4);
        if (partitionClass[i] + 1 > classCount)
            classCount = partitionClass[i] + 1;
    }
    u32 classDimensions[16];
    for (u32 c = 0; c < classCount; ++c) {
        classDimensions[c] = read(3) + 1;
        const u32 subclasses = read(2);
        if (subclasses != 0 && !bookExists(read(8), "floor", index))
            return false;
        for (u32 j = 0; j < (1u << subclasses); ++j) {
            // Stored plus one; 0 means the subclass reads no value.
            const u32 book = read(8);
            if (book != 0 && !bookExists(book - 1, "floor", index))
                return false;
        }
        if (overran("a floor"))
            return false;
    }
    read(2); // multiplier
    const u32 rangeBits = read(4);
    // Positions 0 and 1 << rangeBits come first, then those of each partition.
    std::vector<u32> positions = {0, 1u << rangeBits};
    for (u32 i = 0; i < partitions; ++i) {
        for (u32 j = 0; j < classDimensions[partitionClass[i]]; ++j) {
            if (positions.size() == 65)
                return fail("floor %u has more than 65 positions", index);
            positions.push_back(read(rangeBits));
        }
    }
    if (overran("a floor"))
        return false;
    for (size_t i = 0; i < positions.size(); ++i)
        for (size_t j = i + 1; j < positions.size(); ++j)
            if (positions[i] == positions[j])
                return fail("floor %u repeats position %u", index, positions[i]);
    return true;
}

bool KyVorbisSetupCheck::readResidues()
{
    m_residueCount = read(6) + 1;
    for (u32 i = 0; i < m_residueCount; ++i)
        if (!readResidue(i))
            return false;
    return true;
}

bool KyVorbisSetupCheck::readResidue(u32 index)
{
    const u32 type = read(16);
    read(24); // begin
    read(24); // end
    read(24); // partition size - 1
    const u32 classifications = read(6) + 1;
    const u32 classBook = read(8);
    if (overran("a residue"))
        return false;
    if (type > 2)
        return fail("residue %u has type %u", index, type);
    if (!bookExists(classBook, "residue", index))
        return false;
    // Each classification word holds as many partitions' classes as the
    // book has dimensions: the library divides by it.
    if (m_books[classBook].dimensions == 0)
        return fail("residue %u classification codebook %u has dimension 0", index, classBook);

    u32 cascade[64];
    for (u32 i = 0; i < classifications; ++i) {
        const u32 low = read(3);
        const u32 high = read(1) ? read(5) : 0;
        cascade[i] = high << 3 | low;
    }
    for (u32 i = 0; i < classifications; ++i) {
        for (u32 stage = 0; stage < 8; ++stage) {
            if ((cascade[i] >> stage & 1) == 0)
                continue;
            const u32 book = read(8);
            if (overran("a residue"))
                return false;
            if (!vectorBook(book, "residue", index))
                return false;
        }
    }
    return !overran("a residue");
}

bool KyVorbisSetupCheck::readMappings()
{
    m_mappingCount = read(6) + 1;
    for (u32 i = 0; i < m_mappingCount; ++i)
        if (!readMapping(i))
            return false;
    return true;
}

bool KyVorbisSetupCheck::readMapping(u32 index)
{
    const u32 type = read(16);
    const u32 submaps = read(1) ? read(4) + 1 : 1;
    if (overran("a mapping"))
        return false;
    if (type != 0)
        return fail("mapping %u has type %u", index, type);
    if (read(1)) {
        const u32 steps = read(8) + 1;
        const u32 bits = ilog(m_channels - 1);
        for (u32 i = 0; i < steps; ++i) {
            const u32 magnitude = read(bits);
            const u32 angle = read(bits);
            if (overran("a mapping"))
                return false;
            if (magnitude == angle || magnitude >= m_channels || angle >= m_channels)
                return fail("mapping %u couples channel %u with channel %u", index, magnitude, angle);
        }
    }
    if (read(2) != 0)
        return fail("mapping %u has reserved bits set", index);
    if (submaps > 1) {
        for (u32 c = 0; c < m_channels; ++c)
            if (read(4) >= submaps)
                return fail("mapping %u sends channel %u to a missing submap", index, c);
    }
    for (u32 i = 0; i < submaps; ++i) {
        read(8); // unused time-domain slot
        const u32 floor = read(8);
        const u32 residue = read(8);
        if (overran("a mapping"))
            return false;
        if (floor >= m_floorCount || residue >= m_residueCount)
            return fail("mapping %u submap %u names floor %u, residue %u", index, i, floor, residue);
    }
    return true;
}

bool KyVorbisSetupCheck::readModes()
{
    const u32 count = read(6) + 1;
    for (u32 i = 0; i < count; ++i) {
        read(1); // block flag
        const u32 window = read(16);
        const u32 transform = read(16);
        const u32 mapping = read(8);
        if (overran("the modes"))
            return false;
        if (window != 0 || transform != 0)
            return fail("mode %u has window type %u, transform type %u", i, window, transform);
        if (mapping >= m_mappingCount)
            return fail("mode %u names mapping %u", i, mapping);
    }
    return true;
}

bool KyVorbisSetupCheck::bookExists(u32 book, const char* user, u32 userIndex)
{
    // An overrun reads 0, a book that always exists: the caller reports it.
    if (book < m_books.size())
        return true;
    return fail("%s %u names codebook %u of %u", user, userIndex, book,
                static_cast<u32>(m_books.size()));
}

bool KyVorbisSetupCheck::vectorBook(u32 book, const char* user, u32 userIndex)
{
    if (!bookExists(book, user, userIndex))
        return false;
    const Codebook& b = m_books[book];
    if (b.dimensions == 0)
        return fail("%s %u codebook %u has dimension 0", user, userIndex, book);
    if (b.lookupType == 0)
        return fail("%s %u codebook %u has no values", user, userIndex, book);
    return true;
}
