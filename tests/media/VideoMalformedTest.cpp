#include "media/KyTheoraDecoder.h"
#include "tests/media/VideoFixture.h"
#include "tests/support/StdoutCapture.h"

#include <random>
#include <string>
#include <vector>

// Replays a fixed corpus of damaged Ogg/Theora files through open and a
// whole playback. Nothing may crash, hang or read out of bounds (the test
// build runs under the sanitizers); a damaged file either fails to open or
// plays to an end.

namespace {

class ReplayPlayer : public KyTheoraDecoder {
public:
    bool open(const KyString& path) { return openStream(path, path, "KyVideo::Open"); }
    void update() { decodeDueFrames(); }
};

struct Corpus {
    std::vector<std::string> files;

    void add(std::string bytes) { files.push_back(std::move(bytes)); }
};

// Flips count random bytes of packet bytes (past the header magic for
// header packets, so the damage reaches the fields behind it).
void damagePacket(std::string& bytes, std::mt19937& random, int count, size_t from)
{
    if (bytes.size() <= from)
        return;
    for (int i = 0; i < count; ++i) {
        const size_t at = from + random() % (bytes.size() - from);
        bytes[at] = char(random());
    }
}

Corpus buildCorpus()
{
    std::mt19937 random(20240611u);
    TheoraVideoSpec spec;
    spec.frames = 12;
    spec.keyframeInterval = 4;
    spec.paint = [](unsigned index, TheoraPlane planes[3]) {
        for (int p = 0; p < 3; ++p)
            for (int y = 0; y < planes[p].height; ++y)
                for (int x = 0; x < planes[p].width; ++x)
                    planes[p].data[y * planes[p].stride + x] = u8(x * 7 + y * 3 + index * 11 + p * 50);
    };
    const std::vector<OggPacketData> packets = encodeTheoraPackets(spec);
    const std::string good = muxOgg(packets, 99);
    const std::string withSound = writeTheoraOgv(spec, true);
    Corpus corpus;

    // Cut short anywhere: in the headers, in the middle of pages, before
    // the last page.
    for (size_t cut : {1ul, 27ul, 28ul, 60ul, 100ul, 300ul, good.size() / 3, good.size() / 2, good.size() - 40})
        corpus.add(good.substr(0, cut));
    corpus.add(withSound.substr(0, withSound.size() / 2));

    // Raw bytes flipped: pages with bad checksums are dropped by the sync
    // layer, so whole pages disappear.
    for (int n = 0; n < 30; ++n) {
        std::string bytes = good;
        for (int i = 0; i < 1 + n % 5; ++i)
            bytes[random() % bytes.size()] = char(random());
        corpus.add(bytes);
    }

    // Packets damaged and muxed again with valid checksums, so the damage
    // reaches libtheora: each header in turn, then frame packets.
    for (size_t header = 0; header < 3; ++header) {
        for (int n = 0; n < 12; ++n) {
            std::vector<OggPacketData> changed = packets;
            damagePacket(changed[header].bytes, random, 1 + n % 4, 7);
            corpus.add(muxOgg(changed, 99));
        }
    }
    for (int n = 0; n < 20; ++n) {
        std::vector<OggPacketData> changed = packets;
        for (int k = 0; k < 3; ++k)
            damagePacket(changed[3 + random() % (changed.size() - 3)].bytes, random, 1 + n % 8, 0);
        corpus.add(muxOgg(changed, 99, 3, n % 2 == 0));
    }

    // Packets dropped, truncated or emptied.
    for (size_t i = 0; i < packets.size(); i += 2) {
        std::vector<OggPacketData> changed = packets;
        changed.erase(changed.begin() + long(i));
        corpus.add(muxOgg(changed, 99));
        changed = packets;
        changed[i].bytes.resize(changed[i].bytes.size() / 2);
        corpus.add(muxOgg(changed, 99));
        changed = packets;
        changed[i].bytes.clear();
        corpus.add(muxOgg(changed, 99));
    }

    // Pages repeated and the header stream given twice.
    corpus.add(good + good);
    corpus.add(good.substr(0, good.size() / 2) + good);
    // Only beginning pages: a header page and nothing after it.
    corpus.add(muxOgg(std::vector<OggPacketData>(packets.begin(), packets.begin() + 1), 5));
    // Not Ogg at all, or an Ogg capture pattern followed by junk.
    corpus.add(std::string(5000, '\0'));
    corpus.add("OggS" + std::string(100, '\xff'));
    return corpus;
}

} // namespace

TEST_F(VideoTest, DamagedFilesFailToOpenOrPlayToAnEnd)
{
    const Corpus corpus = buildCorpus();
    int opened = 0;
    std::vector<std::string> problems;
    {
        StdoutCapture quiet; // the open failures log; keep the test output readable
        for (size_t i = 0; i < corpus.files.size(); ++i) {
            const std::string name = "damaged" + std::to_string(i) + ".ogv";
            put(name, corpus.files[i]);
            ReplayPlayer player;
            VideoSignalLog log;
            log.listen(player.onFinished, 'F');
            if (!player.open(name.c_str())) {
                if (player.file.isOpen())
                    problems.push_back(name + ": file kept open after a failed open");
                continue;
            }
            ++opened;
            player.play();
            // A few seconds of frames, then long enough for any file this
            // size to end, whatever frame rate its damaged header gives.
            for (int step = 0; step < 45 && log.text.empty(); ++step) {
                advanceMs(step < 40 ? 40 : 1e15);
                player.update();
            }
            if (log.text != "F")
                problems.push_back(name + ": did not finish (" + log.text + ")");
        }
    }
    EXPECT_TRUE(problems.empty()) << ::testing::PrintToString(problems);
    // The corpus also exercises playback, not only the header checks.
    EXPECT_GT(opened, 20);
}
