// The fetch algorithm against a scripted HTTP client: the calls it makes, what it returns, and
// that every handle and every block it obtains is given back on every path.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "catalogue/remote_text.h"
#include "fake_http_platform.h"

namespace fetch_test {
namespace {

using catalogue::InternetSession;
using Lines = std::vector<std::string>;

const std::string agent = "open_session Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";
const std::string send = "send h3 'Accept: */*\r\n\r\n' 15";

class Fetch : public ::testing::Test {
protected:
    std::string fetch(std::string_view url) { return catalogue::fetch_remote_text(session, url); }

    void TearDown() override
    {
        EXPECT_EQ(platform.double_closes, 0);
        // Only the session handle may outlive a fetch; every memory block is back.
        EXPECT_LE(platform.open_handles.size(), 1u);
        EXPECT_EQ(platform.live_blocks, 0u);
    }

    FakeHttpPlatform platform;
    InternetSession session{platform};
};

TEST_F(Fetch, MakesTheDocumentedCallsInOrder)
{
    platform.content_length = "5";
    platform.reads = {{true, "hello"}};
    EXPECT_EQ(fetch("http://catalogue:8080/a/./b/../\xC8\xED.txt?q=1#part"), "hello");
    EXPECT_EQ(platform.log, (Lines{
                                "crack http://catalogue:8080/a/\xC8\xED.txt?q=1#part",
                                agent,
                                "connect h1 catalogue:8080 user= password=",
                                "proxy h1",
                                "proxy_user_name h2 '' 1",
                                "proxy_password h2 '' 1",
                                "open_request h2 GET /a/\xC8\xED.txt?q=1 HTTP/1.0 [Accept: */* \r\n] 84000000",
                                "timeouts h3 60000 30000 30000",
                                send,
                                "query_content_length h3 32",
                                "close h3",
                                "close h2",
                            }));
    // The declared length plus one: the whole body in one read, then the end.
    EXPECT_EQ(platform.read_sizes, (std::vector<std::uint32_t>{6, 6}));
}

TEST_F(Fetch, HttpsAsksForTls)
{
    fetch("https://catalogue/x");
    EXPECT_EQ(platform.log[2], "connect h1 catalogue:443 user= password=");
    EXPECT_EQ(platform.log[6], "open_request h2 GET /x HTTP/1.0 [Accept: */* \r\n] 84800000");
}

TEST_F(Fetch, OtherSchemesAndEmptyUrlsMakeNoRequest)
{
    EXPECT_EQ(fetch(""), "");
    EXPECT_TRUE(platform.log.empty());
    EXPECT_EQ(fetch("ftp://catalogue/list.txt"), "");
    EXPECT_EQ(platform.log, Lines{"crack ftp://catalogue/list.txt"});
    EXPECT_FALSE(session.is_open());
    platform.crack_fails = true;
    EXPECT_EQ(fetch("http://catalogue/x"), "");
    EXPECT_FALSE(session.is_open());
}

TEST_F(Fetch, SessionIsOpenedOnceAndClosedWithTheSessionObject)
{
    platform.reads = {{true, "a"}};
    EXPECT_EQ(fetch("http://h/1"), "a");
    platform.reads.push_back({true, "b"});
    EXPECT_EQ(fetch("http://h/2"), "b");
    EXPECT_EQ(platform.sessions_opened, 1);
    EXPECT_EQ(platform.open_handles.size(), 1u);
}

TEST_F(Fetch, SessionThatFailsToOpenIsTriedAgainNextTime)
{
    platform.open_fails = true;
    EXPECT_EQ(fetch("http://h/1"), "");
    EXPECT_EQ(platform.log, (Lines{"crack http://h/1", agent}));
    platform.open_fails = false;
    platform.reads = {{true, "ok"}};
    EXPECT_EQ(fetch("http://h/1"), "ok");
    EXPECT_EQ(platform.sessions_opened, 1);
}

// Each failure ends the fetch with the empty text and closes what was opened, the request
// before the connection.
TEST(FetchFailures, EachStepClosesWhatItOpened)
{
    const struct {
        const char* step;
        void (*fail)(FakeHttpPlatform&);
        Lines tail;  // the log from the connection on
    } cases[] = {
        {"connect", [](FakeHttpPlatform& p) { p.connect_fails = true; }, {"connect h1 h:80 user= password="}},
        {"open request", [](FakeHttpPlatform& p) { p.request_fails = true; },
         {"connect h1 h:80 user= password=", "proxy h1", "proxy_user_name h2 '' 1", "proxy_password h2 '' 1",
          "open_request h2 GET /x HTTP/1.0 [Accept: */* \r\n] 84000000", "close h2"}},
        {"send", [](FakeHttpPlatform& p) { p.send_fails = true; },
         {"connect h1 h:80 user= password=", "proxy h1", "proxy_user_name h2 '' 1", "proxy_password h2 '' 1",
          "open_request h2 GET /x HTTP/1.0 [Accept: */* \r\n] 84000000", "timeouts h3 60000 30000 30000", send,
          "close h3", "close h2"}},
        {"chunk buffer", [](FakeHttpPlatform& p) { p.failing_allocation = 1; },
         {"connect h1 h:80 user= password=", "proxy h1", "proxy_user_name h2 '' 1", "proxy_password h2 '' 1",
          "open_request h2 GET /x HTTP/1.0 [Accept: */* \r\n] 84000000", "timeouts h3 60000 30000 30000", send,
          "query_content_length h3 32", "close h3", "close h2"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.step);
        FakeHttpPlatform platform;
        platform.reads = {{true, "never read"}};
        c.fail(platform);
        {
            InternetSession session(platform);
            EXPECT_EQ(catalogue::fetch_remote_text(session, "http://h/x"), "");
            EXPECT_EQ(platform.reads_taken(), 0u);
        }
        const Lines tail(platform.log.begin() + 2, platform.log.end() - 1);  // without crack, open, final close
        EXPECT_EQ(tail, c.tail);
        EXPECT_EQ(platform.log.back(), "close h1");  // the session, when its object goes
        EXPECT_TRUE(platform.open_handles.empty());
        EXPECT_EQ(platform.double_closes, 0);
        EXPECT_EQ(platform.live_blocks, 0u);
    }
}

TEST_F(Fetch, ReadFailureKeepsWhatArrived)
{
    platform.reads = {{true, "first "}, {true, "second "}, {false, ""}, {true, "never"}};
    EXPECT_EQ(fetch("http://h/x"), "first second ");
    EXPECT_EQ(platform.reads_taken(), 3u);
}

TEST_F(Fetch, BytesOfAFailedReadAreKept)
{
    // A reset: the read fails and reports the bytes it placed in the buffer.
    platform.reads = {{true, "12345"}, {false, "678"}, {true, "never"}};
    EXPECT_EQ(fetch("http://h/x"), "12345678");
}

TEST_F(Fetch, RunningOutOfMemoryWhileTheBodyGrowsKeepsWhatWasGathered)
{
    platform.reads = {{true, "0123456789"}, {true, "abcdefghij"}, {true, "KLMNOPQRST"}, {true, "never"}};
    // No declared length, so no room set aside. Allocations: the chunk buffer, the body at 10
    // bytes, at 20, then at 40, which fails.
    platform.failing_allocation = 4;
    EXPECT_EQ(fetch("http://h/x"), "0123456789abcdefghij");
    EXPECT_TRUE(platform.allocation_failed);
    EXPECT_EQ(platform.reads_taken(), 3u);  // no read after memory ran out
}

TEST(FetchText, EndsAtTheFirstNulAndKeepsEveryOtherByte)
{
    const struct {
        std::string body;
        std::string text;
    } cases[] = {
        {"", ""},
        {std::string("ab\0cd", 5), "ab"},
        {std::string("\0ab", 3), ""},
        {"\xEF\xBB\xBF" "0.1\r\n", "\xEF\xBB\xBF" "0.1\r\n"},
        {"\x80\xFF\x81\x20\xB5", "\x80\xFF\x81\x20\xB5"},
        {"line\nline\r\n", "line\nline\r\n"},
    };
    for (const auto& c : cases) {
        FakeHttpPlatform platform;
        platform.reads = {{true, c.body}};
        InternetSession session(platform);
        EXPECT_EQ(catalogue::fetch_remote_text(session, "http://h/x"), c.text);
    }
}

TEST(ReadChunkSize, FollowsTheDeclaredLength)
{
    const struct {
        std::optional<std::string_view> content_length;
        std::uint32_t size;
    } cases[] = {
        {std::nullopt, 10240}, {"", 10240},       {"0", 10240},     {"-5", 10240},        {"abc", 10240},
        {"1", 2},              {"  +42x", 43},    {"\t7", 8},       {"102398", 102399},   {"102399", 102400},
        {"102400", 102400},    {"300000", 102400}, {"99999999999999999999", 102400},
        {"-99999999999999999999", 10240},         {"+", 10240},     {"- 5", 10240},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(catalogue::read_chunk_size(c.content_length), c.size) << (c.content_length ? *c.content_length : "absent");
    }
}

TEST_F(Fetch, DeclaredLengthIsSetAsideOnceAndStillGrowsBeyond)
{
    platform.content_length = "25";
    platform.reads = {{true, std::string(25, 'a')}, {true, std::string(26, 'b')}};
    EXPECT_EQ(fetch("http://h/x"), std::string(25, 'a') + std::string(26, 'b'));
    // The read buffer, the 25 bytes set aside, then one growth for the body that was longer.
    EXPECT_EQ(platform.allocations, 3);
}

TEST_F(Fetch, MemoryForTheDeclaredLengthIsNotNeeded)
{
    platform.content_length = "25";
    platform.reads = {{true, "short"}};
    platform.failing_allocation = 2;  // the room set aside
    EXPECT_EQ(fetch("http://h/x"), "short");
}

TEST(DeclaredLength, ReadsTheTextAsASignedNumber)
{
    EXPECT_EQ(catalogue::declared_length(std::nullopt), 0u);
    EXPECT_EQ(catalogue::declared_length("-7"), 0u);
    EXPECT_EQ(catalogue::declared_length(" 52428800\r"), 52428800u);
    EXPECT_EQ(catalogue::declared_length("99999999999999999999"), 2147483647u);
}

TEST_F(Fetch, LongBodiesAreReadInChunksOfTheChosenSize)
{
    platform.content_length = "300000";
    for (int i = 0; i < 3; ++i) {
        platform.reads.push_back({true, std::string(102400, static_cast<char>('a' + i))});
    }
    EXPECT_EQ(fetch("http://h/x").size(), 3u * 102400);
    EXPECT_EQ(platform.read_sizes, std::vector<std::uint32_t>(4, 102400));
}

}  // namespace
}  // namespace fetch_test
