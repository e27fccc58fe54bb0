#include "core/KyCallback0Param.h"
#include "core/KyCallback1Param.h"
#include "core/KyCore.h"
#include "core/KyDirectory.h"
#include "core/KySingleton.h"
#include "net/KyHTTPDownloader.h"
#include "net/KyHTTPRequest.h"
#include "net/KyHTTPResponse.h"
#include "os/KyOsClock.h"

#include "tests/net/AdvertServer.h"
#include "tests/support/StdoutCapture.h"
#include "tests/support/UserDataSandbox.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

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
    }
}

TEST(HTTPResponseParser, TheScannerGivesUpOnOversizedResponsesAsTheyArrive)
{
    KyHTTPResponse::Scanner scanner;
    std::string part(40000, 'h');
    // One header line split over two blocks passes the limit in the second.
    EXPECT_EQ(scanner.feed(reinterpret_cast<const u8*>(part.data()), u32(part.size())), KyHTTPResponse::Complete);
    EXPECT_EQ(scanner.feed(reinterpret_cast<const u8*>(part.data()), u32(part.size())),
              KyHTTPResponse::HeaderLineTooLong);

    // Once the header has ended, long body lines are fine; the total is not.
    scanner.reset();
    std::string header = "HTTP/1.0 200 OK\r\n\r\n";
    EXPECT_EQ(scanner.feed(reinterpret_cast<const u8*>(header.data()), u32(header.size())), KyHTTPResponse::Complete);
    std::vector<u8> block(8u << 20, 'b');
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(scanner.feed(block.data(), u32(block.size())), KyHTTPResponse::Complete);
    EXPECT_EQ(scanner.feed(block.data(), u32(block.size())), KyHTTPResponse::TooLarge);
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
        {"normal", "ten.bin", "no/such/folder/ten.bin", 0, {0}, "", false},
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
    KyDirectory listing;
    ASSERT_TRUE(listing.findFirst(KyString("out")));
    std::vector<std::string> names;
    while (listing.findNext())
        names.push_back(listing.entryName().c_str());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{".", "..", "old.bin", "ten.bin"}));
}
