#pragma once

#include "catalogue/http_platform.h"

namespace catalogue {

// The platform HTTP client on Windows: WinINet, synchronous.
HttpPlatform& wininet();

}  // namespace catalogue
