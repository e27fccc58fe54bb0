#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <vorbis/codec.h>

#include "core/KySingleton.h"
#include "core/KyString.h"
#include "media/KyMusic.h"
#include "media/KySFX.h"
#include "media/KySound.h"
#include "media/KySoundManager.h"
#include "media/KySoundStreamed.h"
#include "media/KyVorbisSetupCheck.h"
#include "tests/media/SoundTestSupport.h"
#include "tests/support/StdoutCapture.h"
#include "tests/support/TestData.h"
#include "tools/content/TheoraWriter.h"

// The setup check against setup headers written field by field (a small,
// complete stream description the decoder library itself accepts, then one
// field changed per case) and against the headers libvorbisenc writes; then
// the sound paths refusing unsafe streams at open.

using SoundWriters::Bytes;

namespace {

// Writes bits least significant first, as Vorbis packs them.
class BitWriter {
public:
    void put(u64 value, u32 bits)
    {
        for (u32 i = 0; i < bits; ++i, ++m_bits) {
            if (m_bits % 8 == 0)
                m_bytes.push_back(0);
            if (value >> i & 1)
                m_bytes.back() = static_cast<u8>(m_bytes.back() | 1 << (m_bits % 8));
        }
    }
    const Bytes& bytes() const { return m_bytes; }

private:
    Bytes m_bytes;
    u64 m_bits = 0;
};

u32 ilog(u32 v)
{
    u32 bits = 0;
    for (; v; v >>= 1)
        ++bits;
    return bits;
}

struct Book {
    u32 sync = 0x564342;
    u32 dimensions = 1;
    u32 entries = 2;
    // Unordered: one length per entry (0: unused, only when sparse).
    std::vector<u32> lengths = {1, 1};
    bool sparse = false;
    // Ordered: the first length, then the run of each length.
    bool ordered = false;
    u32 firstLength = 1;
    std::vector<u32> runs;
    u32 lookupType = 0;
    u32 valueBits = 2;
};

struct Floor {
    u32 type = 1;
    // Type 1.
    std::vector<u32> partitionClass = {0};
    std::vector<u32> classDimensions = {2};
    std::vector<u32> classSubclasses = {1};
    std::vector<u32> masterBooks = {0};
    std::vector<std::vector<u32>> subclassBooks = {{3, 0}}; // stored plus one
    u32 rangeBits = 7;
    std::vector<u32> positions = {30, 60};
    // Type 0.
    u32 order = 8, rate = 22050, barkMapSize = 256;
    std::vector<u32> books = {1};
};

struct Residue {
    u32 type = 2;
    u32 classBook = 0;
    std::vector<u32> cascade = {0, 1};
    std::vector<u32> books = {4};
};

struct Mapping {
    u32 type = 0;
    u32 submaps = 2;
    std::vector<std::pair<u32, u32>> coupling = {{0, 1}};
    u32 reserved = 0;
    std::vector<u32> mux = {0, 1};
    std::vector<std::pair<u32, u32>> floorResidue = {{0, 0}, {1, 0}};
};

struct Mode {
    u32 window = 0, transform = 0, mapping = 0;
};

// Two channels; book 0 classifies, 1 feeds the type 0 floor, 2 is a floor 1
// master book, 3 a subclass book (ordered lengths), 4 the residue's vectors
// (sparse, lookup type 2).
struct SetupHeader {
    u32 channels = 2;
    std::vector<Book> books;
    std::vector<u32> timeDomain = {0};
    std::vector<Floor> floors;
    std::vector<Residue> residues = {Residue()};
    std::vector<Mapping> mappings = {Mapping()};
    std::vector<Mode> modes = {Mode(), Mode()};
    u32 framing = 1;

    SetupHeader()
    {
        books.resize(5);
        books[1].dimensions = 2;
        books[1].entries = 4;
        books[1].lengths = {2, 2, 2, 2};
        books[1].lookupType = 1;
        books[2].entries = 4;
        books[2].lengths = {2, 3, 1, 3};
        books[3].entries = 4;
        books[3].ordered = true;
        books[3].firstLength = 2;
        books[3].runs = {4};
        books[4].dimensions = 2;
        books[4].entries = 4;
        books[4].sparse = true;
        books[4].lengths = {1, 0, 2, 2};
        books[4].lookupType = 2;
        floors.resize(2);
        floors[1].type = 0;
    }
};

u64 lookup1Values(u32 entries, u32 dimensions)
{
    if (dimensions == 0)
        return 0;
    u64 v = 0;
    for (;; ++v) {
        u64 product = 1;
        for (u32 i = 0; i < dimensions && product <= entries; ++i)
            product *= v + 1;
        if (product > entries)
            return v;
    }
}

void writeBook(BitWriter& w, const Book& b)
{
    w.put(b.sync, 24);
    w.put(b.dimensions, 16);
    w.put(b.entries, 24);
    w.put(b.ordered, 1);
    if (b.ordered) {
        w.put(b.firstLength - 1, 5);
        u32 entry = 0;
        for (u32 run : b.runs) {
            w.put(run, ilog(b.entries - entry));
            entry += run;
        }
    } else {
        w.put(b.sparse, 1);
        for (u32 length : b.lengths) {
            if (b.sparse)
                w.put(length != 0, 1);
            if (length != 0)
                w.put(length - 1, 5);
        }
    }
    w.put(b.lookupType, 4);
    if (b.lookupType == 1 || b.lookupType == 2) {
        w.put(0x60100000, 32); // minimum, delta: small floats
        w.put(0x60100000, 32);
        w.put(b.valueBits - 1, 4);
        w.put(0, 1);
        const u64 values = b.lookupType == 1 ? lookup1Values(b.entries, b.dimensions)
                                             : u64(b.entries) * b.dimensions;
        for (u64 i = 0; i < values; ++i)
            w.put(i % 3, b.valueBits);
    }
}

void writeFloor(BitWriter& w, const Floor& f)
{
    w.put(f.type, 16);
    if (f.type == 0) {
        w.put(f.order, 8);
        w.put(f.rate, 16);
        w.put(f.barkMapSize, 16);
        w.put(6, 6);
        w.put(100, 8);
        w.put(f.books.size() - 1, 4);
        for (u32 book : f.books)
            w.put(book, 8);
        return;
    }
    w.put(f.partitionClass.size(), 5);
    for (u32 c : f.partitionClass)
        w.put(c, 4);
    for (size_t c = 0; c < f.classDimensions.size(); ++c) {
        w.put(f.classDimensions[c] - 1, 3);
        w.put(f.classSubclasses[c], 2);
        if (f.classSubclasses[c])
            w.put(f.masterBooks[c], 8);
        for (u32 book : f.subclassBooks[c])
            w.put(book, 8);
    }
    w.put(1, 2); // multiplier 2
    w.put(f.rangeBits, 4);
    for (u32 x : f.positions)
        w.put(x, f.rangeBits);
}

Bytes writeSetup(const SetupHeader& s)
{
    BitWriter w;
    for (char c : std::string("\x05vorbis"))
        w.put(static_cast<u8>(c), 8);
    w.put(s.books.size() - 1, 8);
    for (const Book& b : s.books)
        writeBook(w, b);
    w.put(s.timeDomain.size() - 1, 6);
    for (u32 t : s.timeDomain)
        w.put(t, 16);
    w.put(s.floors.size() - 1, 6);
    for (const Floor& f : s.floors)
        writeFloor(w, f);
    w.put(s.residues.size() - 1, 6);
    for (const Residue& r : s.residues) {
        w.put(r.type, 16);
        w.put(0, 24);
        w.put(128, 24);
        w.put(31, 24); // partitions of 32
        w.put(r.cascade.size() - 1, 6);
        w.put(r.classBook, 8);
        for (u32 c : r.cascade) {
            w.put(c & 7, 3);
            w.put(c > 7, 1);
            if (c > 7)
                w.put(c >> 3, 5);
        }
        for (u32 book : r.books)
            w.put(book, 8);
    }
    w.put(s.mappings.size() - 1, 6);
    for (const Mapping& m : s.mappings) {
        w.put(m.type, 16);
        w.put(m.submaps > 1, 1);
        if (m.submaps > 1)
            w.put(m.submaps - 1, 4);
        w.put(!m.coupling.empty(), 1);
        if (!m.coupling.empty()) {
            w.put(m.coupling.size() - 1, 8);
            for (auto step : m.coupling) {
                w.put(step.first, ilog(s.channels - 1));
                w.put(step.second, ilog(s.channels - 1));
            }
        }
        w.put(m.reserved, 2);
        if (m.submaps > 1)
            for (u32 c : m.mux)
                w.put(c, 4);
        for (auto fr : m.floorResidue) {
            w.put(0, 8);
            w.put(fr.first, 8);
            w.put(fr.second, 8);
        }
    }
    w.put(s.modes.size() - 1, 6);
    for (size_t i = 0; i < s.modes.size(); ++i) {
        w.put(i % 2, 1);
        w.put(s.modes[i].window, 16);
        w.put(s.modes[i].transform, 16);
        w.put(s.modes[i].mapping, 8);
    }
    w.put(s.framing, 1);
    return w.bytes();
}

// Identification header: channels at 11, rate at 12, block sizes at 28.
Bytes identification(u32 channels, u32 rate = 22050, u8 blockSizes = 0xB8)
{
    Bytes p = {1, 'v', 'o', 'r', 'b', 'i', 's', 0, 0, 0, 0, static_cast<u8>(channels)};
    for (int i = 0; i < 4; ++i)
        p.push_back(static_cast<u8>(rate >> (8 * i)));
    p.resize(28, 0);
    p.push_back(blockSizes);
    p.push_back(1);
    return p;
}

std::string checkReason(const Bytes& id, const Bytes& setup)
{
    KyString reason;
    if (KyVorbisSetupCheck::check(id.data(), static_cast<u32>(id.size()), setup.data(),
                                  static_cast<u32>(setup.size()), reason))
        return "accepted";
    return reason.c_str();
}

std::string checkSetup(const SetupHeader& s)
{
    return checkReason(identification(s.channels), writeSetup(s));
}

// Whether libvorbis takes the three headers (an empty comment between).
bool libraryTakesHeaders(const Bytes& id, const Bytes& setup)
{
    Bytes comment = {3, 'v', 'o', 'r', 'b', 'i', 's', 0, 0, 0, 0, 0, 0, 0, 0, 1};
    vorbis_info info;
    vorbis_comment tags;
    vorbis_info_init(&info);
    vorbis_comment_init(&tags);
    bool taken = true;
    const Bytes* packets[3] = {&id, &comment, &setup};
    for (int i = 0; i < 3 && taken; ++i) {
        ogg_packet p = {};
        p.packet = const_cast<unsigned char*>(packets[i]->data());
        p.bytes = static_cast<long>(packets[i]->size());
        p.b_o_s = i == 0;
        p.packetno = i;
        taken = vorbis_synthesis_headerin(&info, &tags, &p) == 0;
    }
    vorbis_comment_clear(&tags);
    vorbis_info_clear(&info);
    return taken;
}

// The identification and setup packets of a muxed Vorbis file: the setup
// packet alone on the third page.
void headersOf(const std::string& file, Bytes& id, Bytes& setup)
{
    Bytes bytes(file.begin(), file.end());
    std::vector<SoundWriters::OggPage> pages = SoundWriters::oggPages(bytes);
    ASSERT_GE(pages.size(), 3u);
    id.assign(bytes.begin() + pages[0].body, bytes.begin() + pages[0].body + pages[0].bodySize);
    setup.assign(bytes.begin() + pages[2].body, bytes.begin() + pages[2].body + pages[2].bodySize);
    ASSERT_EQ(5, setup[0]);
}

// The written headers with an empty comment, then packets of noise, which
// the library decodes as well as it can (through the residue, among others).
Bytes writtenStream(const SetupHeader& s)
{
    std::vector<OggPacketData> packets(3);
    const Bytes id = identification(s.channels);
    const Bytes setup = writeSetup(s);
    packets[0].bytes.assign(id.begin(), id.end());
    packets[1].bytes = std::string("\x03vorbis\0\0\0\0\0\0\0\0\x01", 16);
    packets[2].bytes.assign(setup.begin(), setup.end());
    u32 seed = 5;
    for (int i = 1; i <= 200; ++i) {
        std::string noise(40, '\0');
        for (char& c : noise) {
            seed = seed * 1664525u + 1013904223u;
            c = static_cast<char>(seed >> 24);
        }
        packets.push_back({noise, i * 128});
    }
    const std::string muxed = muxOgg(packets, 9);
    return Bytes(muxed.begin(), muxed.end());
}

} // namespace

TEST(VorbisSetupCheck, TheWrittenStreamIsTakenByTheCheckAndTheLibraryAlike)
{
    SetupHeader s;
    EXPECT_EQ("accepted", checkSetup(s));
    EXPECT_TRUE(libraryTakesHeaders(identification(2), writeSetup(s)));
}

TEST(VorbisSetupCheck, EachRuleRefusesItsCase)
{
    struct Case {
        const char* name;
        std::function<void(SetupHeader&)> change;
        const char* reason;
    };
    const Case cases[] = {
        // What the library divides by or loops on.
        {"classification book without dimension", [](SetupHeader& s) { s.books[0].dimensions = 0; },
         "residue 0 classification codebook 0 has dimension 0"},
        {"residue vector book without dimension", [](SetupHeader& s) { s.books[4].dimensions = 0; },
         "residue 0 codebook 4 has dimension 0"},
        {"residue vector book without values", [](SetupHeader& s) { s.books[4].lookupType = 0; },
         "residue 0 codebook 4 has no values"},
        {"type 0 floor book without dimension", [](SetupHeader& s) { s.books[1].dimensions = 0; },
         "floor 1 codebook 1 has dimension 0"},
        {"type 0 floor book without values", [](SetupHeader& s) { s.books[1].lookupType = 0; },
         "floor 1 codebook 1 has no values"},
        {"type 0 floor rate 0", [](SetupHeader& s) { s.floors[1].rate = 0; },
         "floor 1 (type 0) has order, rate or bark map size 0"},
        // Numbers out of range.
        {"classification book missing", [](SetupHeader& s) { s.residues[0].classBook = 5; },
         "residue 0 names codebook 5 of 5"},
        {"residue vector book missing", [](SetupHeader& s) { s.residues[0].books = {200}; },
         "residue 0 names codebook 200 of 5"},
        {"floor master book missing", [](SetupHeader& s) { s.floors[0].masterBooks = {9}; },
         "floor 0 names codebook 9 of 5"},
        {"floor subclass book missing", [](SetupHeader& s) { s.floors[0].subclassBooks = {{3, 6}}; },
         "floor 0 names codebook 5 of 5"},
        {"type 0 floor book missing", [](SetupHeader& s) { s.floors[1].books = {1, 7}; },
         "floor 1 names codebook 7 of 5"},
        {"submap floor missing", [](SetupHeader& s) { s.mappings[0].floorResidue[1].first = 2; },
         "mapping 0 submap 1 names floor 2, residue 0"},
        {"submap residue missing", [](SetupHeader& s) { s.mappings[0].floorResidue[0].second = 1; },
         "mapping 0 submap 0 names floor 0, residue 1"},
        {"channel sent to a missing submap", [](SetupHeader& s) { s.mappings[0].mux = {0, 2}; },
         "mapping 0 sends channel 1 to a missing submap"},
        {"mode mapping missing", [](SetupHeader& s) { s.modes[1].mapping = 1; }, "mode 1 names mapping 1"},
        // Fields the format fixes.
        {"codebook sync", [](SetupHeader& s) { s.books[2].sync = 0x564343; }, "codebook 2 has no sync pattern"},
        {"lookup type 3", [](SetupHeader& s) { s.books[2].lookupType = 3; }, "codebook 2 has lookup type 3"},
        {"time-domain transform", [](SetupHeader& s) { s.timeDomain = {0, 1}; },
         "time-domain transform 1 is not zero"},
        {"floor type 2", [](SetupHeader& s) { s.floors[0].type = 2; }, "floor 0 has type 2"},
        {"residue type 3", [](SetupHeader& s) { s.residues[0].type = 3; }, "residue 0 has type 3"},
        {"mapping type 1", [](SetupHeader& s) { s.mappings[0].type = 1; }, "mapping 0 has type 1"},
        {"mapping reserved bits", [](SetupHeader& s) { s.mappings[0].reserved = 2; },
         "mapping 0 has reserved bits set"},
        {"coupling a channel with itself", [](SetupHeader& s) { s.mappings[0].coupling = {{0, 1}, {1, 1}}; },
         "mapping 0 couples channel 1 with channel 1"},
        {"coupling a missing channel",
         [](SetupHeader& s) {
             s.channels = 3;
             s.mappings[0].mux = {0, 1, 1};
             s.mappings[0].coupling = {{0, 3}};
         },
         "mapping 0 couples channel 0 with channel 3"},
        {"window type", [](SetupHeader& s) { s.modes[0].window = 1; }, "mode 0 has window type 1, transform type 0"},
        {"transform type", [](SetupHeader& s) { s.modes[1].transform = 2; },
         "mode 1 has window type 0, transform type 2"},
        {"framing bit", [](SetupHeader& s) { s.framing = 0; }, "setup header framing bit not set"},
        // Floor 1 positions: 2 given plus at most 63 read, each once.
        {"63 positions read",
         [](SetupHeader& s) {
             s.floors[0].partitionClass.assign(21, 0);
             s.floors[0].classDimensions = {3};
             s.floors[0].positions.clear();
             for (u32 x = 1; x <= 63; ++x)
                 s.floors[0].positions.push_back(x);
         },
         "accepted"},
        {"66 positions read",
         [](SetupHeader& s) {
             s.floors[0].partitionClass.assign(22, 0);
             s.floors[0].classDimensions = {3};
             s.floors[0].positions.clear();
             for (u32 x = 1; x <= 66; ++x)
                 s.floors[0].positions.push_back(x);
         },
         "floor 0 has more than 65 positions"},
        {"position repeated", [](SetupHeader& s) { s.floors[0].positions = {30, 30}; }, "floor 0 repeats position 30"},
        {"position of the range's start", [](SetupHeader& s) { s.floors[0].positions = {30, 0}; },
         "floor 0 repeats position 0"},
        // Code trees.
        {"tree overfilled", [](SetupHeader& s) { s.books[2].lengths = {2, 3, 1, 2}; },
         "codebook 2 codewords overfill the code tree"},
        {"tree not filled", [](SetupHeader& s) { s.books[2].lengths = {2, 3, 2, 3}; },
         "codebook 2 codewords do not fill the code tree"},
        {"ordered tree not filled", [](SetupHeader& s) { s.books[3].runs = {3, 1}; },
         "codebook 3 codewords do not fill the code tree"},
        {"ordered runs past the entries", [](SetupHeader& s) { s.books[3].runs = {5}; },
         "codebook 3 has more lengths than entries"},
        {"ordered lengths past 32 bits",
         [](SetupHeader& s) {
             s.books[3].firstLength = 32;
             s.books[3].runs = {0, 4};
         },
         "codebook 3 has codewords longer than 32 bits"},
        {"one codeword of any length",
         [](SetupHeader& s) {
             s.books[2].sparse = true;
             s.books[2].lengths = {0, 7, 0, 0};
         },
         "accepted"},
        {"no codeword at all",
         [](SetupHeader& s) {
             s.books[2].sparse = true;
             s.books[2].lengths = {0, 0, 0, 0};
         },
         "accepted"},
        {"lookup type 1 of many dimensions",
         [](SetupHeader& s) {
             s.books[4].dimensions = 3;
             s.books[4].entries = 2;
             s.books[4].sparse = false;
             s.books[4].lengths = {1, 1};
             s.books[4].lookupType = 1;
         },
         "accepted"},
    };
    for (const Case& c : cases) {
        SetupHeader s;
        c.change(s);
        EXPECT_EQ(c.reason, checkSetup(s)) << c.name;
    }
}

TEST(VorbisSetupCheck, IdentificationHeadersOutsideTheFormatAreRefused)
{
    const Bytes setup = writeSetup(SetupHeader());
    struct Case {
        Bytes id;
        const char* reason;
    };
    Bytes version = identification(2);
    version[7] = 1;
    Bytes unframed = identification(2);
    unframed[29] = 0;
    Bytes comment = identification(2);
    comment[0] = 3;
    Bytes cut = identification(2);
    cut.pop_back();
    const Case cases[] = {
        {identification(2), "accepted"},
        {cut, "no Vorbis identification header"},
        {comment, "no Vorbis identification header"},
        {version, "unknown Vorbis version"},
        {identification(0), "no channel or no sample rate"},
        {identification(2, 0), "no channel or no sample rate"},
        {identification(2, 22050, 0xD5), "invalid block sizes"},
        {identification(2, 22050, 0xAB), "invalid block sizes"},
        {identification(2, 22050, 0xE6), "invalid block sizes"},
        {identification(2, 22050, 0x66), "accepted"},
        {identification(2, 22050, 0xDD), "accepted"},
        {unframed, "identification header framing bit not set"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.reason, checkReason(c.id, setup)) << c.id.size() << " bytes, block sizes " << int(c.id.back());
    EXPECT_EQ("no Vorbis setup header", checkReason(identification(2), Bytes(setup.begin(), setup.begin() + 6)));
}

TEST(VorbisSetupCheck, EncoderHeadersPassAndEveryCutOfThemIsRefused)
{
    for (int channels : {1, 2}) {
        Bytes id, setup;
        headersOf(muxOgg(encodeVorbisPackets(0.05, 44100, channels), 7), id, setup);
        ASSERT_EQ("accepted", checkReason(id, setup)) << channels;
        // The framing bit closes the packet: any shorter packet ends early.
        for (size_t cut = 0; cut < setup.size(); ++cut) {
            const std::string reason = checkReason(id, Bytes(setup.begin(), setup.begin() + cut));
            ASSERT_NE("accepted", reason) << "cut at " << cut;
            if (cut >= 8) {
                ASSERT_EQ(0u, reason.find("setup header ends inside")) << reason << ", cut at " << cut;
            }
        }
    }
}

TEST(SoundOggHeaders, UnsafeStreamsAreRefusedAtOpenOnEverySoundPath)
{
    TempDir dir;
    KySingleton<KySoundManager>::instance();
    // Residue type 0 divides by its vector books' dimension when decoding.
    SetupHeader safe;
    safe.residues[0].type = 0;
    SetupHeader zero = safe;
    zero.books[4].dimensions = 0;
    // One byte of the setup header changed: codebook 21's lengths leave part
    // of its code tree empty; the library fails to set its decoder up and
    // divides by zero when read again.
    const Bytes recorded = SoundWriters::readFile(testDataPath("vorbis-setup-divides-by-zero.ogg"));
    ASSERT_FALSE(recorded.empty());
    Bytes chained = SoundTest::toneOgg(1, 22050, 0.2);
    chained.insert(chained.end(), recorded.begin(), recorded.end());

    struct Case {
        const char* name;
        Bytes bytes;
        const char* reason;
    };
    const Case cases[] = {
        {"recorded.ogg", recorded, "codebook 21 codewords do not fill the code tree."},
        {"zero.ogg", writtenStream(zero), "residue 0 codebook 4 has dimension 0."},
        {"chained.ogg", chained, "link 1: codebook 21 codewords do not fill the code tree."},
    };
    for (const Case& c : cases) {
        const std::string path = SoundTest::put(dir, c.name, c.bytes);
        const std::string line = "[KyOgg::open(const KyString& filename)] file name : " + path +
                                 " error : Unsafe Vorbis headers: " + c.reason + "\n";
        StdoutCapture log;
        KySound sound;
        EXPECT_FALSE(sound.open(path.c_str())) << c.name;
        KySoundStreamed stream;
        EXPECT_FALSE(stream.open(path.c_str())) << c.name;
        KySFX effect;
        effect.load(path.c_str());
        effect.Play();
        KyMusic music;
        music.load(path.c_str());
        EXPECT_FALSE(music.Play()) << c.name;
        // Once for each of the four.
        const std::string text = log.text();
        size_t count = 0;
        for (size_t at = text.find(line); at != std::string::npos; at = text.find(line, at + 1))
            ++count;
        EXPECT_EQ(4u, count) << c.name << ":\n" << text;
    }

    // The same written stream with vector books of two dimensions plays.
    KySound sound;
    ASSERT_TRUE(sound.open(SoundTest::put(dir, "safe.ogg", writtenStream(safe)).c_str()));
    size_t size = 0;
    sound.decodeAll(size);
    EXPECT_GT(size, 0u);
}
