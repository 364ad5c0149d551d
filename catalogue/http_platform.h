#pragma once

// The platform's HTTP client as the fetch uses it: one call per step, with the arguments the
// fetch hands over. WinINet on Windows (wininet_platform.cpp); scripted fakes in the tests.
// Portable: no <windows.h>.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <string>

namespace catalogue {

using Handle = void*;  // an HINTERNET

enum class Scheme { http, https, other };

// The parts of a URL as the platform splits it; the path keeps its query and fragment.
struct UrlParts {
    Scheme scheme = Scheme::other;
    std::string host;
    std::uint16_t port = 0;
    std::string user_name;
    std::string password;
    std::string path;
};

struct Timeouts {
    std::uint32_t connect_ms;
    std::uint32_t send_ms;
    std::uint32_t receive_ms;
};

struct ReadResult {
    bool ok;
    std::uint32_t count;  // bytes placed in the buffer, also when the read failed
};

class HttpPlatform {
public:
    virtual ~HttpPlatform() = default;

    virtual Handle open_session(const char* agent) = 0;
    // Splits a URL into buffers of 256 (host), 128 (user name, password) and 2048 (path)
    // characters; false when it does not split or a part does not fit.
    virtual bool crack_url(const std::string& url, UrlParts& parts) = 0;
    virtual Handle connect(Handle session, const UrlParts& url) = 0;
    virtual void use_preconfigured_proxy(Handle session) = 0;
    virtual void set_proxy_user_name(Handle connection, const char* text, std::uint32_t length) = 0;
    virtual void set_proxy_password(Handle connection, const char* text, std::uint32_t length) = 0;
    virtual Handle open_request(Handle connection, const char* verb, const char* object_name, const char* version,
                                const char* const* accept_types, std::uint32_t flags) = 0;
    virtual void set_timeouts(Handle request, const Timeouts& timeouts) = 0;
    virtual bool send_request(Handle request, const char* headers, std::uint32_t length) = 0;
    // The Content-Length value as text into `buffer` of `*length` bytes; false when the
    // response has none or it does not fit.
    virtual bool query_content_length(Handle request, char* buffer, std::uint32_t* length) = 0;
    virtual ReadResult read(Handle request, char* buffer, std::uint32_t size) = 0;
    virtual void close(Handle handle) = 0;

    // Memory for the body and the read buffer; nullptr when there is none.
    virtual void* allocate(std::size_t size) = 0;
    virtual void release(void* block) = 0;
};

// Closes one handle of the platform on every path out of a scope.
class UniqueHandle {
public:
    UniqueHandle(HttpPlatform& platform, Handle handle) : platform_(&platform), handle_(handle) {}
    ~UniqueHandle()
    {
        if (handle_ != nullptr) {
            platform_->close(handle_);
        }
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    Handle get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }

private:
    HttpPlatform* platform_;
    Handle handle_;
};

// Hands the body's memory requests to the platform, so that running out can be simulated.
template <typename T>
class PlatformAllocator {
public:
    using value_type = T;

    explicit PlatformAllocator(HttpPlatform& platform) : platform_(&platform) {}
    template <typename U>
    PlatformAllocator(const PlatformAllocator<U>& other) : platform_(other.platform())
    {
    }

    T* allocate(std::size_t count)
    {
        void* block = count <= SIZE_MAX / sizeof(T) ? platform_->allocate(count * sizeof(T)) : nullptr;
        if (block == nullptr) {
            throw std::bad_alloc();
        }
        return static_cast<T*>(block);
    }
    void deallocate(T* block, std::size_t) { platform_->release(block); }

    HttpPlatform* platform() const { return platform_; }
    friend bool operator==(const PlatformAllocator& a, const PlatformAllocator& b) { return a.platform_ == b.platform_; }

private:
    HttpPlatform* platform_;
};

}  // namespace catalogue
