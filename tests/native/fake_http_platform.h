#pragma once

// A scripted HTTP client: each call is answered from the script and written to a log, handles
// are counted, and memory requests can be made to fail.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "catalogue/http_platform.h"

namespace fetch_test {

struct ScriptedRead {
    bool ok;
    std::string bytes;  // what the platform places in the buffer (at most the size asked for)
};

class FakeHttpPlatform final : public catalogue::HttpPlatform {
public:
    // The script.
    bool open_fails = false;
    bool crack_fails = false;
    bool connect_fails = false;
    bool request_fails = false;
    bool send_fails = false;
    std::optional<std::string> content_length;  // nullopt: the response has no such header
    std::vector<ScriptedRead> reads;            // after the last one: success with 0 bytes
    int failing_allocation = 0;                 // the n-th memory request fails (1-based); 0: none

    // What happened.
    std::vector<std::string> log;
    std::vector<std::uint32_t> read_sizes;
    std::set<catalogue::Handle> open_handles;
    int sessions_opened = 0;
    int double_closes = 0;
    int allocations = 0;
    bool allocation_failed = false;
    std::size_t reads_when_allocation_failed = 0;
    std::size_t live_blocks = 0;

    catalogue::Handle open_session(const char* agent) override
    {
        log.push_back("open_session " + std::string(agent));
        if (open_fails) {
            return nullptr;
        }
        ++sessions_opened;
        return new_handle();
    }

    bool crack_url(const std::string& url, catalogue::UrlParts& parts) override
    {
        log.push_back("crack " + url);
        if (crack_fails) {
            return false;
        }
        // Enough of a URL splitter for the tests: scheme://host[:port]path
        const auto scheme_end = url.find("://");
        if (scheme_end == std::string::npos) {
            return false;
        }
        const std::string scheme = url.substr(0, scheme_end);
        parts.scheme = scheme == "http"    ? catalogue::Scheme::http
                       : scheme == "https" ? catalogue::Scheme::https
                                           : catalogue::Scheme::other;
        const auto host_end = std::min(url.find_first_of("/?#", scheme_end + 3), url.size());
        std::string host = url.substr(scheme_end + 3, host_end - scheme_end - 3);
        parts.port = scheme == "https" ? 443 : 80;
        if (const auto colon = host.find(':'); colon != std::string::npos) {
            parts.port = static_cast<std::uint16_t>(std::atoi(host.c_str() + colon + 1));
            host.resize(colon);
        }
        parts.host = host;
        parts.path = url.substr(host_end);
        return true;
    }

    catalogue::Handle connect(catalogue::Handle session, const catalogue::UrlParts& url) override
    {
        log.push_back("connect " + name(session) + " " + url.host + ":" + std::to_string(url.port) + " user=" +
                      url.user_name + " password=" + url.password);
        return connect_fails ? nullptr : new_handle();
    }

    void use_preconfigured_proxy(catalogue::Handle session) override { log.push_back("proxy " + name(session)); }

    void set_proxy_user_name(catalogue::Handle connection, const char* text, std::uint32_t length) override
    {
        log.push_back("proxy_user_name " + name(connection) + " '" + text + "' " + std::to_string(length));
    }

    void set_proxy_password(catalogue::Handle connection, const char* text, std::uint32_t length) override
    {
        log.push_back("proxy_password " + name(connection) + " '" + text + "' " + std::to_string(length));
    }

    catalogue::Handle open_request(catalogue::Handle connection, const char* verb, const char* object_name,
                                   const char* version, const char* const* accept_types, std::uint32_t flags) override
    {
        std::string accept;
        for (const char* const* type = accept_types; *type != nullptr; ++type) {
            accept += "[" + std::string(*type) + "]";
        }
        char hex_flags[16];
        std::snprintf(hex_flags, sizeof hex_flags, "%08X", flags);
        log.push_back("open_request " + name(connection) + " " + verb + " " + object_name + " " + version + " " +
                      accept + " " + hex_flags);
        return request_fails ? nullptr : new_handle();
    }

    void set_timeouts(catalogue::Handle request, const catalogue::Timeouts& t) override
    {
        log.push_back("timeouts " + name(request) + " " + std::to_string(t.connect_ms) + " " +
                      std::to_string(t.send_ms) + " " + std::to_string(t.receive_ms));
    }

    bool send_request(catalogue::Handle request, const char* headers, std::uint32_t length) override
    {
        log.push_back("send " + name(request) + " '" + std::string(headers, length) + "' " + std::to_string(length));
        return !send_fails;
    }

    bool query_content_length(catalogue::Handle request, char* buffer, std::uint32_t* length) override
    {
        log.push_back("query_content_length " + name(request) + " " + std::to_string(*length));
        if (!content_length || content_length->size() + 1 > *length) {
            return false;
        }
        content_length->copy(buffer, content_length->size());
        buffer[content_length->size()] = '\0';
        *length = static_cast<std::uint32_t>(content_length->size());
        return true;
    }

    catalogue::ReadResult read(catalogue::Handle request, char* buffer, std::uint32_t size) override
    {
        read_sizes.push_back(size);
        if (next_read_ == reads.size()) {
            return {true, 0};
        }
        const ScriptedRead& scripted = reads[next_read_++];
        const auto count = static_cast<std::uint32_t>(std::min<std::size_t>(scripted.bytes.size(), size));
        scripted.bytes.copy(buffer, count);
        (void)request;
        return {scripted.ok, count};
    }

    void close(catalogue::Handle handle) override
    {
        log.push_back("close " + name(handle));
        if (open_handles.erase(handle) == 0) {
            ++double_closes;
        }
    }

    void* allocate(std::size_t size) override
    {
        if (++allocations == failing_allocation) {
            allocation_failed = true;
            reads_when_allocation_failed = next_read_;
            return nullptr;
        }
        ++live_blocks;
        return std::malloc(size == 0 ? 1 : size);
    }

    void release(void* block) override
    {
        --live_blocks;
        std::free(block);
    }

    std::size_t reads_taken() const { return next_read_; }

private:
    catalogue::Handle new_handle()
    {
        const auto handle = reinterpret_cast<catalogue::Handle>(static_cast<std::uintptr_t>(next_handle_++) * 16);
        open_handles.insert(handle);
        return handle;
    }

    // Handles are named by the order they were made in: h1 is the session of a first fetch.
    static std::string name(catalogue::Handle handle)
    {
        return handle == nullptr ? "null" : "h" + std::to_string(reinterpret_cast<std::uintptr_t>(handle) / 16);
    }

    int next_handle_ = 1;
    std::size_t next_read_ = 0;
};

}  // namespace fetch_test
