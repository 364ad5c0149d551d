#include "ui/layout.h"

#include <algorithm>
#include <array>

namespace ui {
namespace {

constexpr Binding window_bindings[] = {{event::window_created, "handle_window_created"}};
constexpr Binding tab_bindings[] = {{event::tab_click, "handle_tab_click"}};
constexpr Binding edit6_bindings[] = {{event::edit_changed, "handle_edit6_changed"}};

// 14-pixel character height, normal weight, proof quality; face left to the font mapper.
constexpr FontFields notice_font{-14, 400, false, false, false, 2};

struct Place {
    int container, page, x, y, width, height;
};

constexpr ControlRow tabs(std::string_view name, Place p, std::span<const Binding> b = {})
{
    return {name, ControlKind::tab_control, p.container, p.page, p.x, p.y, p.width, p.height,
            {}, true, true, false, false, Align::left, false, nullptr, b};
}

constexpr ControlRow edit(std::string_view name, Place p, bool multi_line,
                          std::span<const Binding> b = {})
{
    return {name, ControlKind::edit_box, p.container, p.page, p.x, p.y, p.width, p.height,
            {}, true, true, true, multi_line, Align::left, false, nullptr, b};
}

constexpr ControlRow label(std::string_view name, Place p, std::string_view text, Align align,
                           bool word_wrap = false, const FontFields* font = nullptr)
{
    return {name, ControlKind::label, p.container, p.page, p.x, p.y, p.width, p.height,
            text, true, true, false, false, align, word_wrap, font, {}};
}

constexpr ControlRow group(std::string_view name, Place p, std::string_view text, Align align)
{
    return {name, ControlKind::group_box, p.container, p.page, p.x, p.y, p.width, p.height,
            text, true, true, false, false, align, false, nullptr, {}};
}

constexpr ControlRow button(std::string_view name, Place p, std::string_view text)
{
    return {name, ControlKind::push_button, p.container, p.page, p.x, p.y, p.width, p.height,
            text, true, true, true, false, Align::centre, false, nullptr, {}};
}

constexpr int tab_1 = 1, group_1 = 7, group_2 = 15, group_3 = 21, group_4 = 26;
constexpr bool list = true, one_line = false;

// Creation order: row n is control number n + 1.
constexpr std::array<ControlRow, 27> controls{{
    tabs("选择夹1", {main_window, no_page, 0, 0, 368, 736}, tab_bindings),
    edit("编辑框1", {tab_1, 0, 0, 24, 368, 712}, list),
    edit("编辑框2", {tab_1, 1, 0, 24, 368, 712}, list),
    edit("编辑框3", {tab_1, 2, 0, 24, 368, 712}, list),
    edit("编辑框4", {tab_1, 3, 0, 24, 368, 712}, list),
    edit("编辑框5", {tab_1, 4, 0, 24, 368, 712}, list),
    group("分组框1", {main_window, no_page, 368, 0, 128, 736}, "电影功能", Align::left),
    label("标签1", {group_1, no_page, 8, 32, 104, 24}, "资源库名", Align::centre),
    label("标签2", {group_1, no_page, 8, 80, 104, 24}, "资源地址", Align::centre),
    label("标签3", {group_1, no_page, 8, 120, 104, 24}, "资源名字", Align::centre),
    edit("编辑框6", {group_1, no_page, 16, 64, 96, 20}, one_line, edit6_bindings),
    edit("编辑框7", {group_1, no_page, 16, 144, 96, 20}, one_line),
    edit("编辑框8", {group_1, no_page, 16, 104, 96, 20}, one_line),
    button("按钮1", {group_1, no_page, 16, 168, 96, 32}, "投稿资源"),
    group("分组框2", {group_1, no_page, 0, 208, 120, 272}, "要资源", Align::centre),
    label("标签4", {group_2, no_page, 8, 24, 104, 24}, "资源库名", Align::centre),
    label("标签5", {group_2, no_page, 8, 80, 104, 24}, "资源名字", Align::centre),
    edit("编辑框9", {group_2, no_page, 16, 56, 96, 20}, one_line),
    edit("编辑框10", {group_2, no_page, 16, 112, 96, 20}, one_line),
    button("按钮2", {group_2, no_page, 16, 152, 96, 48}, "实现愿望"),
    group("分组框3", {group_1, no_page, 0, 480, 120, 120}, "版本", Align::centre),
    label("标签6", {group_3, no_page, 8, 16, 80, 24}, "当前版本：", Align::left),
    label("标签7", {group_3, no_page, 8, 56, 80, 24}, "最新版本：", Align::left),
    label("标签8", {group_3, no_page, 64, 16, 48, 24}, "0.1", Align::left),
    label("标签9", {group_3, no_page, 64, 56, 48, 24}, "", Align::left),
    group("分组框4", {group_1, no_page, 0, 600, 128, 136}, "版权提示", Align::left),
    label("标签10", {group_4, no_page, 8, 16, 112, 120},
          "本软件只展示服务器发布的资源目录，所列内容的版权归其权利人所有。", Align::left,
          true, &notice_font),
}};

constexpr TabPage pages[] = {
    {"电视资源"}, {"电影资源"}, {"动漫资源"}, {"福利资源"}, {"软件库"}, {"待决定"},
};

constexpr WindowLayout layout{"栎岚阁", 495, 763, window_bindings, controls, pages};

}  // namespace

const WindowLayout& main_window_layout() { return layout; }

int find_control(const WindowLayout& l, std::string_view name)
{
    const auto it = std::find_if(l.controls.begin(), l.controls.end(),
                                 [name](const ControlRow& row) { return row.name == name; });
    return it == l.controls.end() ? -1 : static_cast<int>(it - l.controls.begin());
}

bool takes_focus(ControlKind kind)
{
    return kind == ControlKind::edit_box || kind == ControlKind::push_button;
}

bool raises_events(ControlKind kind)
{
    return kind == ControlKind::tab_control || kind == ControlKind::edit_box ||
           kind == ControlKind::push_button;
}

bool layout_is_consistent(const WindowLayout& l)
{
    const auto count = static_cast<int>(l.controls.size());
    for (int n = 0; n < count; ++n) {
        const ControlRow& row = l.controls[static_cast<std::size_t>(n)];
        if (row.name.empty() || find_control(l, row.name) != n) {
            return false;
        }
        if (row.container == main_window) {
            if (row.page != no_page) {
                return false;
            }
            continue;
        }
        // Containers come earlier in creation order than what they hold.
        if (row.container < 1 || row.container > n) {
            return false;
        }
        const ControlKind holder = l.controls[static_cast<std::size_t>(row.container - 1)].kind;
        if (holder == ControlKind::tab_control) {
            if (row.page < 0 || row.page >= static_cast<int>(l.tab_pages.size())) {
                return false;
            }
        } else if (holder != ControlKind::group_box || row.page != no_page) {
            return false;
        }
    }
    return true;
}

}  // namespace ui
