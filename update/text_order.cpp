#include "update/text_order.h"

#include <algorithm>

namespace update {

int text_order(std::string_view a, std::string_view b)
{
    const auto [at_a, at_b] = std::mismatch(a.begin(), a.end(), b.begin(), b.end());
    if (at_a == a.end()) {
        return at_b == b.end() ? 0 : -1;
    }
    if (at_b == b.end()) {
        return 1;
    }
    return static_cast<unsigned char>(*at_a) < static_cast<unsigned char>(*at_b) ? -1 : 1;
}

}  // namespace update
