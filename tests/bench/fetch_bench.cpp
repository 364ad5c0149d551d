// How much fetch_remote_text costs over the least a WinINet client can do: the same request
// calls, then InternetReadFile straight into a buffer allocated beforehand ("bare"), or into
// one allocated for the fetch ("fresh": the least a fetch that returns new memory can cost).
//
//   fetch_bench time URL BYTES ROUNDS   the ways in turn, ROUNDS times each; times and medians
//   fetch_bench memory fetch|bare URL BYTES   one fetch one way; the process's memory counters
//
// BYTES is the body's length, known to the caller; every way must deliver exactly that.

#include <windows.h>
#include <psapi.h>
#include <wininet.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/canonical_url.h"
#include "catalogue/internet_session.h"
#include "catalogue/remote_text.h"
#include "catalogue/wininet_platform.h"

namespace {

constexpr DWORD request_flags = 0x84000000;

double now_ms()
{
    static const LONGLONG frequency = [] {
        LARGE_INTEGER value;
        QueryPerformanceFrequency(&value);
        return value.QuadPart;
    }();
    LARGE_INTEGER value;
    QueryPerformanceCounter(&value);
    return static_cast<double>(value.QuadPart) * 1000.0 / static_cast<double>(frequency);
}

void set_number(HINTERNET handle, DWORD option, DWORD value)
{
    InternetSetOptionA(handle, option, &value, sizeof value);
}

// The calls http_read_body makes, with the body read into `buffer`; the count of bytes read.
std::size_t bare_fetch(HINTERNET session, const std::string& url, char* buffer, std::size_t capacity)
{
    const std::string canonical = catalogue::canonicalize_url(url);
    char host[256] = {}, user[128] = {}, password[128] = {}, path[2048] = {};
    URL_COMPONENTSA parts{};
    parts.dwStructSize = sizeof parts;
    parts.lpszHostName = host;
    parts.dwHostNameLength = sizeof host;
    parts.lpszUserName = user;
    parts.dwUserNameLength = sizeof user;
    parts.lpszPassword = password;
    parts.dwPasswordLength = sizeof password;
    parts.lpszUrlPath = path;
    parts.dwUrlPathLength = sizeof path;
    if (!InternetCrackUrlA(canonical.c_str(), 0, 0, &parts)) {
        return 0;
    }
    const HINTERNET connection =
        InternetConnectA(session, host, parts.nPort, user, password, INTERNET_SERVICE_HTTP, 0, 0);
    if (connection == nullptr) {
        return 0;
    }
    INTERNET_PROXY_INFO proxy{INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr};
    InternetSetOptionA(session, INTERNET_OPTION_PROXY, &proxy, sizeof proxy);
    char empty[] = "";
    InternetSetOptionA(connection, INTERNET_OPTION_PROXY_USERNAME, empty, 1);
    InternetSetOptionA(connection, INTERNET_OPTION_PROXY_PASSWORD, empty, 1);
    const char* accept_types[] = {"Accept: */* \r\n", nullptr};
    const std::string object_name = std::string(path).substr(0, std::string_view(path).find('#'));
    const HINTERNET request =
        HttpOpenRequestA(connection, "GET", object_name.c_str(), "HTTP/1.0", nullptr, accept_types, request_flags, 0);
    std::size_t total = 0;
    if (request != nullptr) {
        set_number(request, INTERNET_OPTION_CONNECT_TIMEOUT, catalogue::default_timeouts.connect_ms);
        set_number(request, INTERNET_OPTION_SEND_TIMEOUT, catalogue::default_timeouts.send_ms);
        set_number(request, INTERNET_OPTION_RECEIVE_TIMEOUT, catalogue::default_timeouts.receive_ms);
        char headers[] = "Accept: */*\r\n\r\n";
        if (HttpSendRequestA(request, headers, sizeof headers - 1, nullptr, 0)) {
            char length_text[32] = {};
            DWORD length = sizeof length_text;
            std::optional<std::string_view> content_length;
            if (HttpQueryInfoA(request, HTTP_QUERY_CONTENT_LENGTH, length_text, &length, nullptr)) {
                content_length = std::string_view(length_text, std::min<DWORD>(length, sizeof length_text - 1));
            }
            const DWORD chunk = catalogue::read_chunk_size(content_length);
            for (;;) {
                const DWORD room = static_cast<DWORD>(std::min<std::size_t>(chunk, capacity - total));
                DWORD count = 0;
                const BOOL ok = InternetReadFile(request, buffer + total, room, &count);
                total += std::min(count, room);
                if (!ok || count == 0 || total == capacity) {
                    break;
                }
            }
        }
        InternetCloseHandle(request);
    }
    InternetCloseHandle(connection);
    return total;
}

HINTERNET open_bare_session()
{
    return InternetOpenA(catalogue::user_agent, INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 != 0 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

void print_memory(const char* when)
{
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) {
        std::printf("memory when=%s error=%lu\n", when, GetLastError());
        return;
    }
    std::printf("memory when=%s PageFaultCount=%lu WorkingSetSize=%zu PeakWorkingSetSize=%zu PagefileUsage=%zu "
                "PeakPagefileUsage=%zu\n",
                when, counters.PageFaultCount, counters.WorkingSetSize, counters.PeakWorkingSetSize,
                counters.PagefileUsage, counters.PeakPagefileUsage);
}

int usage()
{
    std::fprintf(stderr,
                 "usage: fetch_bench time URL BYTES ROUNDS\n"
                 "       fetch_bench memory fetch|bare URL BYTES\n");
    return 2;
}

// The first touch of fresh memory: what any fetch that hands back a new text pays on top of
// the reads. On some machines (virtual ones) it costs as much as the transfer itself.
double first_touch_ms(std::size_t bytes)
{
    // Called through a volatile pointer: the compiler may not drop the fill of a block it frees.
    static void* (*volatile const fill)(void*, int, std::size_t) = std::memset;
    const double start = now_ms();
    const std::unique_ptr<char[]> block(new char[bytes]);
    fill(block.get(), 1, bytes);
    return now_ms() - start;
}

int time_ways(const std::string& url, std::size_t bytes, int rounds)
{
    catalogue::InternetSession session(catalogue::wininet());
    const HINTERNET bare_session = open_bare_session();
    // Zeroed, so every page is in before the clock starts.
    std::vector<char> buffer(bytes);

    // One untimed fetch each way: sessions open, code paged in; and both must agree byte for byte.
    {
        const std::string text = catalogue::fetch_remote_text(session, url);
        const std::size_t bare_count = bare_fetch(bare_session, url, buffer.data(), buffer.size());
        if (text.size() != bytes || bare_count != bytes || std::memcmp(text.data(), buffer.data(), bytes) != 0) {
            std::printf("error: fetch gave %zu bytes, the bare loop %zu, expected %zu (or the bytes differ)\n",
                        text.size(), bare_count, bytes);
            return 1;
        }
    }

    // fetch: fetch_remote_text; bare: the read loop into the preallocated buffer; fresh: the
    // read loop into a buffer allocated (and not yet touched) for this fetch.
    const char* const names[] = {"fetch", "bare", "fresh"};
    const auto run = [&](int way) -> std::size_t {
        if (way == 0) {
            return catalogue::fetch_remote_text(session, url).size();
        }
        if (way == 1) {
            return bare_fetch(bare_session, url, buffer.data(), buffer.size());
        }
        const std::unique_ptr<char[]> fresh(new char[bytes]);
        return bare_fetch(bare_session, url, fresh.get(), bytes);
    };
    std::vector<double> times[3];
    std::vector<double> touch;
    for (int round = 0; round < rounds; ++round) {
        // Rotate the order, so that no way always runs right after the same other one.
        for (int turn = 0; turn < 3; ++turn) {
            const int way = (round + turn) % 3;
            const double start = now_ms();
            const std::size_t count = run(way);
            const double elapsed = now_ms() - start;
            if (count != bytes) {
                std::printf("error: %s gave %zu bytes, expected %zu\n", names[way], count, bytes);
                return 1;
            }
            times[way].push_back(elapsed);
        }
        touch.push_back(first_touch_ms(bytes));
        std::printf("round %d fetch_ms=%.1f bare_ms=%.1f fresh_ms=%.1f first_touch_ms=%.1f\n", round,
                    times[0].back(), times[1].back(), times[2].back(), touch.back());
        std::fflush(stdout);
    }
    const double fetch_median = median(times[0]);
    const double bare_median = median(times[1]);
    const double fresh_median = median(times[2]);
    std::printf("median fetch_ms=%.1f bare_ms=%.1f fresh_ms=%.1f first_touch_ms=%.1f ratio=%.3f ratio_fresh=%.3f\n",
                fetch_median, bare_median, fresh_median, median(touch), fetch_median / bare_median,
                fetch_median / fresh_median);
    InternetCloseHandle(bare_session);
    return 0;
}

int measure_memory(bool fetch_way, const std::string& url, std::size_t bytes)
{
    print_memory("start");
    std::size_t count = 0;
    if (fetch_way) {
        catalogue::InternetSession session(catalogue::wininet());
        const std::string text = catalogue::fetch_remote_text(session, url);
        count = text.size();
        print_memory("holding-text");
    } else {
        const HINTERNET session = open_bare_session();
        std::vector<char> buffer(bytes);
        count = bare_fetch(session, url, buffer.data(), buffer.size());
        print_memory("holding-buffer");
        InternetCloseHandle(session);
    }
    print_memory("end");
    std::printf("way=%s bytes=%zu\n", fetch_way ? "fetch" : "bare", count);
    return count == bytes ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 4 && args[0] == "time" && std::atoi(args[3].c_str()) > 0) {
        return time_ways(args[1], std::strtoull(args[2].c_str(), nullptr, 10), std::atoi(args[3].c_str()));
    }
    if (args.size() == 4 && args[0] == "memory" && (args[1] == "fetch" || args[1] == "bare")) {
        return measure_memory(args[1] == "fetch", args[2], std::strtoull(args[3].c_str(), nullptr, 10));
    }
    return usage();
}
