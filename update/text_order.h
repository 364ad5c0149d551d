#pragma once

#include <string_view>

namespace update {

// Orders two texts by their bytes, each taken as unsigned; the end of a text ranks below every
// byte. -1, 0 or +1. The absent text is the empty one.
int text_order(std::string_view a, std::string_view b);

}  // namespace update
