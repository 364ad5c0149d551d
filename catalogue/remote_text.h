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

// The body's length as the Content-Length text declares it (absent: no header, or it did not
// fit its buffer): a signed decimal number after white space, saturating at 2^31 - 1; 0 when
// there is none, it reads as 0, or it is negative.
std::uint32_t declared_length(std::optional<std::string_view> content_length);

// Read size from the declared length: 10240 without one, else the length plus 1, at most 102400.
std::uint32_t read_chunk_size(std::optional<std::string_view> content_length);

// Room set aside for a body of declared length up front, so that a long body is not copied
// as it grows; bounded, since a server can declare anything.
inline constexpr std::uint32_t largest_reservation = 64 * 1024 * 1024;

// Makes the GET request for `url` and gathers the body, or the bytes that arrived before the
// transfer broke off.
ByteBuffer http_read_body(InternetSession& session, std::string_view url);

// The bytes up to the first NUL, copied as they are.
std::string bytes_to_text(const ByteBuffer& body);

std::string fetch_remote_text(InternetSession& session, std::string_view url);

}  // namespace catalogue
