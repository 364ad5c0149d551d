#pragma once

#include <string>
#include <string_view>

namespace catalogue {

// One HTTP GET through the process's internet session: the body as text (code page 936 bytes
// up to the first NUL), the empty text on every failure.
std::string fetch_remote_text(std::string_view url);

}  // namespace catalogue
