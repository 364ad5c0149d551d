#include "catalogue/canonical_url.h"

#include <gtest/gtest.h>

namespace {

TEST(CanonicalUrl, ResolvesDotSegmentsOfThePathOnly)
{
    const struct {
        const char* url;
        const char* canonical;
    } cases[] = {
        {"http://h/a/./b/../c.txt", "http://h/a/c.txt"},
        {"http://h/x/../../y.txt", "http://h/y.txt"},  // nothing climbs above the root
        {"http://h/a/b/.", "http://h/a/b/"},
        {"http://h/a/b/..", "http://h/a/"},
        {"http://h/./", "http://h/"},
        {"http://h/..a/b../c", "http://h/..a/b../c"},  // not dot segments
        {"http://h/a//b", "http://h/a//b"},
        {"http://h/%2e%2E/%41", "http://h/%2e%2E/%41"},  // nothing decoded
        {"http://h/d/../x.txt?a=./b/../c#f/../g", "http://h/x.txt?a=./b/../c#f/../g"},
        {"http://h/\xC8\xED\xBC\xFE/../\xB5\xE7\xCA\xD3.txt", "http://h/\xB5\xE7\xCA\xD3.txt"},
        {"http://u:p@h:81/a b/./c", "http://u:p@h:81/a b/c"},
        {"http://h", "http://h"},
        {"http://h?q=/../x", "http://h?q=/../x"},
        {"notaurl/../x", "notaurl/../x"},
        {"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(catalogue::canonicalize_url(c.url), c.canonical) << c.url;
    }
}

}  // namespace
