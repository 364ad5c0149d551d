// Generated sequences of platform results driven through the fetch: failures at any step, read
// sizes, Content-Length texts, bodies with NUL bytes, memory running out. Whatever happens, the
// text is exactly the bytes delivered up to the first NUL, and every handle and block obtained
// is given back once.

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

#include "catalogue/remote_text.h"
#include "fake_http_platform.h"

namespace fetch_test {
namespace {

// Any bytes but NUL, and now and then one NUL somewhere.
std::string random_bytes(std::mt19937& random, std::size_t count)
{
    std::string bytes(count, '\0');
    for (std::size_t i = 0; i < count; i += 4) {
        const auto word = static_cast<std::uint32_t>(random());
        for (std::size_t k = 0; k < 4 && i + k < count; ++k) {
            const auto byte = static_cast<char>(word >> (8 * k) & 0xFF);
            bytes[i + k] = byte == '\0' ? '\x01' : byte;
        }
    }
    if (count > 0 && std::bernoulli_distribution(0.1)(random)) {
        bytes[std::uniform_int_distribution<std::size_t>(0, count - 1)(random)] = '\0';
    }
    return bytes;
}

std::string random_content_length(std::mt19937& random)
{
    static const std::string alphabet = " \t+-0123456789abc";
    std::uniform_int_distribution<std::size_t> length(0, 24), pick(0, alphabet.size() - 1);
    std::string text(length(random), ' ');
    for (char& c : text) {
        c = alphabet[pick(random)];
    }
    return text;
}

TEST(FetchFuzz, AnyPlatformBehaviourGivesTheDeliveredBytes)
{
    std::mt19937 random(20261211);
    for (int round = 0; round < 10000; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        FakeHttpPlatform platform;
        std::bernoulli_distribution rarely(0.05), sometimes(0.3);
        platform.open_fails = rarely(random);
        platform.crack_fails = rarely(random);
        platform.connect_fails = rarely(random);
        platform.request_fails = rarely(random);
        platform.send_fails = rarely(random);
        if (!sometimes(random)) {
            platform.content_length = random_content_length(random);
        }
        const std::uint32_t chunk = catalogue::read_chunk_size(platform.content_length);
        std::uniform_int_distribution<int> read_count(0, 12);
        std::uniform_int_distribution<std::uint32_t> any_size(0, chunk), small_size(0, std::min<std::uint32_t>(64, chunk));
        const int reads = read_count(random);
        for (int i = 0; i < reads; ++i) {
            const std::uint32_t size = sometimes(random) ? any_size(random) : small_size(random);
            platform.reads.push_back({!rarely(random), random_bytes(random, size)});
        }
        if (sometimes(random)) {
            platform.failing_allocation = std::uniform_int_distribution<int>(1, 8)(random);
        }

        // The model: reads in order until one fails or delivers nothing; a read whose bytes
        // cannot be stored ends it without them. (Memory that runs out before the first read
        // either ends the fetch at once, for the read buffer, or costs nothing, for the room
        // set aside for the body.)
        std::string text;
        {
            catalogue::InternetSession session(platform);
            text = catalogue::fetch_remote_text(session, "http://h/x");
        }
        std::string delivered;
        std::size_t stored_reads = platform.reads_taken();
        if (platform.allocation_failed && platform.reads_when_allocation_failed > 0) {
            stored_reads = platform.reads_when_allocation_failed - 1;  // the read whose bytes did not fit
        }
        for (std::size_t i = 0; i < stored_reads; ++i) {
            delivered += platform.reads[i].bytes;
        }
        const std::size_t nul = delivered.find('\0');
        EXPECT_EQ(text, delivered.substr(0, nul));
        for (const std::uint32_t asked : platform.read_sizes) {
            ASSERT_EQ(asked, chunk);
        }
        EXPECT_TRUE(platform.open_handles.empty());
        EXPECT_EQ(platform.double_closes, 0);
        EXPECT_EQ(platform.live_blocks, 0u);
    }
}

}  // namespace
}  // namespace fetch_test
