// Replays damaged ".wp" files through the whole panorama: every byte of the
// tables changed three ways, and random changes anywhere in the file
// (pictures included). A file that loads is made active and updated, so
// every tile it names is decoded; under the sanitizers any overrun, leak or
// undefined step fails the run. A refused file must leave the panorama as
// it was.

#include "scene/KyWarp.h"
#include "tests/scene/WarpFixture.h"
#include "tests/support/StdoutCapture.h"

#include <gtest/gtest.h>

using WarpWriter::Bytes;

namespace {

// Deterministic pseudo-random numbers.
class Random {
public:
    explicit Random(u32 seed) : m_state(seed) {}
    u32 next(u32 bound)
    {
        m_state = m_state * 1664525u + 1013904223u;
        return (m_state >> 8) % bound;
    }

private:
    u32 m_state;
};

class WarpMalformedTest : public WarpViewTest {
protected:
    // Every tile format in one panorama's worth of pictures.
    WarpWriter::Bytes panorama() override { return WarpFixture::bytes(WarpFixture::cube(8, 8)); }

    // Loads the damaged bytes over the loaded panorama and updates what
    // loaded; counts the outcomes. Two file names take turns, so that no
    // load meets the path already loaded.
    void replay(const Bytes& bytes)
    {
        const std::string damaged =
            WarpFixture::write(dir, (loaded + refused) % 2 ? "odd.wp" : "even.wp", bytes);
        const std::string before = warp.path().c_str();
        const u32 tiles = warp.cubeTileCount();
        if (warp.load(damaged.c_str())) {
            ++loaded;
            warp.setRotation(WarpFixture::view(f32(loaded % 4) * 90.0f, 0.0f));
            warp.update();
            // Drawing is the same for every file; a few suffice.
            if (loaded % 16 == 0)
                warp.render();
            for (u32 i = 0; i < warp.cubeTileCount(); ++i)
                failedTiles += warp.cubeTiles()[i].hasFailed() ? 1 : 0;
        } else {
            ++refused;
            EXPECT_EQ(before, std::string(warp.path().c_str()));
            EXPECT_EQ(tiles, warp.cubeTileCount());
        }
    }

    u32 loaded = 0;
    u32 refused = 0;
    u32 failedTiles = 0;
};

} // namespace

TEST_F(WarpMalformedTest, DamagedFilesOfEveryFormatLoadSafelyOrAreRefused)
{
    StdoutCapture log;
    for (const std::string& format : WarpWriter::tileFormats()) {
        SCOPED_TRACE(format);
        const WarpWriter::File file = WarpFixture::file(WarpFixture::animatedCube(16, 8, format));
        const Bytes good = WarpWriter::serialize(file);
        const u32 tables = WarpWriter::tableSize(file);

        // Every byte of the tables zeroed, saturated and stepped by one: all
        // three for the first format, one in turn for the others.
        const bool allChanges = format == WarpWriter::tileFormats()[0];
        for (u32 at = 0; at < tables; ++at) {
            for (u32 kind = 0; kind < 3; ++kind) {
                if (!allChanges && kind != at % 3)
                    continue;
                Bytes bad = good;
                bad[at] = kind == 0 ? 0x00 : (kind == 1 ? 0xFF : static_cast<u8>(bad[at] + 1));
                replay(bad);
            }
        }
        Random random(tables);
        for (u32 round = 0; round < 150; ++round) {
            Bytes bad = good;
            const u32 changes = 1 + random.next(8);
            for (u32 c = 0; c < changes; ++c)
                bad[random.next(static_cast<u32>(bad.size()))] = static_cast<u8>(random.next(256));
            replay(bad);
        }
    }
    // Both outcomes happen, and damaged pictures fail as tiles, not loads.
    EXPECT_GT(loaded, 100u);
    EXPECT_GT(refused, 500u);
    EXPECT_GT(failedTiles, 10u);
}
