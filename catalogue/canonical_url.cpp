#include "catalogue/canonical_url.h"

#include <algorithm>

namespace catalogue {
namespace {

bool starts_with(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

// Drops the last segment (and its "/") from the output.
void drop_last_segment(std::string& output)
{
    const auto slash = output.rfind('/');
    output.erase(slash == std::string::npos ? 0 : slash);
}

// The dot-segment removal of RFC 3986, section 5.2.4.
std::string remove_dot_segments(std::string_view input)
{
    std::string output;
    while (!input.empty()) {
        if (starts_with(input, "../")) {
            input.remove_prefix(3);
        } else if (starts_with(input, "./")) {
            input.remove_prefix(2);
        } else if (starts_with(input, "/./")) {
            input.remove_prefix(2);
        } else if (input == "/.") {
            input = "/";
        } else if (starts_with(input, "/../")) {
            input.remove_prefix(3);
            drop_last_segment(output);
        } else if (input == "/..") {
            input = "/";
            drop_last_segment(output);
        } else if (input == "." || input == "..") {
            input = {};
        } else {
            const auto next = input.find('/', input[0] == '/' ? 1 : 0);
            const auto segment = input.substr(0, next);
            output.append(segment);
            input.remove_prefix(segment.size());
        }
    }
    return output;
}

}  // namespace

std::string canonicalize_url(std::string_view url)
{
    const auto scheme_end = url.find("://");
    if (scheme_end == std::string_view::npos) {
        return std::string(url);
    }
    const auto path_start = url.find_first_of("/?#", scheme_end + 3);
    if (path_start == std::string_view::npos) {
        return std::string(url);
    }
    const auto path_end = std::min(url.find_first_of("?#", path_start), url.size());
    std::string canonical(url.substr(0, path_start));
    canonical += remove_dot_segments(url.substr(path_start, path_end - path_start));
    canonical += url.substr(path_end);
    return canonical;
}

}  // namespace catalogue
