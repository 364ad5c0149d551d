#include "update/text_order.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(TextOrder, ComparesUnsignedBytesWithTheEndBelowEveryByte)
{
    const struct {
        std::string a, b;
        int order;
    } cases[] = {
        {"0.10", "0.9", -1},       {"0.9", "0.10", 1},    // bytes, not numbers
        {"", "", 0},               {"", "0.1", -1},       {"0.1", "", 1},  // "" is also the absent text
        {"0.1", "0.1", 0},         {"0.1", "0.10", -1},   {"0.1\r\n", "0.1", 1},
        {"a\x80", "a\x7F", 1},     {"a\x7F", "a\xFF", -1}, {"\xB0\xE6", "z", 1},
        {std::string("a\0b", 3), std::string("a\0c", 3), -1},
        {"0.1", "0.3", -1},        {"9", "10", 1},        // never the difference of the bytes
    };
    for (const auto& c : cases) {
        EXPECT_EQ(update::text_order(c.a, c.b), c.order) << '"' << c.a << "\" vs \"" << c.b << '"';
    }
}

}  // namespace
