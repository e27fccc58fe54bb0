#include "core/KyCallback0Param.h"
#include "core/KyCallback1Param.h"
#include "core/KyDirectory.h"
#include "core/KyFile.h"
#include "core/KyFrameWait.h"
#include "core/KyResourceManager.h"
#include "core/KySingleton.h"
#include "platform/Ky3DTexture.h"
#include "core/KyTimer.h"
#include "core/KyWorkerPool.h"
#include "net/KyAds.h"
#include "net/KyAdsIndex.h"
#include "net/KyAdsPictures.h"
#include "net/KyAdsSet.h"
#include "net/KyHTTPDownloader.h"
#include "os/KyOsClock.h"
#include "os/KyOsSocket.h"
#include "tools/content/ImageWriters.h"
#include "ui/KyButton.h"
#include "ui/KySprite.h"
#include "ui/KyDeferredDeletion.h"

#include "tests/net/AdvertServer.h"
#include "tests/support/InterfaceFileWriter.h"
#include "tests/support/LinearReading.h"
#include "tests/support/StdoutCapture.h"
#include "tests/support/UserDataSandbox.h"

#include <gtest/gtest.h>

#include <tinyxml.h>

#include <algorithm>
#include <arpa/inet.h>
#include <cstdint>
#include <netinet/in.h>
#include <atomic>
#include <chrono>
#include <thread>
#include <ctime>
#include <dirent.h>
#include <set>
#include <unistd.h>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

const char* const kLocal = "Backup/Ads";
const char* const kTemp = "Backup/AdsTmp";
const char* const kDefault = "iPhone/DefaultAds";

// An advert page: its pictures, its values and its buttons.
std::string page(const std::vector<std::string>& pictures, const std::string& duration, const std::string& nextPath,
                 const std::vector<std::string>& buttons = {})
{
    std::string xml = "<?xml version=\"1.0\"?>\n<advert>\n";
    for (size_t i = 0; i < pictures.size(); ++i)
        xml += "  <img name=\"picture" + std::to_string(i) + "\" file=\"Backup/Ads/" + pictures[i] + "\"/>\n";
    if (!duration.empty())
        xml += "  <value name=\"duration\" value=\"" + duration + "\"/>\n";
    if (!nextPath.empty())
        xml += "  <value name=\"nextPath\" value=\"Backup/Ads/" + nextPath + "\"/>\n";
    for (const std::string& button : buttons)
        xml += "  <button name=\"" + button + "\"><size x=\"10\" y=\"10\" z=\"0\"/></button>\n";
    xml += "  <value name=\"buyURL\" value=\"http://shop.invalid/buy\"/>\n</advert>\n";
    return xml;
}

std::string picture(u32 colour)
{
    return InterfaceFiles::flatPng(4, 4, colour);
}

// Every file and folder under a root, as relative paths.
void listTree(const std::string& root, const std::string& relative, std::set<std::string>& out)
{
    DIR* dir = opendir((root + relative).c_str());
    if (!dir)
        return;
    while (dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        std::string child = relative + "/" + name;
        out.insert(child);
        struct stat info;
        if (lstat((root + child).c_str(), &info) == 0 && S_ISDIR(info.st_mode))
            listTree(root, child, out);
    }
    closedir(dir);
}

// Records the rotator's signals.
struct Watcher {
    int finished = 0;
    std::vector<std::string> bought;
    bool onFinished()
    {
        ++finished;
        return false;
    }
    bool onBuy(const KyString& url)
    {
        bought.push_back(url.c_str());
        return false;
    }
    void listen(KyAds& ads)
    {
        ads.onFinished.pushBack(kyNewCallback(this, &Watcher::onFinished));
        ads.onBuyRequested.pushBack(kyNewCallback(this, &Watcher::onBuy));
    }
};

class Ads : public ::testing::Test {
protected:
    void TearDown() override
    {
        KyDeferredDeletion::deletePending();
        KyOsClock::install(nullptr);
    }

    std::string userData(const std::string& relative) { return sandbox.userDataFolder() + "/" + relative; }
    bool userDataHas(const std::string& relative) { return sandbox.home().exists("Documents/KyTests/" + relative); }
    std::string userDataRead(const std::string& relative)
    {
        return sandbox.home().readFile("Documents/KyTests/" + relative);
    }
    void writeUserData(const std::string& relative, const std::string& bytes)
    {
        sandbox.home().writeFile("Documents/KyTests/" + relative, bytes);
    }

    // A cache file with a fetch time and a corrupted value.
    void writeCache(s64 time, const char* corrupted)
    {
        TiXmlDocument document;
        TiXmlElement* ads = document.InsertEndChild(TiXmlElement("KyAds"))->ToElement();
        KyAds::writeTime(ads->InsertEndChild(TiXmlElement("time"))->ToElement(), time);
        if (corrupted) {
            TiXmlElement element("corrupted");
            element.SetAttribute("value", corrupted);
            ads->InsertEndChild(element);
        }
        TiXmlPrinter printer;
        document.Accept(&printer);
        writeUserData("KyCache.xml", printer.CStr());
    }

    // The cache file's "corrupted" value and fetch time.
    void readCache(std::string& corrupted, s64& time)
    {
        TiXmlDocument document;
        ASSERT_TRUE(document.Parse(userDataRead("KyCache.xml").c_str()));
        TiXmlElement* ads = document.FirstChildElement("KyAds");
        ASSERT_TRUE(ads);
        TiXmlElement* element = ads->FirstChildElement("corrupted");
        corrupted = element && element->Attribute("value") ? element->Attribute("value") : "<none>";
        TiXmlElement* timeElement = ads->FirstChildElement("time");
        time = timeElement ? KyAds::readTime(timeElement) : -1;
    }

    // The set served by the advert server: two pages sharing a picture.
    std::string servedSet(bool complete = true)
    {
        TempDir& work = sandbox.work();
        work.writeFile("served/index.xml", page({"shared.png", "pictures/first.png"}, "5000000", "page2.xml"));
        work.writeFile("served/page2.xml", page({"shared.png", "second.png"}, "", ""));
        work.writeFile("served/shared.png", picture(InterfaceFiles::Red));
        work.writeFile("served/pictures/first.png", picture(InterfaceFiles::Green));
        if (complete)
            work.writeFile("served/second.png", picture(InterfaceFiles::Blue));
        return work.file("served");
    }

    // The set shipped with the game (English only).
    void defaultSet()
    {
        sandbox.work().writeFile("iPhone/DefaultAds/en/index.xml", page({"default.png"}, "", ""));
        sandbox.work().writeFile("iPhone/DefaultAds/en/default.png", picture(InterfaceFiles::Yellow));
    }

    // Every download started has ended.
    static bool downloadsEnded(KyAds& ads)
    {
        for (u32 i = 0; i < ads.downloaders().count(); ++i) {
            if (!ads.downloaders()[i]->isFinished())
                return false;
        }
        return true;
    }

    // Runs update against the server and waits for every download and the
    // check of what they fetched.
    void fetch(KyAds& ads, const AdvertServer& server)
    {
        ASSERT_TRUE(ads.update(KyString(kLocal), KyString(kTemp), KyString(kDefault),
                               KyString(server.location().c_str())));
        ASSERT_TRUE(pumpUntil([&] { return !ads.isFetching(); }));
    }

    // next, then the frames until its first page is on screen (or the run
    // ended): a page shows once its pictures are textures.
    static void showFirstPage(KyAds& ads)
    {
        ads.next();
        ASSERT_TRUE(pumpUntil([&] { return ads.waitingPage().length() == 0; }));
    }

    // The page's images that hold a picture.
    static u32 drawnImages(KyAds& ads)
    {
        u32 drawn = 0;
        for (auto it = ads.page().imageMap().begin(); it != ads.page().imageMap().end(); ++it)
            drawn += (*it).value && (*it).value->width() > 0 ? 1 : 0;
        return drawn;
    }

    std::vector<std::string> downloadedNames(KyAds& ads)
    {
        std::vector<std::string> names;
        for (u32 i = 0; i < ads.downloaders().count(); ++i)
            names.push_back(ads.downloaders()[i]->request.field(KyString("filename")).c_str());
        return names;
    }

    UserDataSandbox sandbox;
};

} // namespace

TEST(AdsCache, FetchTimesAreWrittenAsDaysHoursMinutesAndSeconds)
{
    struct Case {
        s64 time;
        int days, hours, minutes, seconds;
    } cases[] = {{1300000000, 15046, 7, 6, 40}, {0, 0, 0, 0, 0}, {86399, 0, 23, 59, 59}, {90061, 1, 1, 1, 1}};
    for (const Case& c : cases) {
        TiXmlElement time("time");
        KyAds::writeTime(&time, c.time);
        int days = -1, hours = -1, minutes = -1, seconds = -1;
        time.QueryIntAttribute("days", &days);
        time.QueryIntAttribute("hours", &hours);
        time.QueryIntAttribute("minutes", &minutes);
        time.QueryIntAttribute("seconds", &seconds);
        EXPECT_EQ(days, c.days);
        EXPECT_EQ(hours, c.hours);
        EXPECT_EQ(minutes, c.minutes);
        EXPECT_EQ(seconds, c.seconds);
        EXPECT_EQ(KyAds::readTime(&time), c.time);
    }
}

TEST(AdsIndex, ReferencesAreTheSafeNamesUnderTheAdvertFolderOncePerSetInTheOrderMet)
{
    const char* xml = "<a x=\"Backup/Ads/one.png\" y=\"Backup/Ads/two.png\">"
                      "  <b z=\"Backup/Ads/one.png\"/>"
                      "  <c f=\"Backup/Ads/sub/three.xml\" other=\"GUI/not.png\"/>"
                      // Spelled as the page loader reads them: files of the set.
                      "  <d w1=\"Backup//Ads//four.png\" w2=\"Backup\\Ads\\sub\\five.png\"/>"
                      "  <bad v1=\"Backup/Ads/../up.png\" v3=\"Backup/Ads/C:x.png\""
                      "       v4=\"Backup/AdsTmp/x.png\" v5=\"Backup/Ads\" v6=\"Backup/Ads/a/..\\..\\up.png\""
                      "       v7=\"Backup/Ads/dir/\" v8=\"/etc/passwd\"/>"
                      "</a>";
    KyArray<KyString> names;
    StdoutCapture log;
    ASSERT_TRUE(KyAdsIndex::readText(xml, u32(std::strlen(xml)), KyString("Backup/Ads"), names, KyString("test.xml")));
    std::vector<std::string> got;
    for (u32 i = 0; i < names.count(); ++i)
        got.push_back(names[i].c_str());
    EXPECT_EQ(got, (std::vector<std::string>{"one.png", "two.png", "sub/three.xml", "four.png", "sub/five.png"}));
    for (const char* refused : {"Backup/Ads/../up.png", "Backup/Ads/C:x.png",
                                "Backup/AdsTmp/x.png", "Backup/Ads/a/..\\..\\up.png", "Backup/Ads/dir/"})
        EXPECT_NE(log.text().find(std::string("[KyAds::listFiles] test.xml : refused file name ") + refused + "\n"),
                  std::string::npos)
            << refused;
    EXPECT_EQ(log.text().find("/etc/passwd"), std::string::npos);

    EXPECT_FALSE(KyAdsIndex::readText("<a", 2, KyString("Backup/Ads"), names, KyString("bad.xml")));
}

TEST_F(Ads, TheRotatorCollectsTheReferencesUnderItsLocalFolder)
{
    TiXmlDocument document;
    document.Parse("<a x=\"Backup/Ads/one.png\"><b y=\"Backup/Ads/two.png\" z=\"Backup/AdsTmp/no.png\"/>"
                   "<c w=\"Backup/Ads/one.png\"/></a>");
    ASSERT_FALSE(document.Error());
    KyAds ads;
    // No folder yet: an attribute must begin with it and a '/', so nothing is kept.
    KyArray<KyString> names;
    ads.collectFiles(document.RootElement(), names);
    EXPECT_EQ(names.count(), 0u);
    {
        StdoutCapture log;
        ads.update(KyString(kLocal), KyString(kTemp), KyString(kDefault), KyString("ads.orvalen.invalid/x"));
    }
    ads.collectFiles(document.RootElement(), names);
    ASSERT_EQ(names.count(), 2u);
    EXPECT_STREQ(names[0].c_str(), "one.png");
    EXPECT_STREQ(names[1].c_str(), "two.png");
}

TEST(AdsIndex, SafeNames)
{
    for (const char* name : {"a.png", "sub/a.png", "a..b.png", ".hidden", "x/./y.png"})
        EXPECT_TRUE(KyAdsIndex::isSafeName(KyString(name))) << name;
    for (const char* name : {"", "..", "../a", "a/../../b", "/abs", "\\abs", "a\\..\\b", "c:a", "a//b", "a/",
                             "tab\tname", "line\nname"})
        EXPECT_FALSE(KyAdsIndex::isSafeName(KyString(name))) << name;
    EXPECT_FALSE(KyAdsIndex::isSafeName(KyString(std::string(KyAdsIndex::kMaxNameLength + 1, 'a').c_str())));
}

TEST_F(Ads, ListingAndCompletenessEndOnPagesThatReferToEachOther)
{
    // index -> a.xml -> b.xml -> a.xml and index; every page also names a picture.
    writeUserData("Ads/index.xml", page({"p0.png"}, "", "a.xml"));
    writeUserData("Ads/a.xml", page({"p1.png"}, "", "b.xml"));
    writeUserData("Ads/b.xml", "<b x=\"Backup/Ads/a.xml\" y=\"Backup/Ads/index.xml\" z=\"Backup/Ads/p2.png\"/>");
    KyAds ads;
    ads.update(KyString(kLocal), KyString(kTemp), KyString(kDefault), KyString("ads.orvalen.invalid/Ads"));
    KyArray<KyString> names;
    ads.listFiles(KyString("Backup/Ads/index.xml"), KyString(kLocal), names);
    std::vector<std::string> got;
    for (u32 i = 0; i < names.count(); ++i)
        got.push_back(names[i].c_str());
    EXPECT_EQ(got, (std::vector<std::string>{"p0.png", "a.xml", "p1.png", "b.xml", "index.xml", "p2.png"}));

    EXPECT_FALSE(ads.isComplete(KyString("Backup/Ads/index.xml")));
    for (const char* file : {"Ads/p0.png", "Ads/p1.png", "Ads/p2.png"})
        writeUserData(file, picture(InterfaceFiles::Grey));
    EXPECT_TRUE(ads.isComplete(KyString("Backup/Ads/index.xml")));
    EXPECT_FALSE(ads.isComplete(KyString("Backup/Ads/missing.xml")));
}

TEST_F(Ads, AFreshCacheStartsNoDownload)
{
    // Taken once: the clock may pass a second while the test runs.
    const s64 fetched = s64(std::time(nullptr)) - 3000;
    writeCache(fetched, "0");
    {
        KyAds ads;
        ads.cacheValidity = 7200;
        EXPECT_TRUE(ads.update(KyString(kLocal), KyString(kTemp), KyString(kDefault),
                               KyString("ads.orvalen.invalid/Orvalen3/PC/Part3/Ads")));
        EXPECT_EQ(ads.downloaders().count(), 0u);
        std::string corrupted;
        s64 time = 0;
        readCache(corrupted, time);
        EXPECT_EQ(corrupted, "1");
    }
    std::string corrupted;
    s64 time = 0;
    readCache(corrupted, time);
    EXPECT_EQ(corrupted, "0");
    EXPECT_EQ(time, fetched);
}

TEST_F(Ads, ACutShortRunSkipsOneRunOfAdvertsThenClears)
{
    writeCache(1300000000, "1");
    Watcher watcher;
    {
        KyAds ads;
        watcher.listen(ads);
        EXPECT_FALSE(ads.update(KyString(kLocal), KyString(kTemp), KyString(kDefault),
                                KyString("ads.orvalen.invalid/Orvalen3/PC/Part3/Ads")));
        EXPECT_TRUE(ads.isCorrupted());
        EXPECT_EQ(ads.downloaders().count(), 0u);
        ads.next();
        EXPECT_EQ(watcher.finished, 1);
        EXPECT_STREQ(ads.currentPage().c_str(), "");
    }
    // This run ended in order: the next one fetches again; the time on file stays.
    std::string corrupted;
    s64 time = 0;
    readCache(corrupted, time);
    EXPECT_EQ(corrupted, "0");
    EXPECT_EQ(time, 1300000000);
    KyAds ads;
    EXPECT_TRUE(ads.update(KyString(kLocal), KyString(kTemp), KyString(kDefault),
                           KyString("ads.orvalen.invalid/Orvalen3/PC/Part3/Ads")));
    ASSERT_TRUE(pumpUntil([&] { return !ads.isFetching(); }));
    EXPECT_EQ(ads.downloaders().count(), 1u);
}

TEST_F(Ads, ARotatorThatNeverUpdatedWritesANewCacheFile)
{
    {
        // Without folders there is nothing to show: the run ends at once.
        Watcher watcher;
        KyAds ads;
        watcher.listen(ads);
        ads.next();
        EXPECT_EQ(watcher.finished, 1);
    }
    std::string text = userDataRead("KyCache.xml");
    EXPECT_EQ(text.find("<?xml version=\"1.0\" ?>"), 0u) << text;
    EXPECT_NE(text.find("<FileFormatVersion major=\"1\" minor=\"0\" />"), std::string::npos) << text;
    std::string corrupted;
    s64 time = -1;
    readCache(corrupted, time);
    EXPECT_EQ(corrupted, "0");
    EXPECT_EQ(time, 0);
    // Written through a temporary file: nothing else is left.
    std::set<std::string> files;
    listTree(sandbox.userDataFolder(), "", files);
    EXPECT_EQ(files, (std::set<std::string>{"/KyCache.xml"}));
}

TEST_F(Ads, ACompleteDownloadedSetIsCommittedAndRotated)
{
    defaultSet();
    AdvertServer server(servedSet());
    ASSERT_TRUE(server.ok());
    Watcher watcher;
    KyAds ads;
    watcher.listen(ads);
    fetch(ads, server);
    KyOsClock::installFake(1000);
    // The shared picture is fetched once.
    EXPECT_EQ(downloadedNames(ads),
              (std::vector<std::string>{"index.xml", "shared.png", "pictures/first.png", "page2.xml", "second.png"}));
    s64 fetched = ads.lastFetchTime();
    EXPECT_LE(std::abs(fetched - s64(std::time(nullptr))), 5);

    // Checked whole, it replaced the local set before the adverts started.
    EXPECT_FALSE(userDataHas("AdsTmp"));
    EXPECT_TRUE(ads.isComplete(KyString("Backup/Ads/index.xml")));
    showFirstPage(ads);
    EXPECT_EQ(userDataRead("Ads/pictures/first.png"), picture(InterfaceFiles::Green));
    EXPECT_EQ(userDataRead("Ads/page2.xml"), sandbox.work().readFile("served/page2.xml"));
    EXPECT_STREQ(ads.currentPage().c_str(), "Backup/Ads/index.xml");
    EXPECT_EQ(ads.page().imageMap().count(), 2u);
    // The second page is read while the first shows.
    ASSERT_TRUE(pumpUntil([&] { return ads.isPrepared(); }));

    // Five seconds on the first page, then the second, which has neither
    // duration nor button: ten seconds, then the end.
    KyOsClock::advanceFake(4900000);
    KyTimer::updateAll();
    EXPECT_STREQ(ads.currentPage().c_str(), "Backup/Ads/index.xml");
    KyOsClock::advanceFake(200000);
    KyTimer::updateAll();
    EXPECT_STREQ(ads.currentPage().c_str(), "Backup/Ads/page2.xml");
    KyOsClock::advanceFake(9900000);
    KyTimer::updateAll();
    EXPECT_EQ(watcher.finished, 0);
    KyOsClock::advanceFake(200000);
    KyTimer::updateAll();
    EXPECT_EQ(watcher.finished, 1);
    EXPECT_STREQ(ads.currentPage().c_str(), "");
}

TEST_F(Ads, AnIncompleteSetIsNotCommittedAndTheDefaultSetIsShown)
{
    defaultSet();
    for (bool stopHalfway : {false, true}) {
        // Each run fetches: no cache from the run before.
        unlink(userData("KyCache.xml").c_str());
        KyDirectory::RemoveDir(KyString("Backup/Ads"));
        std::string root = servedSet(stopHalfway);
        // Either a picture is missing on the server, or the server stops
        // after its first answer.
        AdvertServer server(root, "normal", stopHalfway ? 1 : 0);
        ASSERT_TRUE(server.ok());
        KyAds ads;
        fetch(ads, server);
        EXPECT_FALSE(ads.isComplete(KyString("Backup/AdsTmp/index.xml")));
        showFirstPage(ads);
        // A fetch that ends without a whole set leaves nothing of it.
        EXPECT_FALSE(userDataHas("AdsTmp"));
        EXPECT_FALSE(userDataHas("Ads/page2.xml"));
        EXPECT_EQ(userDataRead("Ads/default.png"), picture(InterfaceFiles::Yellow));
        EXPECT_STREQ(ads.currentPage().c_str(), "Backup/Ads/index.xml");
        EXPECT_EQ(ads.page().imageMap().count(), 1u);
        ads.hide();
    }
}

// A set that arrives while the adverts show replaces the shown one when the
// game ends, once its check has ended. The end never waits for the check: a
// check the end cut short (no thread to be had, the frames not done with
// it) is made again at the next start, and that set is taken then.
TEST_F(Ads, AnEarlierCompleteSetStaysAndALateDownloadIsCommittedAtTheEnd)
{
    defaultSet();
    AdvertServer server(servedSet());
    ASSERT_TRUE(server.ok());
    for (bool held : {false, true}) {
        SCOPED_TRACE(held ? "no thread" : "a worker");
        unlink(userData("KyCache.xml").c_str());
        writeUserData("Ads/index.xml", page({"old.png"}, "", ""));
        writeUserData("Ads/old.png", picture(InterfaceFiles::Cyan));
        KyWorkerPool pool(held ? 0 : 1);
        {
            KyAds ads(pool);
            ASSERT_TRUE(ads.update(KyString(kLocal), KyString(kTemp), KyString(kDefault),
                                   KyString(server.location().c_str())));
            // The adverts start before anything arrived: the earlier set shows.
            showFirstPage(ads);
            EXPECT_EQ(ads.page().imageMap().count(), 1u);
            EXPECT_TRUE(userDataHas("Ads/old.png"));
            if (held) {
                ASSERT_TRUE(pumpUntil([&] { return downloadsEnded(ads) && ads.downloaders().count() == 5; }));
                EXPECT_TRUE(ads.isFetching());
            } else {
                ASSERT_TRUE(pumpUntil([&] { return !ads.isFetching() && ads.downloaders().count() == 5; }));
            }
        }
        EXPECT_EQ(userDataHas("Ads/old.png"), held);
        EXPECT_EQ(userDataHas("AdsTmp/second.png"), held);
        if (held) {
            // The next start checks the set left, and takes it.
            KyAds ads(pool);
            ads.update(KyString(kLocal), KyString(kTemp), KyString(kDefault), KyString(server.location().c_str()));
            ASSERT_TRUE(pumpUntil([&] { return !ads.isFetching(); }));
            showFirstPage(ads);
            EXPECT_EQ(ads.page().imageMap().count(), 2u);
            ads.hide();
        }
        EXPECT_FALSE(userDataHas("Ads/old.png"));
        EXPECT_FALSE(userDataHas("AdsTmp"));
        EXPECT_EQ(userDataRead("Ads/second.png"), picture(InterfaceFiles::Blue));
    }
}

TEST_F(Ads, AHostileServerChangesNothingOutsideTheAdvertFolder)
{
    defaultSet();
    sandbox.work().writeFile("served/index.xml", "<a/>");
    std::string root = sandbox.work().file("served");
    std::set<std::string> homeBefore, workBefore;
    listTree(sandbox.home().path(), "", homeBefore);
    listTree(sandbox.work().path(), "", workBefore);
    bool tmpBefore = access("/tmp/absolute.png", F_OK) == 0 || access("/tmp/absolute2.png", F_OK) == 0;

    for (const char* mode : {"names", "endless", "garbage", "bigheader", "short"}) {
        unlink(userData("KyCache.xml").c_str());
        AdvertServer server(root, mode);
        ASSERT_TRUE(server.ok()) << mode;
        StdoutCapture log;
        KyAds ads;
        fetch(ads, server);
        ads.next();
        if (std::string(mode) == "names") {
            // An index naming files outside the set is refused as it is
            // read: nothing it names is fetched.
            EXPECT_EQ(downloadedNames(ads), (std::vector<std::string>{"index.xml"}));
            EXPECT_NE(log.text().find("refused file name Backup/Ads/../escaped.png"), std::string::npos);
        }
        ads.hide();
    }

    std::set<std::string> homeAfter, workAfter;
    listTree(sandbox.home().path(), "", homeAfter);
    listTree(sandbox.work().path(), "", workAfter);
    EXPECT_EQ(workAfter, workBefore);
    for (const std::string& entry : homeAfter) {
        if (homeBefore.count(entry))
            continue;
        bool inside = entry == "/Documents" || entry == "/Documents/KyTests" ||
                      entry.rfind("/Documents/KyTests/Ads", 0) == 0 || entry == "/Documents/KyTests/KyCache.xml";
        EXPECT_TRUE(inside) << entry;
    }
    EXPECT_FALSE(sandbox.home().exists("Documents/escaped.png"));
    EXPECT_FALSE(sandbox.home().exists("Documents/KyTests/escaped.png"));
    EXPECT_FALSE(sandbox.home().exists("escaped2.png"));
    bool tmpAfter = access("/tmp/absolute.png", F_OK) == 0 || access("/tmp/absolute2.png", F_OK) == 0;
    EXPECT_EQ(tmpAfter, tmpBefore);
}

TEST_F(Ads, ButtonsSkipMoveOnAndBuyAndEachPageShowsOncePerRun)
{
    writeUserData("Ads/index.xml", page({}, "", "page2.xml", {"buy", "next", "skip"}));
    writeUserData("Ads/page2.xml", page({}, "", "index.xml", {"next"}));
    KyOsClock::installFake(1000);
    Watcher watcher;
    KyAds ads;
    watcher.listen(ads);
    ads.update(KyString(kLocal), KyString(kTemp), KyString(kDefault), KyString("ads.orvalen.invalid/Ads"));
    ASSERT_TRUE(pumpUntil([&] { return !ads.isFetching(); }));

    // A page with a way on does not move by itself.
    ads.next();
    KyOsClock::advanceFake(60000000);
    KyTimer::updateAll();
    EXPECT_STREQ(ads.currentPage().c_str(), "Backup/Ads/index.xml");

    ads.page().button(KyString("buy"))->onClicked().call();
    EXPECT_EQ(watcher.bought, std::vector<std::string>{"http://shop.invalid/buy"});
    EXPECT_STREQ(ads.currentPage().c_str(), "Backup/Ads/index.xml");

    ads.page().button(KyString("next"))->onClicked().call();
    EXPECT_STREQ(ads.currentPage().c_str(), "Backup/Ads/page2.xml");
    // Back to the first page: already shown, so the run ends.
    ads.page().button(KyString("next"))->onClicked().call();
    EXPECT_EQ(watcher.finished, 1);
    EXPECT_STREQ(ads.currentPage().c_str(), "");
    KyDeferredDeletion::deletePending();

    // Skip ends the run even though the page names a next one.
    ads.next();
    ASSERT_TRUE(ads.page().button(KyString("skip")));
    ads.page().button(KyString("skip"))->onClicked().call();
    EXPECT_EQ(watcher.finished, 2);
    EXPECT_STREQ(ads.currentPage().c_str(), "");
}

// A set is the whole contract: its pages may name only its pictures and
// pages, through elements that read nothing else. A page naming a sound, a
// music, a video, a font or any other file, or holding an element an advert
// page may not, makes the set not whole: left in the user-data folder, it is
// not shown (the shipped set is, in its place). The page shown is the text
// the set's reading checked, whatever the file holds by then.
TEST_F(Ads, APageThatReadsMoreThanItsSetsPicturesAndPagesMakesTheSetNotWhole)
{
    defaultSet();
    // The shipped set's own pages, read where they are kept.
    const std::string shipped = std::string(KY_SOURCE_DIR) + "/data/iPhone/DefaultAds/en";
    const KyAdsSet shippedSet(KyString(shipped.c_str()), KyString(kLocal));
    EXPECT_EQ(shippedSet.pages().size(), 2u);
    EXPECT_TRUE(shippedSet.isSelfContained());

    const std::string good = "  <sprite name=\"picture\" file=\"Backup/Ads/p.png\" visible=\"1\">\n"
                             "    <position x=\"0\" y=\"0\" z=\"40\"/><scaleCenter x=\"0.5\"/>\n  </sprite>\n"
                             "  <sprite_button name=\"skip\" up_file=\"Backup/Ads/p.png\" down_file=\"\">\n"
                             "    <leftMargin value=\"2\"/>\n  </sprite_button>\n"
                             "  <value name=\"nextPath\" value=\"Backup\\Ads\\page2.xml\"/>\n";
    struct Case {
        std::string line;
        // What the log says of the page (empty: the set is whole).
        const char* logged;
    } cases[] = {
        {"", ""},
        {"<platform type=\"PC\"><group name=\"g\"><img file=\"Backup/Ads/p.png\"/></group></platform>", ""},
        {"<movement2 name=\"m\"><Duration>1</Duration><Opacity><StartValue>0</StartValue><EndValue>1</EndValue>"
         "<Interpolation>0,1</Interpolation></Opacity></movement2>",
         ""},
        {"<sfx name=\"s\" file=\"Backup/Ads/long.ogg\"/>", "holds <sfx>"},
        {"<SFX File=\"Backup/Ads/long.ogg\"/>", "holds <SFX>"},
        {"<music file=\"Backup/Ads/long.ogg\"/>", "holds <music>"},
        {"<kyvideoplayer video_file=\"Backup/Ads/p.png\"/>", "holds <kyvideoplayer>"},
        {"<text2 name=\"t\"><p>Buy</p></text2>", "holds <text2>"},
        {"<kysoundplayer audio_file=\"Backup/Ads/long.ogg\"/>", "holds <kysoundplayer>"},
        {"<check_box active_file=\"Backup/Ads/p.png\"/>", "holds <check_box>"},
        {"<sprite_button name=\"buy\" up_file=\"Backup/Ads/p.png\" Text=\"Buy\"/>",
         "holds <sprite_button Text=\"Buy\">, a label"},
        {"<value name=\"note\" value=\"Backup/Ads/long.ogg\"/>",
         "names Backup/Ads/long.ogg, neither a picture nor a page"},
        {"<sprite file=\"GUI/Menu.png\"/>", "names no picture of the advert set in <sprite file=\"GUI/Menu.png\">"},
        {"<img file=\"Backup/Ads/page2.xml\"/>", "names no picture of the advert set"},
        {"<sprite file=\"./p.png\"/>", "names no picture of the advert set"},
        {"<group><value name=\"nextPath\" value=\"Menus/main.xml\"/></group>", "names no page of the advert set"},
        {"<marquee/>", "holds <marquee>"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        const bool whole = *c.logged == '\0';
        KyDirectory::RemoveDir(KyString("Backup/Ads"));
        const std::string index = "<advert>\n" + good + "  " + c.line + "\n</advert>\n";
        writeUserData("Ads/index.xml", index);
        writeUserData("Ads/page2.xml", page({"p.png"}, "", ""));
        writeUserData("Ads/p.png", picture(InterfaceFiles::Green));
        writeUserData("Ads/long.ogg", std::string(1000, 'x'));
        writeCache(std::time(nullptr), "0");
        StdoutCapture log;
        const KyAdsSet set((KyString(kLocal)), KyString(kLocal));
        EXPECT_TRUE(set.isComplete());
        EXPECT_EQ(set.isShowable(), whole);
        if (!whole) {
            EXPECT_NE(log.text().find("[KyAds::isWhole] Backup/Ads/index.xml " + std::string(c.logged)),
                      std::string::npos)
                << log.text();
        }
        KyAds ads;
        ads.update(KyString(kLocal), KyString(kTemp), KyString(kDefault), KyString("ads.orvalen.invalid/Ads"));
        showFirstPage(ads);
        EXPECT_STREQ(ads.currentPage().c_str(), "Backup/Ads/index.xml");
        EXPECT_EQ(ads.page().sfxMap().count(), 0u);
        if (!whole) {
            EXPECT_EQ(userDataRead("Ads/index.xml"), sandbox.work().readFile("iPhone/DefaultAds/en/index.xml"));
            EXPECT_EQ(drawnImages(ads), 1u);
            continue;
        }
        EXPECT_EQ(ads.page().spriteMap().count(), 1u);
        // Changed once the set was read: the page shown is the text checked.
        writeUserData("Ads/page2.xml", "<advert><sfx name=\"s\" file=\"Backup/Ads/long.ogg\"/></advert>");
        ads.onNextButton();
        ASSERT_TRUE(pumpUntil([&] { return ads.waitingPage().length() == 0; }));
        EXPECT_STREQ(ads.currentPage().c_str(), "Backup/Ads/page2.xml");
        EXPECT_EQ(ads.page().sfxMap().count(), 0u);
        EXPECT_EQ(drawnImages(ads), 1u);
        ads.hide();
    }
}

TEST_F(Ads, PagesWithoutAWayOnAdvanceAfterTenSecondsAndBadPagesEndTheRun)
{
    struct Case {
        std::string first;
        u64 advanceAfter;  // microseconds; 0: the run ends at once
    } cases[] = {
        {page({}, "", "page2.xml"), 10000000},
        {page({}, "", "page2.xml", {"buy"}), 10000000},
        {page({}, "abc", "page2.xml"), 10000000},
        {page({}, "-5", "page2.xml"), 10000000},
        {page({}, "2500000", "page2.xml", {"buy", "next"}), 2500000},
        {page({}, "0", "page2.xml"), 1},
        {"<not xml", 0},
    };
    for (const Case& c : cases) {
        writeUserData("Ads/index.xml", c.first);
        writeUserData("Ads/page2.xml", page({}, "1000000", "missing.xml"));
        KyOsClock::installFake(1000);
        Watcher watcher;
        KyAds ads;
        watcher.listen(ads);
        ads.update(KyString(kLocal), KyString(kTemp), KyString(kDefault), KyString("ads.orvalen.invalid/Ads"));
        ASSERT_TRUE(pumpUntil([&] { return !ads.isFetching(); }));
        ads.next();
        if (c.advanceAfter == 0) {
            EXPECT_EQ(watcher.finished, 1) << c.first;
            continue;
        }
        KyOsClock::advanceFake(c.advanceAfter - 1);
        KyTimer::updateAll();
        if (c.advanceAfter > 1) {
            EXPECT_STREQ(ads.currentPage().c_str(), "Backup/Ads/index.xml") << c.first;
        }
        KyOsClock::advanceFake(1);
        KyTimer::updateAll();
        EXPECT_STREQ(ads.currentPage().c_str(), "Backup/Ads/page2.xml") << c.first;
        // The second page names a page that does not load: the run ends.
        KyOsClock::advanceFake(1000000);
        KyTimer::updateAll();
        EXPECT_EQ(watcher.finished, 1) << c.first;
        KyDeferredDeletion::deletePending();
    }
}

TEST(AdsIndex, ReadingIsLinearInTheNamesAndStopsPastTheCountAllowed)
{
    std::string xml = "<?xml version=\"1.0\"?>\n<advert>\n";
    for (int i = 0; i < 100000; ++i)
        xml += "<img file=\"Backup/Ads/p" + std::to_string(i) + ".png\"/>\n";
    xml += "</advert>\n";
    KyArray<KyString> names;
    const double ratio = LinearReading::againstParse(xml, [&] {
        names.clear();
        KyAdsIndex::readText(xml.c_str(), u32(xml.size()), KyString("Backup/Ads"), names, KyString("big.xml"));
    });
    ASSERT_EQ(names.count(), 100000u);
    EXPECT_STREQ(names[99999].c_str(), "p99999.png");
    EXPECT_LT(ratio, LinearReading::kAllowedRatio);

    // With a count allowed, one name past it ends the reading.
    names.clear();
    names.pushBack(KyString("p3.png"));
    ASSERT_TRUE(KyAdsIndex::readText(xml.c_str(), u32(xml.size()), KyString("Backup/Ads"), names,
                                     KyString("big.xml"), 256));
    EXPECT_EQ(names.count(), 257u);
    EXPECT_STREQ(names[256].c_str(), "p256.png");
}

namespace {

// The good set a player has from an earlier run, and a set the host serves
// in its place: an index that starts, as the shipped one does, with a
// comment; two pages, a PNG and a JPEG picture.
struct SetPair {
    std::string goodIndex = page({"good.png"}, "", "");
    std::string goodPicture = picture(InterfaceFiles::Cyan);
    std::string servedIndex = "<?xml version=\"1.0\" ?>\n<!-- The adverts of the season: two pages of five seconds "
                              "each, then the menu. Files of the set are named from the advert folder the set is "
                              "shown from. -->\n" +
                              page({"photo.jpg", "season.png"}, "5000000", "page2.xml").substr(22);
};

} // namespace

// Whatever the host sends in place of a set - an index cut inside its
// declaration or its first comment, a login portal's page, pictures cut by
// the host's close, an index of twenty thousand names - the set the player
// had stays, is shown, and is there again at the next run.
TEST_F(Ads, ASetThatIsNotWholeNeverReplacesTheLastGoodOne)
{
    const SetPair sets;
    TempDir& work = sandbox.work();
    work.writeFile("served/index.xml", sets.servedIndex);
    work.writeFile("served/page2.xml", page({"season.png"}, "", ""));
    work.writeFile("served/season.png", picture(InterfaceFiles::Red));
    work.writeFile("served/photo.jpg",
                   ImageWriters::toString(ImageWriters::jpeg(64, 48, 3, ImageWriters::photo(64, 48, 3))));
    ASSERT_LT(sets.servedIndex.find("<!--") + 4, 30u);
    ASSERT_GT(sets.servedIndex.find("-->"), 150u);
    struct Case {
        const char* mode;
        std::vector<std::string> options;
        const char* logged;
    } cases[] = {
        {"cutindex", {"--cut", "7"}, "declaration without its end"},
        {"cutindex", {"--cut", "30"}, "comment without its end"},
        {"cutindex", {"--cut", "150"}, "comment without its end"},
        {"portal", {}, "which an advert page may not hold"},
        {"cutbody", {}, "AdsTmp/photo.jpg is not a whole picture"},
        // An index larger than a set may read is not even received.
        {"manynames", {}, "the response is larger than 196608 bytes"},
        // Pictures that take a few kilobytes to send and tens of megabytes
        // to decode: refused from their header.
        {"bigpictures", {"--names", "12"}, "AdsTmp/p0.png is larger than the advert budget allows"},
        // Pictures of one pixel whose data inflates to 1 GiB after it: a
        // megabyte each to send, refused after a piece of it.
        {"bombpictures", {"--names", "8"}, "AdsTmp/p0.png is not a whole picture"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.mode) + (c.options.empty() ? "" : " " + c.options[1]));
        unlink(userData("KyCache.xml").c_str());
        KyDirectory::RemoveDir(KyString("Backup/Ads"));
        writeUserData("Ads/index.xml", sets.goodIndex);
        writeUserData("Ads/good.png", sets.goodPicture);
        AdvertServer server(work.file("served"), c.mode, 0, c.options);
        ASSERT_TRUE(server.ok());
        StdoutCapture log;
        {
            KyAds ads;
            fetch(ads, server);
            // Nothing is left of a fetch that did not end in a whole set.
            EXPECT_FALSE(userDataHas("AdsTmp"));
            showFirstPage(ads);
            EXPECT_STREQ(ads.currentPage().c_str(), "Backup/Ads/index.xml");
            EXPECT_EQ(ads.page().imageMap().count(), 1u);
        }
        EXPECT_EQ(userDataRead("Ads/index.xml"), sets.goodIndex);
        EXPECT_EQ(userDataRead("Ads/good.png"), sets.goodPicture);
        EXPECT_FALSE(userDataHas("Ads/season.png"));
        EXPECT_NE(log.text().find(c.logged), std::string::npos) << log.text();
    }

    // A downloaded page that names a sound ends the fetch as it is read:
    // the sound is never fetched.
    {
        unlink(userData("KyCache.xml").c_str());
        work.writeFile("sounding/index.xml", "<advert><img name=\"a\" file=\"Backup/Ads/season.png\"/>"
                                             "<sfx name=\"s\" file=\"Backup/Ads/long.ogg\"/></advert>");
        work.writeFile("sounding/season.png", picture(InterfaceFiles::Red));
        work.writeFile("sounding/long.ogg", "OggS");
        AdvertServer server(work.file("sounding"));
        ASSERT_TRUE(server.ok());
        StdoutCapture log;
        KyAds ads;
        fetch(ads, server);
        EXPECT_FALSE(userDataHas("AdsTmp"));
        for (const KyHTTPDownloader* downloader : ads.downloaders())
            EXPECT_NE(downloader->request.field(KyString("filename")), "long.ogg");
        EXPECT_NE(log.text().find("holds <sfx>"), std::string::npos) << log.text();
        EXPECT_EQ(userDataRead("Ads/index.xml"), sets.goodIndex);
    }

    // The same set served whole replaces the good one.
    unlink(userData("KyCache.xml").c_str());
    AdvertServer server(work.file("served"));
    ASSERT_TRUE(server.ok());
    KyAds ads;
    fetch(ads, server);
    showFirstPage(ads);
    EXPECT_EQ(userDataRead("Ads/index.xml"), sets.servedIndex);
    EXPECT_FALSE(userDataHas("Ads/good.png"));
    ads.hide();
}

// A downloaded index is read off the frame once its download ends: the
// reading stops at the bounds of a set, however large the index the host sends.
TEST_F(Ads, AnIndexPastTheBoundsOfASetCostsItsFrameNothing)
{
    KyAds ads;
    {
        StdoutCapture quiet;
        ads.update(KyString(kLocal), KyString(kTemp), KyString(kDefault), KyString("ads.orvalen.invalid/Ads"));
        ASSERT_TRUE(pumpUntil([&] { return !ads.isFetching(); }));
    }
    const u32 downloadsBefore = ads.downloaders().count();
    struct Case {
        u32 names;
        const char* logged;
    } cases[] = {{20000, "the XML files of the advert set pass 131072 bytes"},
                 {1000, "names more than 256 files: the advert set is refused"}};
    for (const Case& c : cases) {
        std::string index = "<?xml version=\"1.0\"?>\n<advert>\n";
        for (u32 i = 0; i < c.names; ++i)
            index += "  <img name=\"p" + std::to_string(i) + "\" file=\"Backup/Ads/p" + std::to_string(i) +
                     ".png\"/>\n";
        index += "</advert>\n";
        writeUserData("AdsTmp/index.xml", index);
        KyHTTPDownloader downloaded;
        downloaded.file = KyPath("Backup/AdsTmp/index.xml");
        StdoutCapture log;
        const double ratio = LinearReading::againstParse(index, [&] { ads.onFileDownloaded(downloaded); });
        ASSERT_TRUE(pumpUntil([&] { return !ads.isFetching(); }));
        EXPECT_NE(log.text().find(c.logged), std::string::npos) << log.text();
        EXPECT_EQ(ads.downloaders().count(), downloadsBefore) << c.names;
        if (c.names == 20000) {
            // Refused by its size: not even parsed.
            EXPECT_LT(ratio, 0.2) << c.names;
        }
        EXPECT_FALSE(ads.isComplete(KyString("Backup/AdsTmp/index.xml")));
    }
}

// The pictures of a set count against one budget: eight that fill it are
// whole, a few pixels more are not. The pages of the set shown are read on a
// worker ahead of their showing, with the allowance the set is checked with,
// and made textures between frames: the first while the splashes show, the
// next while its page shows. A page's sprites show those textures, however
// the page spells their files, and the end of the run drops what is left.
TEST_F(Ads, TheBudgetCountsEveryPictureAndPagesAreReadAheadOfTheirShowing)
{
    const u32 side = KyAds::kMaxPictureSide;
    ASSERT_EQ(u64(side) * side * 8, KyAds::kMaxSetPixels);
    const std::string eighth = InterfaceFiles::flatPng(side, side, InterfaceFiles::Blue);
    std::string index = "<?xml version=\"1.0\"?>\n<advert>\n";
    // The spellings the page loader reads as the one file.
    const std::vector<std::string> folders = {"Backup\\Ads\\", "Backup//Ads//", "Backup/Ads/", "Backup/Ads/",
                                              "Backup/Ads/",   "Backup/Ads/",   "Backup/Ads/", "Backup/Ads/"};
    const std::vector<std::string> names = {"a", "b", "c", "d", "f", "g", "h", "i"};
    for (size_t i = 0; i < names.size(); ++i) {
        index += "  <sprite name=\"" + names[i] + "\" file=\"" + folders[i] + names[i] + ".png\"/>\n";
        writeUserData("Ads/" + names[i] + ".png", eighth);
    }
    writeUserData("Ads/index.xml", index + "  <value name=\"nextPath\" value=\"Backup/Ads/page2.xml\"/>\n</advert>\n");
    writeUserData("Ads/page2.xml", page({"e.png"}, "", ""));
    writeUserData("Ads/e.png", picture(InterfaceFiles::Red));
    writeCache(std::time(nullptr), "0");
    {
        const KyAdsSet set((KyString(kLocal)), KyString(kLocal));
        ASSERT_TRUE(set.isShowable());
        EXPECT_EQ(set.pictures().size(), 9u);
        KyAdsPictures check;
        check.start(set.pictures(), false, side, KyAds::kMaxSetPixels, set.byteAllowance());
        check.finish();
        EXPECT_FALSE(check.isWhole());
        EXPECT_STREQ(check.failure().c_str(),
                     "Backup/Ads/e.png is larger than the advert budget allows (512 x 512 pixels a picture, 2097152 "
                     "in all)");
    }
    KyAds ads;
    ASSERT_TRUE(ads.update(KyString(kLocal), KyString(kTemp), KyString(kDefault), KyString("ads.orvalen.invalid/Ads")));
    ASSERT_TRUE(pumpUntil([&] { return ads.preparedPage().length() > 0; }));
    EXPECT_STREQ(ads.preparedPage().c_str(), "Backup/Ads/index.xml");
    ASSERT_TRUE(pumpUntil([&] { return ads.isPrepared(); }));
    ads.next();
    EXPECT_STREQ(ads.currentPage().c_str(), "Backup/Ads/index.xml");
    for (const std::string& name : names) {
        const KyPath file = KyFile::resolvePath(KyString(("Backup/Ads/" + name + ".png").c_str()));
        Ky3DTexture* prepared =
            KySingleton<KyResourceManager>::instance()->find<Ky3DTexture>(file + KyString(".3dtex"));
        ASSERT_TRUE(prepared) << name;
        ASSERT_TRUE(ads.page().sprite(KyString(name.c_str()))) << name;
        EXPECT_EQ(ads.page().sprite(KyString(name.c_str()))->texture().get(), prepared) << name;
    }
    EXPECT_STREQ(ads.preparedPage().c_str(), "Backup/Ads/page2.xml");
    // Skipped, the run keeps nothing it read ahead.
    ads.onSkip();
    EXPECT_STREQ(ads.preparedPage().c_str(), "");
}

// A page due before its pictures are read waits for them while the frames
// go on: the page before stays, its "next" spent, until a worker has read
// them; then it shows with them. A worker held elsewhere past kMaxPageWait
// ends the run, once. A pool that cannot give a thread at all (stopped, or
// without threads) does not hold the page for one: the frames read the
// pictures, one a frame.
TEST_F(Ads, APageWaitsForItsPicturesWhileTheFramesGoOnOrEndsTheRunInTime)
{
    const std::vector<std::string> pictures = {"a.png", "b.png", "c.png", "d.png"};
    writeUserData("Ads/index.xml", page({}, "100000", "page2.xml", {"next"}));
    writeUserData("Ads/page2.xml", page(pictures, "", ""));
    for (const std::string& name : pictures)
        writeUserData("Ads/" + name, picture(InterfaceFiles::Red));
    {
        // The set itself is read off the frame: a run asked for before that
        // reading has come waits for it as a page waits for its pictures.
        writeCache(std::time(nullptr), "0");
        KyOsClock::installFake(1000);
        KyWorkerPool none(0);
        StdoutCapture log;
        KyAds ads(none);
        ads.update(KyString(kLocal), KyString(kTemp), KyString(kDefault), KyString("ads.orvalen.invalid/Ads"));
        ads.next();
        EXPECT_STREQ(ads.currentPage().c_str(), "");
        EXPECT_TRUE(KyFrameWait::isAnyWaiting());
        ASSERT_TRUE(pumpUntil([&] { return ads.currentPage().length() > 0; }));
        EXPECT_FALSE(KyFrameWait::isAnyWaiting());
        ads.hide();
    }
    enum Pool { Free, Held, Stopped, Threadless };
    struct Case {
        const char* name;
        Pool pool;
        const char* logged;
    } cases[] = {
        {"a worker free", Free, nullptr},
        {"the one worker held elsewhere", Held,
         "[KyAds::show] the pictures of Backup/Ads/page2.xml were not read within 5000 ms: the adverts end\n"},
        {"a stopped pool", Stopped, nullptr},
        {"a pool without threads", Threadless, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        writeCache(std::time(nullptr), "0");
        KyOsClock::installFake(1000);
        KyWorkerPool pool(c.pool == Threadless ? 0 : 1);
        if (c.pool == Stopped)
            pool.stop();
        // The one worker is held until the page is due (its pictures read
        // no sooner), or for good.
        std::atomic<bool> held(c.pool == Free || c.pool == Held), holding(false);
        KyWorkerPool::Group holder(KyWorkerPool::Now, pool);
        Watcher watcher;
        StdoutCapture log;
        KyAds ads(pool);
        watcher.listen(ads);
        ads.update(KyString(kLocal), KyString(kTemp), KyString(kDefault), KyString("ads.orvalen.invalid/Ads"));
        // The set is read (on the lane) before the worker is held.
        ASSERT_TRUE(pumpUntil([&] { return !ads.isFetching(); }));
        if (held) {
            holder.add([&] {
                holding = true;
                while (held)
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
            });
            ASSERT_TRUE(pumpUntil([&] { return holding.load(); }));
        }
        // The first page reads no picture: it shows at once.
        ads.next();
        ASSERT_STREQ(ads.currentPage().c_str(), "Backup/Ads/index.xml");
        EXPECT_FALSE(KyFrameWait::isAnyWaiting());
        KyOsClock::advanceFake(100000);
        KyTimer::updateAll();
        ASSERT_STREQ(ads.waitingPage().c_str(), "Backup/Ads/page2.xml");
        // A scripted run holds its clock meanwhile.
        EXPECT_TRUE(KyFrameWait::isAnyWaiting());
        // The page after is on its way: "next" again neither ends the run
        // nor shows anything sooner.
        ads.page().button(KyString("next"))->onClicked().call();
        EXPECT_STREQ(ads.currentPage().c_str(), "Backup/Ads/index.xml");
        if (c.pool == Free) {
            // The frames go on while the worker reads, on a clock that does
            // not move: however long it takes, the page shows with them.
            held = false;
            ASSERT_TRUE(pumpUntil([&] { return ads.waitingPage().length() == 0; }));
            EXPECT_FALSE(KyFrameWait::isAnyWaiting());
            EXPECT_STREQ(ads.currentPage().c_str(), "Backup/Ads/page2.xml");
            EXPECT_EQ(drawnImages(ads), 4u);
            EXPECT_EQ(watcher.finished, 0);
            continue;
        }
        int frames = 0;
        for (; ads.waitingPage().length() > 0 && frames < 1000; ++frames) {
            EXPECT_STREQ(ads.currentPage().c_str(), "Backup/Ads/index.xml");
            KyOsClock::advanceFake(16667);
            KyTimer::updateAll();
        }
        if (c.pool != Held) {
            // A picture a frame from the one the page came due in, their
            // textures in the frame of the last.
            EXPECT_EQ(frames, 3);
            EXPECT_STREQ(ads.currentPage().c_str(), "Backup/Ads/page2.xml");
            EXPECT_EQ(drawnImages(ads), 4u);
            EXPECT_EQ(watcher.finished, 0);
            continue;
        }
        // Five seconds of frames of a sixtieth.
        EXPECT_NEAR(frames, 300, 2);
        EXPECT_EQ(watcher.finished, 1);
        EXPECT_STREQ(ads.currentPage().c_str(), "");
        EXPECT_NE(log.text().find(c.logged), std::string::npos) << log.text();
        for (int frame = 0; frame < 10; ++frame)
            KyTimer::updateAll();
        EXPECT_EQ(watcher.finished, 1);
        held = false;
    }
}

// Each picture of a set costs what its pixels need, and the set's files are
// read no further than 8 bytes a pixel of the budget and 64 KiB a picture
// in all: pictures whose files hold far more than their pixels (each within
// what its reader walks through) end the reading once they pass it, and a
// file that goes on past its picture is no whole picture.
TEST_F(Ads, ASetsPicturesAreReadNoFurtherThanItsBudgetAllows)
{
    ImageWriters::PngImage p;
    p.width = 1;
    p.height = 1;
    p.rows = {1, 2, 3};
    auto withText = [&](int chunks) {
        std::vector<ImageWriters::Bytes> text(chunks, ImageWriters::pngChunk("tEXt", ImageWriters::pattern(4000)));
        return ImageWriters::toString(ImageWriters::pngWith(ImageWriters::png(p), text));
    };
    writeUserData("Ads/t0.png", withText(15));   // 60 KB each
    writeUserData("Ads/t1.png", withText(15));
    writeUserData("Ads/t2.png", withText(40));   // 160 KB
    std::vector<KyAdsPictures::Source> sources;
    for (const char* name : {"Backup/Ads/t0.png", "Backup/Ads/t1.png", "Backup/Ads/t2.png"}) {
        KyAdsPictures::Source source;
        source.path = name;
        source.diskPath = KyFile::resolvePath(source.path);
        sources.push_back(source);
    }
    const u64 pixels = 1000;
    KyAdsPictures pictures;
    // Two: 120 KB of the 8,000 + 2 x 65,536 bytes allowed.
    pictures.start(std::vector<KyAdsPictures::Source>(sources.begin(), sources.begin() + 2), false, 512, pixels,
                   8 * pixels + 2 * 65536);
    pictures.finish();
    EXPECT_TRUE(pictures.isWhole()) << pictures.failure().c_str();
    EXPECT_EQ(pictures.pixels(), 2u);
    // Three: 280 KB of 204,608.
    pictures.start(sources, false, 512, pixels, 8 * pixels + 3 * 65536);
    pictures.finish();
    EXPECT_FALSE(pictures.isWhole());
    EXPECT_STREQ(pictures.failure().c_str(),
                 "Backup/Ads/t2.png takes the pictures of the advert set past 204608 bytes");

    // A file is whole where its picture ends: a BMP's rows padded to four
    // bytes end it, bytes past a PNG's end do not.
    ImageWriters::BmpImage odd;
    odd.width = 3;
    odd.height = 2;
    odd.rows = ImageWriters::Bytes(18, 0x40);
    writeUserData("Ads/odd.bmp", ImageWriters::toString(ImageWriters::bmp(odd)));
    writeUserData("Ads/after.png", ImageWriters::toString(ImageWriters::png(p)) + std::string(100, '\0'));
    for (const char* name : {"Backup/Ads/odd.bmp", "Backup/Ads/after.png"}) {
        KyAdsPictures::Source source;
        source.path = name;
        source.diskPath = KyFile::resolvePath(source.path);
        pictures.start({source}, false, 512, pixels, 8 * pixels + 65536);
        pictures.finish();
        EXPECT_EQ(pictures.isWhole(), std::string(name) == "Backup/Ads/odd.bmp") << name;
    }
    EXPECT_STREQ(pictures.failure().c_str(), "Backup/Ads/after.png is not a whole picture: its file goes on past it");
}

// A fetch never takes the player's last free space, and never leaves a set
// that is not whole for a later run: too little room starts no download, and
// a set a cut-short run left that is not whole goes at once (a run whose
// cache mark could not be cleared fetches nothing, so only this clears it).
TEST_F(Ads, AFetchWithoutRoomOrACutShortRunsSetLeavesNoTemporaryFolder)
{
    defaultSet();
    AdvertServer server(servedSet());
    ASSERT_TRUE(server.ok());
    for (bool cutShort : {false, true}) {
        SCOPED_TRACE(cutShort ? "a cut-short run's set" : "too little room");
        if (cutShort)
            writeCache(1300000000, "1");
        else
            unlink(userData("KyCache.xml").c_str());
        // What an earlier run left: an index naming a picture that is not there.
        writeUserData("AdsTmp/index.xml", page({"missing.png"}, "", ""));
        StdoutCapture log;
        KyAds ads;
        ads.keeper().freeSpace = [](const KyString&, u64& bytes) {
            bytes = u64(1) << 20;
            return true;
        };
        ads.update(KyString(kLocal), KyString(kTemp), KyString(kDefault), KyString(server.location().c_str()));
        ASSERT_TRUE(pumpUntil([&] { return !ads.isFetching(); }));
        EXPECT_EQ(ads.downloaders().count(), 0u);
        EXPECT_FALSE(userDataHas("AdsTmp"));
        if (!cutShort) {
            EXPECT_NE(log.text().find("bytes free, fewer than the"), std::string::npos) << log.text();
        }
    }
}

// The host's name is looked up once a fetch, on a worker; a look-up still
// running when the adverts end is dropped, and nothing waits for it.
namespace {

struct SlowResolver {
    static std::atomic<bool> release;
    static std::atomic<int> calls;
    static std::atomic<int> answered;
    static std::atomic<bool> onCaller;
    static std::thread::id caller;
    static bool resolve(const char*, std::uint32_t& address, int&)
    {
        ++calls;
        if (std::this_thread::get_id() == caller)
            onCaller = true;
        // Held at most a minute, so that a wait for it shows as a hang.
        for (int i = 0; i < 60000 && !release && !onCaller; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        address = htonl(INADDR_LOOPBACK);
        ++answered;
        return true;
    }
};
std::atomic<bool> SlowResolver::release(false);
std::atomic<int> SlowResolver::calls(0);
std::atomic<int> SlowResolver::answered(0);
std::atomic<bool> SlowResolver::onCaller(false);
std::thread::id SlowResolver::caller;

} // namespace

TEST_F(Ads, TheHostIsLookedUpOffTheFrameOnceAndADroppedLookUpIsNotWaitedFor)
{
    defaultSet();
    AdvertServer server(servedSet());
    ASSERT_TRUE(server.ok());
    const std::string port = server.address().substr(server.address().find(':'));
    const std::string location = "adverts.example" + port + AdvertServer::kPath;
    KyWorkerPool pool(2);
    SlowResolver::caller = std::this_thread::get_id();
    KyOsSocket::installResolver(&SlowResolver::resolve);
    for (bool answered : {true, false}) {
        SCOPED_TRACE(answered ? "answered" : "dropped");
        unlink(userData("KyCache.xml").c_str());
        SlowResolver::release = answered;
        SlowResolver::calls = 0;
        SlowResolver::answered = 0;
        {
            Watcher watcher;
            KyAds ads(pool);
            watcher.listen(ads);
            ASSERT_TRUE(ads.update(KyString(kLocal), KyString(kTemp), KyString(kDefault), KyString(location.c_str())));
            if (answered) {
                ASSERT_TRUE(pumpUntil([&] { return !ads.isFetching(); }));
                EXPECT_EQ(ads.downloaders().count(), 5u);
                EXPECT_EQ(userDataRead("Ads/second.png"), picture(InterfaceFiles::Blue));
                continue;
            }
            ASSERT_TRUE(pumpUntil([&] { return SlowResolver::calls == 1; }));
            showFirstPage(ads);
            ads.onSkip();
            EXPECT_EQ(watcher.finished, 1);
            KyTimer::updateAll();
            EXPECT_FALSE(ads.isFetching());
        }
        EXPECT_EQ(SlowResolver::answered.load(), answered ? 1 : 0);
    }
    EXPECT_EQ(SlowResolver::calls.load(), 1);
    EXPECT_FALSE(SlowResolver::onCaller.load());
    SlowResolver::release = true;
    ASSERT_TRUE(pumpUntil([&] { return SlowResolver::answered == 1; }));
    KyOsSocket::installResolver(nullptr);
}
