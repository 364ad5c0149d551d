#include "catalogue/wininet_platform.h"

#include <windows.h>
#include <wininet.h>

#include <cstdlib>

namespace catalogue {
namespace {

HINTERNET internet(Handle handle) { return static_cast<HINTERNET>(handle); }

void set_number(Handle handle, DWORD option, DWORD value)
{
    InternetSetOptionA(internet(handle), option, &value, sizeof value);
}

class WinInet final : public HttpPlatform {
public:
    Handle open_session(const char* agent) override
    {
        return InternetOpenA(agent, INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    }

    bool crack_url(const std::string& url, UrlParts& parts) override
    {
        char host[256] = {}, user[128] = {}, password[128] = {}, path[2048] = {};
        URL_COMPONENTSA components{};
        components.dwStructSize = sizeof components;
        components.lpszHostName = host;
        components.dwHostNameLength = sizeof host;
        components.lpszUserName = user;
        components.dwUserNameLength = sizeof user;
        components.lpszPassword = password;
        components.dwPasswordLength = sizeof password;
        components.lpszUrlPath = path;
        components.dwUrlPathLength = sizeof path;
        if (!InternetCrackUrlA(url.c_str(), 0, 0, &components)) {
            return false;
        }
        parts.scheme = components.nScheme == INTERNET_SCHEME_HTTP    ? Scheme::http
                       : components.nScheme == INTERNET_SCHEME_HTTPS ? Scheme::https
                                                                     : Scheme::other;
        parts.port = components.nPort;
        // The strings are taken up to their NUL: for code page 936 paths Wine reports the
        // lengths in characters, not bytes.
        parts.host = host;
        parts.user_name = user;
        parts.password = password;
        parts.path = path;
        return true;
    }

    Handle connect(Handle session, const UrlParts& url) override
    {
        return InternetConnectA(internet(session), url.host.c_str(), url.port, url.user_name.c_str(),
                                url.password.c_str(), INTERNET_SERVICE_HTTP, 0, 0);
    }

    void use_preconfigured_proxy(Handle session) override
    {
        INTERNET_PROXY_INFO proxy{INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr};
        InternetSetOptionA(internet(session), INTERNET_OPTION_PROXY, &proxy, sizeof proxy);
    }

    void set_proxy_user_name(Handle connection, const char* text, std::uint32_t length) override
    {
        InternetSetOptionA(internet(connection), INTERNET_OPTION_PROXY_USERNAME, const_cast<char*>(text), length);
    }

    void set_proxy_password(Handle connection, const char* text, std::uint32_t length) override
    {
        InternetSetOptionA(internet(connection), INTERNET_OPTION_PROXY_PASSWORD, const_cast<char*>(text), length);
    }

    Handle open_request(Handle connection, const char* verb, const char* object_name, const char* version,
                        const char* const* accept_types, std::uint32_t flags) override
    {
        return HttpOpenRequestA(internet(connection), verb, object_name, version, nullptr,
                                const_cast<const char**>(accept_types), flags, 0);
    }

    void set_timeouts(Handle request, const Timeouts& timeouts) override
    {
        set_number(request, INTERNET_OPTION_CONNECT_TIMEOUT, timeouts.connect_ms);
        set_number(request, INTERNET_OPTION_SEND_TIMEOUT, timeouts.send_ms);
        set_number(request, INTERNET_OPTION_RECEIVE_TIMEOUT, timeouts.receive_ms);
    }

    bool send_request(Handle request, const char* headers, std::uint32_t length) override
    {
        return HttpSendRequestA(internet(request), headers, length, nullptr, 0) != FALSE;
    }

    bool query_content_length(Handle request, char* buffer, std::uint32_t* length) override
    {
        DWORD size = *length;
        const bool found = HttpQueryInfoA(internet(request), HTTP_QUERY_CONTENT_LENGTH, buffer, &size, nullptr) != FALSE;
        *length = size;
        return found;
    }

    ReadResult read(Handle request, char* buffer, std::uint32_t size) override
    {
        DWORD count = 0;
        const bool ok = InternetReadFile(internet(request), buffer, size, &count) != FALSE;
        return {ok, count};
    }

    void close(Handle handle) override { InternetCloseHandle(internet(handle)); }

    void* allocate(std::size_t size) override { return std::malloc(size); }
    void release(void* block) override { std::free(block); }
};

}  // namespace

HttpPlatform& wininet()
{
    static WinInet platform;
    return platform;
}

}  // namespace catalogue
