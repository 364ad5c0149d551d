#include "catalogue/remote_text.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <limits>

#include "catalogue/canonical_url.h"

namespace catalogue {
namespace {

constexpr char verb[] = "GET";
constexpr char protocol_version[] = "HTTP/1.0";
// One entry: the whole header line, not the bare media range; the header text given to the
// send then stands for it on the wire.
constexpr const char* accept_types[] = {"Accept: */* \r\n", nullptr};
constexpr char extra_headers[] = "Accept: */*\r\n\r\n";
constexpr std::uint32_t content_length_buffer = 32;

struct ReleaseChunk {
    HttpPlatform* platform;
    void operator()(char* block) const { platform->release(block); }
};
using ChunkBuffer = std::unique_ptr<char[], ReleaseChunk>;

std::uint32_t request_flags(Scheme scheme)
{
    return scheme == Scheme::https ? https_request_flags : http_request_flags;
}

std::optional<std::string_view> query_content_length(HttpPlatform& platform, Handle request, char* buffer)
{
    std::uint32_t length = content_length_buffer;
    if (!platform.query_content_length(request, buffer, &length)) {
        return std::nullopt;
    }
    // The platform reports the length without the NUL; never trust it past the buffer.
    return std::string_view(buffer, std::min(length, content_length_buffer - 1));
}

// Sets room aside for the declared length; without it the body simply grows as it comes.
void reserve(ByteBuffer& body, std::uint32_t length)
{
    try {
        body.reserve(length);
    } catch (const std::bad_alloc&) {
    }
}

// Appends one read to the body; false when memory ran out (the body keeps what it had).
bool append(ByteBuffer& body, const char* bytes, std::uint32_t count)
{
    try {
        body.insert(body.end(), bytes, bytes + count);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

void read_body(HttpPlatform& platform, Handle request, char* chunk, std::uint32_t chunk_size, ByteBuffer& body)
{
    for (;;) {
        const ReadResult read = platform.read(request, chunk, chunk_size);
        // A transfer cut by a reset fails the read but reports the bytes it did deliver:
        // they arrived, so they are kept.
        const std::uint32_t count = std::min(read.count, chunk_size);
        if (count > 0 && !append(body, chunk, count)) {
            return;
        }
        if (!read.ok || count == 0) {
            return;
        }
    }
}

}  // namespace

std::uint32_t declared_length(std::optional<std::string_view> content_length)
{
    if (!content_length) {
        return 0;
    }
    std::string_view text = *content_length;
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) {
        text.remove_prefix(1);
    }
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    std::uint32_t value = 0;
    constexpr std::uint32_t most = std::numeric_limits<std::int32_t>::max();
    for (const char c : text) {
        if (c < '0' || c > '9') {
            break;
        }
        const auto digit = static_cast<std::uint32_t>(c - '0');
        value = value > (most - digit) / 10 ? most : value * 10 + digit;
    }
    return negative ? 0 : value;
}

std::uint32_t read_chunk_size(std::optional<std::string_view> content_length)
{
    const std::uint32_t length = declared_length(content_length);
    if (length == 0) {
        return default_chunk_size;
    }
    return length >= largest_chunk_size ? largest_chunk_size : length + 1;
}

ByteBuffer http_read_body(InternetSession& session, std::string_view url)
{
    HttpPlatform& platform = session.platform();
    ByteBuffer body{PlatformAllocator<char>(platform)};
    if (url.empty()) {
        return body;
    }
    try {
        UrlParts parts;
        if (!platform.crack_url(canonicalize_url(url), parts) || parts.scheme == Scheme::other) {
            return body;
        }
        const Handle session_handle = session.open();
        if (session_handle == nullptr) {
            return body;
        }
        // Declared in this order so that the request closes before the connection.
        const UniqueHandle connection(platform, platform.connect(session_handle, parts));
        if (!connection) {
            return body;
        }
        platform.use_preconfigured_proxy(session_handle);
        platform.set_proxy_user_name(connection.get(), "", 1);
        platform.set_proxy_password(connection.get(), "", 1);

        const std::string object_name = parts.path.substr(0, parts.path.find('#'));
        const UniqueHandle request(platform, platform.open_request(connection.get(), verb, object_name.c_str(),
                                                                  protocol_version, accept_types,
                                                                  request_flags(parts.scheme)));
        if (!request) {
            return body;
        }
        platform.set_timeouts(request.get(), session.timeouts());
        if (!platform.send_request(request.get(), extra_headers, sizeof extra_headers - 1)) {
            return body;
        }

        char length_text[content_length_buffer] = {};
        const auto content_length = query_content_length(platform, request.get(), length_text);
        const std::uint32_t chunk_size = read_chunk_size(content_length);
        const ChunkBuffer chunk(static_cast<char*>(platform.allocate(chunk_size)), ReleaseChunk{&platform});
        if (!chunk) {
            return body;
        }
        reserve(body, std::min(declared_length(content_length), largest_reservation));
        read_body(platform, request.get(), chunk.get(), chunk_size, body);
    } catch (const std::bad_alloc&) {
        // Out of memory while the URL's parts were made: nothing was read yet.
        return ByteBuffer{PlatformAllocator<char>(platform)};
    }
    return body;
}

std::string bytes_to_text(const ByteBuffer& body)
{
    if (body.empty()) {
        return {};
    }
    const auto* nul = static_cast<const char*>(std::memchr(body.data(), '\0', body.size()));
    return std::string(body.data(), nul == nullptr ? body.size() : static_cast<std::size_t>(nul - body.data()));
}

std::string fetch_remote_text(InternetSession& session, std::string_view url)
{
    std::string text;
    {
        const ByteBuffer body = http_read_body(session, url);
        text = bytes_to_text(body);
    }  // the body is released before the text goes to the caller
    return text;
}

}  // namespace catalogue
