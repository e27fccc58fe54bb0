// The frame that shows an advert page of the largest size a set may have:
// 250 pictures of 64 x 64 (within the set's pixel budget), each a sprite of
// the first page, read ahead on a worker and made textures before the page
// is due, as the splash screens have them. The frame is KyAds::next (the
// set read, the page loaded from its text, its sprites given their
// textures) and one draw of the interface; counters give the medians of the
// main thread's CPU time of the whole frame (frame_cpu_ms), of next alone
// (next_cpu_ms), of the page's own loading (display_cpu_ms: the page built
// from the text its set's reading checked, as the rotator does) and of the
// draw (draw_cpu_ms), against a 60 Hz frame (16.7 ms).
//
// In process, in an offscreen window (SDL_VIDEODRIVER=offscreen unless set),
// with a user-data folder of its own under /tmp.

#include "bench/BenchStatistics.h"
#include "core/KyCore.h"
#include "core/KySingleton.h"
#include "core/KyTimer.h"
#include "core/KyWorkerPool.h"
#include "net/KyAds.h"
#include "net/KyAdsSet.h"
#include "os/KyOsDir.h"
#include "os/KyOsGL.h"
#include "os/KyOsWindow.h"
#include "platform/KyImgInput.h"
#include "tools/content/ImageWriters.h"
#include "ui/KyDeferredDeletion.h"
#include "ui/KyMainWindow.h"
#include "ui/KyXMLGUI.h"

#include <tinyxml.h>

#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <ftw.h>
#include <string>
#include <thread>
#include <vector>

namespace {

const u32 kPictures = 250;
const u32 kSide = 64;
const s32 kWidth = 1280;
const s32 kHeight = 720;

double threadCpuMilliseconds()
{
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

int removeEntry(const char* path, const struct stat*, int, struct FTW*)
{
    return std::remove(path);
}

// A home whose documents folder holds the set and a fresh advert cache.
struct Fixture {
    KyOsWindow window;
    KyOsGL gl;
    std::string home;

    Fixture()
    {
        setenv("SDL_VIDEODRIVER", "offscreen", 0);
        setenv("ALSOFT_DRIVERS", "null", 0);
        char folder[] = "/tmp/kybenchadsXXXXXX";
        if (!mkdtemp(folder) || !window.create("bench", kWidth, kHeight, false) || !gl.create(window) ||
            !gl.makeCurrent()) {
            std::fprintf(stderr, "no OpenGL context or temporary folder\n");
            std::exit(1);
        }
        home = folder;
        setenv("HOME", folder, 1);
        unsetenv("XDG_DOCUMENTS_DIR");
        unsetenv("XDG_CONFIG_HOME");
        KySingleton<KyCore>::instance()->setApplicationName(KyString("KyBenchAds"));
        KySingleton<KyMainWindow>::instance()->setSize(KyVector3f32(kWidth, kHeight, 0));
        const std::string ads = home + "/Documents/KyBenchAds/Ads";
        KyOsDir::makePath(ads.c_str());
        std::string index = "<?xml version=\"1.0\"?>\n<advert>\n";
        for (u32 i = 0; i < kPictures; ++i) {
            const std::string name = "p" + std::to_string(i) + ".png";
            index += "  <sprite name=\"s" + std::to_string(i) + "\" file=\"Backup/Ads/" + name + "\" visible=\"1\">" +
                     "<position x=\"" + std::to_string((i % 20) * 64) + "\" y=\"" + std::to_string((i / 20) * 56) +
                     "\" z=\"40\"/></sprite>\n";
            ImageWriters::PngImage picture;
            picture.width = kSide;
            picture.height = kSide;
            picture.rows.assign(size_t(kSide) * kSide * 3, u8(i));
            std::ofstream(ads + "/" + name, std::ios::binary) << ImageWriters::toString(ImageWriters::png(picture));
        }
        index += "  <value name=\"duration\" value=\"2000000\"/>\n</advert>\n";
        std::ofstream(ads + "/index.xml") << index;
    }

    ~Fixture() { nftw(home.c_str(), removeEntry, 16, FTW_DEPTH | FTW_PHYS); }

    void freshCache()
    {
        TiXmlDocument cache;
        TiXmlElement* ads = cache.InsertEndChild(TiXmlElement("KyAds"))->ToElement();
        KyAds::writeTime(ads->InsertEndChild(TiXmlElement("time"))->ToElement(), s64(std::time(nullptr)));
        cache.SaveFile((home + "/Documents/KyBenchAds/KyCache.xml").c_str());
    }

    void draw()
    {
        KySingleton<KyMainWindow>::instance()->draw();
        glFinish();
    }
};

// The frames go on until the set is read and its first page's pictures are
// textures.
bool prepared(KyAds& ads)
{
    const auto ready = [&] { return ads.preparedPage().length() > 0 && ads.isPrepared(); };
    for (int turn = 0; turn < 100000 && !ready(); ++turn) {
        KyTimer::updateAll();
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return ready();
}

void AdvertPageOfTheLargestSet(benchmark::State& state)
{
    Fixture fixture;
    KyWorkerPool pool(2);
    std::vector<double> frame, next, display, draw;
    for (auto _ : state) {
        for (int round = 0; round < 15; ++round) {
            fixture.freshCache();
            KyAds ads(pool);
            ads.update(KyString("Backup/Ads"), KyString("Backup/AdsTmp"), KyString("iPhone/DefaultAds"),
                       KyString("ads.orvalen.invalid/Ads"));
            if (!prepared(ads)) {
                state.SkipWithError("the page's pictures were never read");
                return;
            }
            // The page again as the rotator builds it, once its textures are
            // listed: what the frame's own loading costs.
            {
                const KyAdsSet set(KyString("Backup/Ads"), KyString("Backup/Ads"));
                KyXMLGUI page;
                const double start = threadCpuMilliseconds();
                KyImgInput::Limit nothing(0, 0);
                page.loadText(set.pages()[0].text, set.pages()[0].path);
                display.push_back(threadCpuMilliseconds() - start);
            }
            KyDeferredDeletion::deletePending();
            const double start = threadCpuMilliseconds();
            ads.next();
            const double shown = threadCpuMilliseconds();
            fixture.draw();
            const double drawn = threadCpuMilliseconds();
            if (ads.currentPage() != "Backup/Ads/index.xml" || ads.page().spriteMap().count() != kPictures) {
                state.SkipWithError("the page did not show");
                return;
            }
            next.push_back(shown - start);
            draw.push_back(drawn - shown);
            frame.push_back(drawn - start);
            ads.hide();
            KyDeferredDeletion::deletePending();
        }
    }
    state.counters["frame_cpu_ms"] = benchMedian(frame);
    state.counters["next_cpu_ms"] = benchMedian(next);
    state.counters["display_cpu_ms"] = benchMedian(display);
    state.counters["draw_cpu_ms"] = benchMedian(draw);
}

} // namespace

BENCHMARK(AdvertPageOfTheLargestSet)->Iterations(1)->Unit(benchmark::kMillisecond);
