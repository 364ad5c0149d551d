#pragma once

#include <string>
#include <string_view>

namespace catalogue {

// Resolves the dot segments of a URL's path ("./" the same directory, "../" the parent). Nothing
// is encoded or decoded: bytes above 0x7F, "%xx", the query and the fragment stay as they are.
// Done here rather than by the platform: WinINet's canonicaliser under Wine cuts URLs that
// hold code page 936 bytes, and the lists live at such paths.
std::string canonicalize_url(std::string_view url);

}  // namespace catalogue
