#pragma once

// The catalogue: one list per tab of the tab control (in the tabs' order), at fixed paths on
// the catalogue server.

#include <array>
#include <string>
#include <string_view>

namespace catalogue {

struct CatalogueRow {
    std::string_view list_path;  // empty: the tab has no list
    std::string_view edit_box;   // the box that shows the list
};

inline constexpr std::array<CatalogueRow, 6> catalogue_table{{
    {"/软件的/电影库/电视剧.txt", "编辑框1"},  // 电视资源
    {"/软件的/电影库/电影.txt", "编辑框2"},    // 电影资源
    {"/软件的/电影库/dm.txt", "编辑框3"},      // 动漫资源
    {"/软件的/电影库/福利.txt", "编辑框4"},    // 福利资源
    {"/软件的/电影库/软件.txt", "编辑框5"},    // 软件库
    {"", ""},                                  // 待决定
}};

inline constexpr int lists = 5;  // tabs 0 to 4 have one

// "http://", the catalogue server's host and the list's path; no port of its own.
std::string list_url(std::string_view host, int tab);

}  // namespace catalogue
