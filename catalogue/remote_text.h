#pragma once

// Fetching a text from the catalogue server: one HTTP GET, the body as text, the empty text on
// every failure. The one road to the network.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/http_platform.h"
#include "catalogue/internet_session.h"

namespace catalogue {

// The body as it arrived; empty is the absent buffer.
using ByteBuffer = std::vector<char, PlatformAllocator<char>>;

inline constexpr std::uint32_t default_chunk_size = 10240;
inline constexpr std::uint32_t largest_chunk_size = 102400;

// Request flags: never answered from the cache, never stored in it; TLS for https.
inline constexpr std::uint32_t http_request_flags = 0x84000000;
inline constexpr std::uint32_t https_request_flags = 0x84800000;

// Read size from the Content-Length text (absent: no header, or it did not fit its buffer).
std::uint32_t read_chunk_size(std::optional<std::string_view> content_length);

// Makes the GET request for `url` and gathers the body, or the bytes that arrived before the
// transfer broke off.
ByteBuffer http_read_body(InternetSession& session, std::string_view url);

// The bytes up to the first NUL, copied as they are.
std::string bytes_to_text(const ByteBuffer& body);

std::string fetch_remote_text(InternetSession& session, std::string_view url);

}  // namespace catalogue
