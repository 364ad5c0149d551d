#include "ui/layout.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace ui {
namespace {

const WindowLayout& main_layout() { return main_window_layout(); }

const ControlRow& row(std::string_view name)
{
    const int index = find_control(main_layout(), name);
    EXPECT_GE(index, 0) << name;
    return main_layout().controls[static_cast<std::size_t>(index)];
}

// Position of a control in the main window's client area, from the containers' offsets.
std::array<int, 2> in_window(std::string_view name)
{
    std::array<int, 2> at{0, 0};
    for (const ControlRow* r = &row(name);;) {
        at[0] += r->x;
        at[1] += r->y;
        if (r->container == main_window) {
            return at;
        }
        r = &main_layout().controls[static_cast<std::size_t>(r->container - 1)];
    }
}

TEST(Layout, TextsAreCodePage936Bytes)
{
    EXPECT_EQ(main_layout().title, "\xE8\xDD\xE1\xB0\xB8\xF3");  // 栎岚阁
    EXPECT_EQ(row("\xB1\xEA\xC7\xA9\x38").text, "0.1");       // 标签8
    EXPECT_EQ(main_layout().tab_pages[5].text, "\xB4\xFD\xBE\xF6\xB6\xA8");  // 待决定
}

TEST(Layout, IsConsistentWithIdsInCreationOrder)
{
    const WindowLayout& layout = main_layout();
    ASSERT_EQ(layout.controls.size(), 27u);
    EXPECT_TRUE(layout_is_consistent(layout));
    EXPECT_EQ(control_id(1), 100);
    EXPECT_EQ(control_id(27), 360);
    EXPECT_EQ(find_control(layout, "标签10"), 26);
    EXPECT_EQ(find_control(layout, "标签11"), -1);
}

// The window-relative column of the layout, checked against the containers' offsets.
TEST(Layout, ContainersPlaceControlsWhereTheWindowShowsThem)
{
    const struct {
        const char* name;
        int x, y;
    } expected[] = {
        {"编辑框1", 0, 24},  {"分组框1", 368, 0},  {"标签3", 376, 120}, {"编辑框8", 384, 104},
        {"分组框2", 368, 208}, {"标签4", 376, 232}, {"编辑框10", 384, 320}, {"按钮2", 384, 360},
        {"分组框3", 368, 480}, {"标签8", 432, 496}, {"标签9", 432, 536}, {"分组框4", 368, 600},
        {"标签10", 376, 616},
    };
    for (const auto& e : expected) {
        EXPECT_EQ(in_window(e.name), (std::array<int, 2>{e.x, e.y})) << e.name;
    }
}

TEST(Layout, KindsCarryTheirOwnProperties)
{
    const WindowLayout& layout = main_layout();
    for (const ControlRow& r : layout.controls) {
        const bool focusable = r.kind == ControlKind::edit_box || r.kind == ControlKind::push_button;
        EXPECT_EQ(r.tab_stop, focusable) << r.name;
        EXPECT_TRUE(r.visible && r.enabled) << r.name;
    }
    for (int page = 0; page < 5; ++page) {
        const ControlRow& box = layout.controls[static_cast<std::size_t>(page + 1)];
        EXPECT_EQ(box.page, page);
        EXPECT_TRUE(box.multi_line);
    }
    EXPECT_FALSE(row("编辑框6").multi_line);
    EXPECT_EQ(row("标签1").align, Align::centre);
    EXPECT_EQ(row("标签9").align, Align::left);
    EXPECT_EQ(row("分组框2").align, Align::centre);
    EXPECT_EQ(row("分组框4").align, Align::left);
    ASSERT_NE(row("标签10").own_font, nullptr);
    EXPECT_TRUE(row("标签10").word_wrap);
    EXPECT_EQ(row("标签10").own_font->height, -14);
    EXPECT_EQ(row("标签9").own_font, nullptr);
}

TEST(Layout, BindsExactlyTheThreeHandlers)
{
    std::vector<std::string> bound;
    for (const Binding& b : main_layout().bindings) {
        bound.push_back("window/" + std::to_string(b.event) + "/" + std::string(b.handler));
    }
    for (const ControlRow& r : main_layout().controls) {
        for (const Binding& b : r.bindings) {
            bound.push_back(std::string(r.name) + "/" + std::to_string(b.event) + "/" + std::string(b.handler));
        }
    }
    EXPECT_EQ(bound, (std::vector<std::string>{"window/0/handle_window_created", "选择夹1/0/handle_tab_click",
                                               "编辑框6/0/handle_edit6_changed"}));
}

// Broken layouts that the builder must refuse.
TEST(Layout, InconsistentLayoutsAreRefused)
{
    constexpr auto make = [](std::string_view name, ControlKind kind, int container, int page) {
        return ControlRow{name, kind, container, page, 0, 0, 10, 10, {}, true, true, false,
                          false, Align::left, false, nullptr, {}};
    };
    const TabPage pages[] = {{"a"}, {"b"}};
    const struct {
        const char* what;
        std::vector<ControlRow> rows;
    } cases[] = {
        {"duplicate name", {make("a", ControlKind::group_box, 0, -1), make("a", ControlKind::label, 0, -1)}},
        {"child before its container", {make("a", ControlKind::label, 2, -1), make("g", ControlKind::group_box, 0, -1)}},
        {"container is a label", {make("l", ControlKind::label, 0, -1), make("a", ControlKind::edit_box, 1, -1)}},
        {"page outside the tab control", {make("g", ControlKind::group_box, 0, -1), make("a", ControlKind::edit_box, 1, 0)}},
        {"page beyond the last tab", {make("t", ControlKind::tab_control, 0, -1), make("a", ControlKind::edit_box, 1, 2)}},
        {"tab child without a page", {make("t", ControlKind::tab_control, 0, -1), make("a", ControlKind::edit_box, 1, -1)}},
        {"page on the main window", {make("a", ControlKind::edit_box, 0, 1)}},
        {"empty name", {make("", ControlKind::edit_box, 0, -1)}},
    };
    for (const auto& c : cases) {
        const WindowLayout broken{"x", 100, 100, {}, c.rows, pages};
        EXPECT_FALSE(layout_is_consistent(broken)) << c.what;
    }
}

}  // namespace
}  // namespace ui
