#include "core/KyCallback0Param.h"
#include "core/KyCallback1Param.h"
#include "core/KyCore.h"
#include "core/KyDirectory.h"
#include "core/KyFile.h"
#include "core/KySerialLane.h"
#include "core/KySingleton.h"
#include "core/KyWorkerPool.h"
#include "net/KyHTTPDownloader.h"
#include "net/KyHTTPRequest.h"
#include "net/KyHTTPResponse.h"
#include "os/KyOsClock.h"

#include "tests/net/AdvertServer.h"
#include "tests/net/LoopbackPeer.h"
#include "tests/support/StdoutCapture.h"
#include "tests/support/UserDataSandbox.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>
#include <dirent.h>
#include <malloc.h>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <vector>

extern "C" size_t __sanitizer_get_current_allocated_bytes() __attribute__((weak));

namespace {

// Bytes of the heap in use now.
size_t heapInUse()
{
    if (__sanitizer_get_current_allocated_bytes)
        return __sanitizer_get_current_allocated_bytes();
    struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

// The temporary files a download leaves in a folder (by name), with their
// sizes.
std::vector<std::pair<std::string, long long>> temporariesIn(const std::string& folder)
{
    std::vector<std::pair<std::string, long long>> found;
    DIR* listing = opendir(folder.c_str());
    if (!listing)
        return found;
    while (dirent* entry = readdir(listing)) {
        KyString base;
        struct stat info;
        if (KyFile::isTemporaryName(KyString(entry->d_name), base) &&
            stat((folder + "/" + entry->d_name).c_str(), &info) == 0)
            found.push_back({base.c_str(), (long long)info.st_size});
    }
    closedir(listing);
    return found;
}

KyHTTPResponse parse(const std::string& bytes)
{
    return KyHTTPResponse::parse(reinterpret_cast<const u8*>(bytes.data()), u32(bytes.size()));
}

std::string bodyOf(const std::string& bytes, const KyHTTPResponse& response)
{
    return bytes.substr(response.bodyStart, response.bodyLength);
}

// Records what a request or a downloader reports.
struct Outcome {
    int responses = 0;
    std::vector<u32> failures;
    std::vector<u32> downloadFailures;
    int successes = 0;

    bool onResponse()
    {
        ++responses;
        return false;
    }
    bool onFailure(KyHTTPRequest::Failure failure)
    {
        failures.push_back(failure);
        return false;
    }
    bool onSuccess(KyHTTPDownloader&)
    {
        ++successes;
        return false;
    }
    bool onDownloadFailure(u32 status)
    {
        downloadFailures.push_back(status);
        return false;
    }
    bool ended() const { return responses + failures.size() + successes + downloadFailures.size() > 0; }
    void listen(KyHTTPRequest& request)
    {
        request.onResponse.pushBack(kyNewCallback(this, &Outcome::onResponse));
        request.onFailure.pushBack(kyNewCallback(this, &Outcome::onFailure));
    }
    void listen(KyHTTPDownloader& downloader)
    {
        downloader.onSuccess.pushBack(kyNewCallback(this, &Outcome::onSuccess));
        downloader.onFailure.pushBack(kyNewCallback(this, &Outcome::onDownloadFailure));
    }
};

class HTTP : public ::testing::Test {
protected:
    HTTP() : sandbox("Orvalen The Wandrel Part 3") {}

    // A served folder with a few files.
    std::string servedFolder()
    {
        sandbox.work().writeFile("served/index.xml", "<ads/>");
        sandbox.work().writeFile("served/ten.bin", "0123456789");
        sandbox.work().writeFile("served/empty.bin", "");
        return sandbox.work().file("served");
    }

    // Sets a downloader up to fetch name from host into file, told to outcome.
    static void prepare(KyHTTPDownloader& downloader, Outcome& outcome, const std::string& host, const char* name,
                        const char* file)
    {
        outcome.listen(downloader);
        downloader.request.setField(KyString("filename"), KyString(name));
        downloader.location = KyString((host + "/index.php").c_str());
        downloader.file = KyPath(file);
    }

    UserDataSandbox sandbox;
};

} // namespace

TEST(HTTPRequestFormat, TheRequestBytesAreExact)
{
    UserDataSandbox sandbox("Orvalen The Wandrel Part 3");
    KyHTTPRequest request;
    request.setField(KyString("filename"), KyString("index.xml"));
    EXPECT_FALSE(request.send(KyString("ads.orvalen.invalid")));
    EXPECT_TRUE(request.send(KyString("ads.orvalen.invalid/Orvalen3/PC/Part3/Ads/index.php")));
    EXPECT_STREQ(request.host().c_str(), "ads.orvalen.invalid");
    EXPECT_STREQ(request.path().c_str(), "/Orvalen3/PC/Part3/Ads/index.php");

    KyString header;
    KyString body;
    request.buildRequest(header, body);
    const std::string expectedBody = "--123456789\r\n"
                                     "Content-Disposition: form-data; name=\"filename\"\r\n"
                                     "\r\n"
                                     "index.xml\r\n"
                                     "--123456789--\r\n"
                                     "\r\n";
    EXPECT_EQ(std::string(body.c_str(), body.length()), expectedBody);
    EXPECT_EQ(body.length(), 92u);
    EXPECT_EQ(std::string(header.c_str(), header.length()),
              "POST /Orvalen3/PC/Part3/Ads/index.php HTTP/1.0\r\n"
              "Host: ads.orvalen.invalid\r\n"
              "User-Agent: Orvalen The Wandrel Part 3\r\n"
              "Accept-Language: en\r\n"
              "Connection: close\r\n"
              "Content-Type: multipart/form-data; boundary=123456789\r\n"
              "Content-Length: 92\r\n"
              "\r\n");

    // The packets queued: the header, then the body.
    const KyList<KySocket2::Packet>& queue = request.socket.sendQueue();
    ASSERT_EQ(queue.count(), 2u);
    const KySocket2::Packet& first = queue.headNode()->next->value;
    const KySocket2::Packet& second = queue.headNode()->next->next->value;
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(first.bytes.data()), first.bytes.count()),
              std::string(header.c_str(), header.length()));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(second.bytes.data()), second.bytes.count()), expectedBody);
}

TEST(HTTPRequestFormat, FieldsAndFileFieldsKeepTheirOrder)
{
    KyHTTPRequest request;
    request.setField(KyString("a"), KyString("1"));
    request.setField(KyString("b"), KyString("2"));
    request.setField(KyString("a"), KyString("3"));
    request.addFileField(KyString("upload"), KyString("image/png"), KyString("p.png"), KyString("\x01\x02", 2));
    EXPECT_EQ(request.fieldNames().count(), 2u);
    EXPECT_STREQ(request.field(KyString("a")).c_str(), "3");
    EXPECT_STREQ(request.field(KyString("missing")).c_str(), "");

    KyString header;
    KyString body;
    request.buildRequest(header, body);
    const std::string expected = "--123456789\r\nContent-Disposition: form-data; name=\"a\"\r\n\r\n3\r\n"
                                 "--123456789\r\nContent-Disposition: form-data; name=\"b\"\r\n\r\n2\r\n"
                                 "--123456789\r\nContent-Disposition: form-data; name=\"upload\"; filename=\"p.png\"\r\n"
                                 "Content-Type: image/png\r\n\r\n\x01\x02\r\n"
                                 "--123456789--\r\n\r\n";
    EXPECT_EQ(std::string(body.c_str(), body.length()), expected);
    EXPECT_NE(std::string(header.c_str()).find("Content-Length: " + std::to_string(expected.size()) + "\r\n"),
              std::string::npos);
}

TEST(HTTPResponseParser, ReadsWholeResponsesAndRefusesEveryOther)
{
    const std::string longLine(KyHTTPResponse::kMaxHeaderLine, 'x');
    struct Case {
        const char* what;
        std::string bytes;
        KyHTTPResponse::Result result;
        u32 status;
        std::string body;
    } cases[] = {
        {"200 with headers", "HTTP/1.1 200 OK\r\nServer: x\r\nContent-Type: a/b\r\n\r\n0123456789",
         KyHTTPResponse::Complete, 200, "0123456789"},
        {"404", "HTTP/1.0 404 Not Found\r\nContent-Length: 0\r\n\r\n", KyHTTPResponse::Complete, 404, ""},
        {"bare line feeds", "HTTP/1.0 200 OK\nContent-Length: 3\n\nabc", KyHTTPResponse::Complete, 200, "abc"},
        {"HTTP/2 is no status", "HTTP/2 200\r\n\r\nbody", KyHTTPResponse::Complete, 0, "body"},
        {"no status line", "Server: x\r\n\r\nbody", KyHTTPResponse::Complete, 0, "body"},
        {"a later status line wins", "HTTP/1.0 100 Continue\r\nHTTP/1.1 201 Created\r\n\r\n",
         KyHTTPResponse::Complete, 201, ""},
        {"carriage returns dropped", "HTTP/1.0 2\r0\r0 OK\r\n\r\r\nx", KyHTTPResponse::Complete, 200, "x"},
        {"body cut at its length", "HTTP/1.0 200 OK\r\ncontent-LENGTH:  4 \r\n\r\nabcdefgh",
         KyHTTPResponse::Complete, 200, "abcd"},
        {"same length twice", "HTTP/1.0 200 OK\r\nContent-Length: 2\r\nContent-Length: 2\r\n\r\nab",
         KyHTTPResponse::Complete, 200, "ab"},
        {"longest header line", "HTTP/1.0 200 OK\r\nX: " + longLine.substr(3) + "\n\r\nok",
         KyHTTPResponse::Complete, 200, "ok"},
        {"short body", "HTTP/1.0 200 OK\r\nContent-Length: 20\r\n\r\n0123456789", KyHTTPResponse::ShortBody, 0,
         ""},
        {"no header end", "HTTP/1.0 200 OK\r\nContent-Length: 5\r\n", KyHTTPResponse::NoHeaderEnd, 0, ""},
        {"nothing at all", "", KyHTTPResponse::NoHeaderEnd, 0, ""},
        {"oversized header line", "HTTP/1.0 200 OK\r\nX: " + longLine + "\r\n\r\nok",
         KyHTTPResponse::HeaderLineTooLong, 0, ""},
        {"endless first line", longLine + "y", KyHTTPResponse::HeaderLineTooLong, 0, ""},
        {"length not a number", "HTTP/1.0 200 OK\r\nContent-Length: 1x\r\n\r\nab", KyHTTPResponse::BadLength, 0, ""},
        {"two lengths", "HTTP/1.0 200 OK\r\nContent-Length: 1\r\nContent-Length: 2\r\n\r\nab",
         KyHTTPResponse::BadLength, 0, ""},
        {"declared too large", "HTTP/1.0 200 OK\r\nContent-Length: 67108865\r\n\r\n", KyHTTPResponse::TooLarge, 0,
         ""},
    };
    for (const Case& c : cases) {
        KyHTTPResponse response = parse(c.bytes);
        EXPECT_EQ(response.result, c.result) << c.what;
        if (c.result == KyHTTPResponse::Complete) {
            EXPECT_EQ(response.status, c.status) << c.what;
            EXPECT_EQ(bodyOf(c.bytes, response), c.body) << c.what;
        } else {
            EXPECT_EQ(response.bodyLength, 0u) << c.what;
        }
        // Read as a socket hands it over, a byte or a few at a time: the
        // same answer and the same body.
        for (u32 step : {1u, 7u}) {
            KyHTTPResponse::Reader reader;
            std::string body;
            KyHTTPResponse::Result result = KyHTTPResponse::Complete;
            for (size_t at = 0; at < c.bytes.size() && result == KyHTTPResponse::Complete; at += step) {
                const u8* block = reinterpret_cast<const u8*>(c.bytes.data()) + at;
                u32 offset = 0;
                u32 length = 0;
                result = reader.feed(block, u32(std::min<size_t>(step, c.bytes.size() - at)), offset, length);
                body.append(reinterpret_cast<const char*>(block) + offset, length);
            }
            EXPECT_EQ(reader.finish(), c.result) << c.what << " in blocks of " << step;
            if (c.result == KyHTTPResponse::Complete) {
                EXPECT_EQ(reader.response().status, c.status) << c.what;
                EXPECT_EQ(body, c.body) << c.what << " in blocks of " << step;
            }
        }
    }
}

TEST(HTTPResponseParser, TheReaderGivesUpOnOversizedResponsesAsTheyArrive)
{
    KyHTTPResponse::Reader reader;
    u32 offset = 0;
    u32 length = 0;
    std::string part(40000, 'h');
    // One header line split over two blocks passes the limit in the second.
    EXPECT_EQ(reader.feed(reinterpret_cast<const u8*>(part.data()), u32(part.size()), offset, length),
              KyHTTPResponse::Complete);
    EXPECT_EQ(reader.feed(reinterpret_cast<const u8*>(part.data()), u32(part.size()), offset, length),
              KyHTTPResponse::HeaderLineTooLong);

    // Once the header has ended, long body lines are fine; the total is not.
    reader.reset();
    std::string header = "HTTP/1.0 200 OK\r\n\r\n";
    EXPECT_EQ(reader.feed(reinterpret_cast<const u8*>(header.data()), u32(header.size()), offset, length),
              KyHTTPResponse::Complete);
    std::vector<u8> block(8u << 20, 'b');
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(reader.feed(block.data(), u32(block.size()), offset, length), KyHTTPResponse::Complete);
    EXPECT_EQ(reader.feed(block.data(), u32(block.size()), offset, length), KyHTTPResponse::TooLarge);
}

TEST_F(HTTP, ARequestToTheAdvertServerGetsTheFileOrA404)
{
    AdvertServer server(servedFolder());
    ASSERT_TRUE(server.ok());
    struct Case {
        const char* name;
        u32 status;
        std::string body;
    } cases[] = {{"ten.bin", 200, "0123456789"}, {"empty.bin", 200, ""}, {"missing.bin", 404, ""},
                 {"../served/ten.bin", 404, ""}};
    for (const Case& c : cases) {
        KyHTTPRequest request;
        Outcome outcome;
        outcome.listen(request);
        request.setField(KyString("filename"), KyString(c.name));
        ASSERT_TRUE(request.send(KyString((server.location() + "/index.php").c_str())));
        ASSERT_TRUE(pumpUntil([&] { return outcome.ended(); })) << c.name;
        EXPECT_EQ(outcome.responses, 1) << c.name;
        EXPECT_TRUE(outcome.failures.empty()) << c.name;
        EXPECT_EQ(request.statusCode(), c.status) << c.name;
        EXPECT_EQ(std::string(request.body().c_str(), request.body().length()), c.body) << c.name;
    }
    // Any other path or no "filename" field: 404.
    KyHTTPRequest other;
    Outcome outcome;
    outcome.listen(other);
    other.setField(KyString("name"), KyString("ten.bin"));
    other.send(KyString((server.address() + "/elsewhere.php").c_str()));
    ASSERT_TRUE(pumpUntil([&] { return outcome.ended(); }));
    EXPECT_EQ(other.statusCode(), 404u);
}

TEST_F(HTTP, HostileAndSilentServersAreFailuresThatTheGameSurvives)
{
    std::string root = servedFolder();
    struct Case {
        const char* mode;
        KyHTTPRequest::Failure failure;
        const char* logged;
        u32 maxResponse;
    } cases[] = {
        {"garbage", KyHTTPRequest::FailureNoHeaderEnd, "the header does not end", KyHTTPResponse::kMaxSize},
        {"bigheader", KyHTTPRequest::FailureHeaderLineTooLong, "a header line is longer than 64 KiB",
         KyHTTPResponse::kMaxSize},
        {"short", KyHTTPRequest::FailureShortBody, "the body is shorter than its Content-Length",
         KyHTTPResponse::kMaxSize},
        {"endless", KyHTTPRequest::FailureTooLarge, "the response is larger than 64 MiB", KyHTTPResponse::kMaxSize},
        // A caller that can use only so much receives no more.
        {"endless", KyHTTPRequest::FailureTooLarge, "the response is larger than 100000 bytes", 100000},
    };
    for (const Case& c : cases) {
        AdvertServer server(root, c.mode);
        ASSERT_TRUE(server.ok()) << c.mode;
        KyHTTPRequest request;
        request.setMaxResponseSize(c.maxResponse);
        Outcome outcome;
        outcome.listen(request);
        request.setField(KyString("filename"), KyString("ten.bin"));
        StdoutCapture log;
        request.send(KyString((server.location() + "/index.php").c_str()));
        ASSERT_TRUE(pumpUntil([&] { return outcome.ended(); })) << c.mode;
        EXPECT_EQ(outcome.responses, 0) << c.mode;
        EXPECT_EQ(outcome.failures, std::vector<u32>{c.failure}) << c.mode;
        EXPECT_EQ(request.statusCode(), 0u) << c.mode;
        EXPECT_EQ(request.receivedSize(), 0u) << c.mode;
        EXPECT_NE(log.text().find(std::string("[KyHTTPRequest] ") + server.location() + "/index.php : " + c.logged),
                  std::string::npos)
            << log.text();
    }

    // A host that never answers: given up after the timeout.
    AdvertServer silent(root, "silent");
    ASSERT_TRUE(silent.ok());
    KyHTTPRequest request;
    Outcome outcome;
    outcome.listen(request);
    KyOsClock::installFake(0);
    request.socket.setTimeout(10000000);
    request.send(KyString((silent.location() + "/index.php").c_str()));
    ASSERT_TRUE(pumpUntil([&] { return request.socket.isConnected() && request.socket.sendQueue().isEmpty(); }));
    KyOsClock::advanceFake(9000000);
    KySocket2::updateAll();
    EXPECT_FALSE(outcome.ended());
    KyOsClock::advanceFake(2000000);
    KySocket2::updateAll();
    KyOsClock::install(nullptr);
    EXPECT_EQ(outcome.failures, std::vector<u32>{KyHTTPRequest::FailureTimeout});
}

TEST_F(HTTP, NoConnectionIsAFailureWithoutResponse)
{
    std::string stoppedAddress;
    {
        AdvertServer server(servedFolder());
        ASSERT_TRUE(server.ok());
        stoppedAddress = server.location();
    }
    for (std::string location : {stoppedAddress, std::string("ads.orvalen.invalid/Orvalen3/PC/Part3/Ads")}) {
        KyHTTPRequest request;
        Outcome outcome;
        outcome.listen(request);
        request.send(KyString((location + "/index.php").c_str()));
        ASSERT_TRUE(pumpUntil([&] { return outcome.ended(); })) << location;
        EXPECT_EQ(outcome.responses, 0);
        EXPECT_EQ(outcome.failures, std::vector<u32>{KyHTTPRequest::FailureConnection});
    }
}

TEST_F(HTTP, TheDownloaderKeepsOnlyWholeFilesAndReportsEveryFailure)
{
    std::string root = servedFolder();
    sandbox.work().writeFile("out/old.bin", "previous");
    struct Case {
        const char* mode;
        const char* name;
        const char* file;
        int successes;
        std::vector<u32> failures;
        std::string content;  // "" with exists false: no file
        bool exists;
    } cases[] = {
        {"normal", "ten.bin", "out/ten.bin", 1, {}, "0123456789", true},
        {"normal", "empty.bin", "out/old.bin", 1, {}, "", true},
        {"normal", "missing.bin", "out/missing.bin", 0, {404}, "", false},
        {"short", "ten.bin", "out/old.bin", 0, {0}, "previous", true},
        {"garbage", "ten.bin", "out/garbage.bin", 0, {0}, "", false},
        // The folders of the file are made as it is written; a file in
        // their place is no folder.
        {"normal", "ten.bin", "made/for/it/ten.bin", 1, {}, "0123456789", true},
        {"normal", "ten.bin", "out/old.bin/ten.bin", 0, {0}, "", false},
    };
    for (const Case& c : cases) {
        if (std::string(c.file) == "out/old.bin")
            sandbox.work().writeFile("out/old.bin", "previous");
        AdvertServer server(root, c.mode);
        ASSERT_TRUE(server.ok());
        KyHTTPDownloader downloader;
        Outcome outcome;
        outcome.listen(downloader);
        downloader.request.setField(KyString("filename"), KyString(c.name));
        downloader.location = KyString((server.location() + "/index.php").c_str());
        downloader.file = KyPath(c.file);
        StdoutCapture log;
        downloader.start();
        ASSERT_TRUE(pumpUntil([&] { return downloader.isFinished(); })) << c.mode << " " << c.name;
        EXPECT_EQ(outcome.successes, c.successes) << c.mode << " " << c.name;
        EXPECT_EQ(outcome.downloadFailures, c.failures) << c.mode << " " << c.name;
        EXPECT_EQ(sandbox.work().exists(c.file), c.exists) << c.file;
        EXPECT_EQ(sandbox.work().readFile(c.file), c.content) << c.file;
        bool saved = log.text().find(std::string("[KyHTTPDownloader::OnHTTPRequestResponse()] Save in : ") + c.file +
                                     "\n") != std::string::npos;
        EXPECT_EQ(saved, c.successes == 1) << log.text();
    }
    // No temporary file is ever left behind.
    ASSERT_TRUE(pumpUntil([&] { return KyHTTPDownloader::defaultLane().isIdle(); }));
    KyDirectory listing;
    ASSERT_TRUE(listing.findFirst(KyString("out")));
    std::vector<std::string> names;
    while (listing.findNext())
        names.push_back(listing.entryName().c_str());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{".", "..", "old.bin", "ten.bin"}));
}

TEST_F(HTTP, ALargeBodyGoesToDiskAsItArrivesWhileItsMemoryStaysSmall)
{
    // 60 MiB that a block lost, repeated or moved would change.
    std::string big(60u << 20, '\0');
    for (size_t i = 0; i < big.size(); ++i)
        big[i] = char(i % 251);
    sandbox.work().writeFile("served/big.bin", big);
    sandbox.work().makeDir("out");
    AdvertServer server(servedFolder());
    ASSERT_TRUE(server.ok());

    KyHTTPDownloader downloader;
    Outcome outcome;
    prepare(downloader, outcome, server.location(), "big.bin", "out/big.bin");
    const size_t before = heapInUse();
    size_t peak = before;
    long long partial = 0;
    StdoutCapture log;
    downloader.start();
    ASSERT_TRUE(pumpUntil([&] {
        peak = std::max(peak, heapInUse());
        for (const auto& temporary : temporariesIn(sandbox.work().file("out"))) {
            if (temporary.first == "big.bin" && temporary.second < (long long)big.size())
                partial = std::max(partial, temporary.second);
        }
        return downloader.isFinished();
    }));
    EXPECT_EQ(outcome.successes, 1);
    // Seen on disk in pieces, under a temporary name only.
    EXPECT_GT(partial, 0);
    EXPECT_LT(partial, (long long)big.size());
    // The socket's block of one pump and a header line, not the body.
    EXPECT_LT(peak - before, size_t(4u << 20));
    EXPECT_TRUE(temporariesIn(sandbox.work().file("out")).empty());
    EXPECT_TRUE(sandbox.work().readFile("out/big.bin") == big);
}

TEST_F(HTTP, ADownloadThatDoesNotEndWholeLeavesNothingBehind)
{
    enum End { Cut, Reset, Silent, PastAllowance, Destroyed };
    struct Case {
        const char* what;
        const char* header;
        End end;
        const char* logged;
    } cases[] = {
        {"cut body", "HTTP/1.0 200 OK\r\nContent-Length: 100\r\n\r\n", Cut,
         "index.php : the body is shorter than its Content-Length"},
        {"reset", "HTTP/1.0 200 OK\r\n\r\n", Reset, "index.php : no connection, or it broke"},
        {"host silent", "HTTP/1.0 200 OK\r\nContent-Length: 100\r\n\r\n", Silent,
         "index.php : the host stopped answering"},
        {"allowance passed", "HTTP/1.0 200 OK\r\n\r\n", PastAllowance,
         "[KyHTTPDownloader] out/cut.bin : the downloads pass their allowance (20 bytes were left)\n"},
        {"destroyed unfinished", "HTTP/1.0 200 OK\r\nContent-Length: 100\r\n\r\n", Destroyed, ""},
    };
    sandbox.work().writeFile("out/cut.bin", "previous");
    KyOsClock::installFake(0);
    for (const Case& c : cases) {
        LoopbackPeer peer;
        KyHTTPDownloader::Allowance allowance{60};
        std::unique_ptr<KyHTTPDownloader> downloader(new KyHTTPDownloader);
        Outcome outcome;
        prepare(*downloader, outcome, peer.host(), "cut.bin", "out/cut.bin");
        if (c.end == PastAllowance)
            downloader->allowance = &allowance;
        StdoutCapture log;
        downloader->start();
        ASSERT_TRUE(peer.accept()) << c.what;
        KyString header;
        KyString body;
        downloader->request.buildRequest(header, body);
        peer.read(header.length() + body.length());
        const std::string first = c.header + std::string(40, 'a');
        peer.write(first);
        ASSERT_TRUE(pumpUntil([&] { return downloader->request.receivedSize() == first.size(); })) << c.what;
        ASSERT_TRUE(pumpUntil([&] { return KyHTTPDownloader::defaultLane().isIdle(); })) << c.what;
        // The part received is on disk under a temporary name only.
        auto found = temporariesIn(sandbox.work().file("out"));
        ASSERT_EQ(found.size(), 1u) << c.what;
        EXPECT_EQ(found[0], (std::pair<std::string, long long>("cut.bin", 40))) << c.what;
        EXPECT_EQ(sandbox.work().readFile("out/cut.bin"), "previous") << c.what;

        switch (c.end) {
        case Cut:
            peer.closeConnection();
            break;
        case Reset:
            peer.reset();
            break;
        case Silent:
            KyOsClock::advanceFake(downloader->request.socket.timeout() + 1);
            break;
        case PastAllowance:
            // Whole without its last bytes, were it not for the allowance.
            peer.write(std::string(40, 'b'));
            peer.closeConnection();
            break;
        case Destroyed:
            downloader.reset();
            break;
        }
        if (downloader) {
            ASSERT_TRUE(pumpUntil([&] { return downloader->isFinished(); })) << c.what;
            EXPECT_EQ(outcome.downloadFailures, std::vector<u32>{0}) << c.what;
            EXPECT_EQ(downloader->request.socket.state(), u32(KySocket2::StateIdle)) << c.what;
            downloader.reset();
        }
        EXPECT_EQ(outcome.successes, 0) << c.what;
        EXPECT_NE(log.text().find(c.logged), std::string::npos) << c.what << "\n" << log.text();
        EXPECT_EQ(allowance.passed, c.end == PastAllowance) << c.what;
        EXPECT_EQ(allowance.left, c.end == PastAllowance ? 20u : 60u) << c.what;
        ASSERT_TRUE(pumpUntil([&] { return KyHTTPDownloader::defaultLane().isIdle(); })) << c.what;
        EXPECT_TRUE(temporariesIn(sandbox.work().file("out")).empty()) << c.what;
        EXPECT_EQ(sandbox.work().readFile("out/cut.bin"), "previous") << c.what;
    }
    KyOsClock::install(nullptr);
}

TEST_F(HTTP, DownloadsThatShareAnAllowanceTakeEveryBodyByteFromIt)
{
    AdvertServer server(servedFolder());
    ASSERT_TRUE(server.ok());
    sandbox.work().makeDir("out");
    // Room for two files of ten bytes, not three.
    KyHTTPDownloader::Allowance allowance{25};
    KyHTTPDownloader downloaders[3];
    Outcome outcome;
    const char* files[] = {"out/a.bin", "out/b.bin", "out/c.bin"};
    StdoutCapture log;
    for (int i = 0; i < 3; ++i) {
        prepare(downloaders[i], outcome, server.location(), "ten.bin", files[i]);
        downloaders[i].allowance = &allowance;
        downloaders[i].start();
    }
    ASSERT_TRUE(pumpUntil([&] {
        return downloaders[0].isFinished() && downloaders[1].isFinished() && downloaders[2].isFinished();
    }));
    EXPECT_EQ(outcome.successes, 2);
    EXPECT_EQ(outcome.downloadFailures, std::vector<u32>{0});
    EXPECT_EQ(allowance.left, 5u);
    EXPECT_TRUE(allowance.passed);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(sandbox.work().exists(files[i]), downloaders[i].succeeded()) << files[i];
    ASSERT_TRUE(pumpUntil([&] { return KyHTTPDownloader::defaultLane().isIdle(); }));
    EXPECT_TRUE(temporariesIn(sandbox.work().file("out")).empty());
}

// The frame never touches a download's file: with the lane's one worker
// held elsewhere, a whole response leaves no file and no temporary file,
// and the success comes only once the lane has renamed the file into place.
TEST_F(HTTP, ADownloadsFileIsWrittenByItsLaneNeverByThePump)
{
    AdvertServer server(servedFolder());
    ASSERT_TRUE(server.ok());
    sandbox.work().makeDir("out");
    KyWorkerPool pool(1);
    std::atomic<bool> held(true), holding(false);
    KyWorkerPool::Group holder(KyWorkerPool::Now, pool);
    holder.add([&] {
        holding = true;
        while (held)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    });
    ASSERT_TRUE(pumpUntil([&] { return holding.load(); }));
    KySerialLane lane(pool);
    KyHTTPDownloader downloader;
    Outcome outcome;
    prepare(downloader, outcome, server.location(), "ten.bin", "out/ten.bin");
    downloader.lane = &lane;
    downloader.start();
    ASSERT_TRUE(pumpUntil([&] { return downloader.request.socket.state() == KySocket2::StateIdle; }));
    for (int pump = 0; pump < 10; ++pump)
        KySocket2::updateAll();
    EXPECT_FALSE(downloader.isFinished());
    EXPECT_EQ(outcome.successes, 0);
    EXPECT_FALSE(sandbox.work().exists("out/ten.bin"));
    EXPECT_TRUE(temporariesIn(sandbox.work().file("out")).empty());
    EXPECT_EQ(lane.pending(), 3u);
    held = false;
    ASSERT_TRUE(pumpUntil([&] { return downloader.isFinished(); }));
    EXPECT_EQ(outcome.successes, 1);
    EXPECT_EQ(sandbox.work().readFile("out/ten.bin"), "0123456789");
    holder.finish();
}
