// Drives fetch_remote_text over the real WinINet adapter for the end-to-end fetch tests.
//
//   fetch_probe [--receive-timeout-ms N] URL...
//
// One InternetSession serves every URL, in order. A URL is given as "hex:" plus its bytes in
// hex (so code page 936 bytes survive the command line exactly), as "-" for the empty URL, or
// as plain ASCII. Per URL one line:
//   fetch index=I ms=T open=0|1 opened=N length=L hex=...
// and at the end, once the session object is gone:
//   sessions opened=N closed=M

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "catalogue/http_platform.h"
#include "catalogue/internet_session.h"
#include "catalogue/remote_text.h"
#include "catalogue/wininet_platform.h"

namespace {

using catalogue::Handle;

// Forwards every call to the real adapter and counts the session handles opened and closed.
class CountingPlatform final : public catalogue::HttpPlatform {
public:
    explicit CountingPlatform(catalogue::HttpPlatform& inner) : inner_(inner) {}

    int opened = 0;
    int closed = 0;

    Handle open_session(const char* agent) override
    {
        const Handle handle = inner_.open_session(agent);
        if (handle != nullptr) {
            ++opened;
            session_ = handle;
        }
        return handle;
    }
    bool crack_url(const std::string& url, catalogue::UrlParts& parts) override { return inner_.crack_url(url, parts); }
    Handle connect(Handle session, const catalogue::UrlParts& url) override { return inner_.connect(session, url); }
    void use_preconfigured_proxy(Handle session) override { inner_.use_preconfigured_proxy(session); }
    void set_proxy_user_name(Handle connection, const char* text, std::uint32_t length) override
    {
        inner_.set_proxy_user_name(connection, text, length);
    }
    void set_proxy_password(Handle connection, const char* text, std::uint32_t length) override
    {
        inner_.set_proxy_password(connection, text, length);
    }
    Handle open_request(Handle connection, const char* verb, const char* object_name, const char* version,
                        const char* const* accept_types, std::uint32_t flags) override
    {
        return inner_.open_request(connection, verb, object_name, version, accept_types, flags);
    }
    void set_timeouts(Handle request, const catalogue::Timeouts& timeouts) override
    {
        inner_.set_timeouts(request, timeouts);
    }
    bool send_request(Handle request, const char* headers, std::uint32_t length) override
    {
        return inner_.send_request(request, headers, length);
    }
    bool query_content_length(Handle request, char* buffer, std::uint32_t* length) override
    {
        return inner_.query_content_length(request, buffer, length);
    }
    catalogue::ReadResult read(Handle request, char* buffer, std::uint32_t size) override
    {
        return inner_.read(request, buffer, size);
    }
    void close(Handle handle) override
    {
        if (handle != nullptr && handle == session_) {
            ++closed;
            session_ = nullptr;
        }
        inner_.close(handle);
    }
    void* allocate(std::size_t size) override { return inner_.allocate(size); }
    void release(void* block) override { inner_.release(block); }

private:
    catalogue::HttpPlatform& inner_;
    Handle session_ = nullptr;
};

int hex_digit(char c)
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

bool decode_url(const std::string& argument, std::string& url)
{
    if (argument == "-") {
        url.clear();
        return true;
    }
    if (argument.rfind("hex:", 0) != 0) {
        url = argument;
        return true;
    }
    const std::string hex = argument.substr(4);
    if (hex.size() % 2 != 0) {
        return false;
    }
    url.clear();
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        const int high = hex_digit(hex[i]);
        const int low = hex_digit(hex[i + 1]);
        if (high < 0 || low < 0) {
            return false;
        }
        url.push_back(static_cast<char>(high * 16 + low));
    }
    return true;
}

void print_hex(const std::string& text)
{
    static constexpr char digits[] = "0123456789abcdef";
    std::string out;
    out.reserve(text.size() * 2);
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        out.push_back(digits[byte >> 4]);
        out.push_back(digits[byte & 0x0F]);
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
}

}  // namespace

int main(int argc, char** argv)
{
    catalogue::Timeouts timeouts = catalogue::default_timeouts;
    int first = 1;
    if (argc > 2 && std::string(argv[1]) == "--receive-timeout-ms") {
        timeouts.receive_ms = static_cast<std::uint32_t>(std::strtoul(argv[2], nullptr, 10));
        first = 3;
    }

    CountingPlatform platform(catalogue::wininet());
    {
        catalogue::InternetSession session(platform, timeouts);
        for (int i = first; i < argc; ++i) {
            std::string url;
            if (!decode_url(argv[i], url)) {
                std::fprintf(stderr, "fetch_probe: bad URL argument %s\n", argv[i]);
                return 2;
            }
            const ULONGLONG start = GetTickCount64();
            const std::string text = catalogue::fetch_remote_text(session, url);
            const ULONGLONG elapsed = GetTickCount64() - start;
            std::printf("fetch index=%d ms=%llu open=%d opened=%d length=%zu hex=", i - first, elapsed,
                        session.is_open() ? 1 : 0, platform.opened, text.size());
            print_hex(text);
            std::printf("\n");
            std::fflush(stdout);
        }
    }
    std::printf("sessions opened=%d closed=%d\n", platform.opened, platform.closed);
    return 0;
}
