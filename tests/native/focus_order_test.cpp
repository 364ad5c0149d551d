#include "ui/focus_order.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ui {
namespace {

const WindowLayout& layout() { return main_window_layout(); }

int row(std::string_view name) { return find_control(layout(), name); }

std::string name_of(int r)
{
    return r < 0 ? "(none)" : std::string(layout().controls[static_cast<std::size_t>(r)].name);
}

std::vector<std::string> names(const std::vector<int>& rows)
{
    std::vector<std::string> out;
    for (int r : rows) {
        out.push_back(name_of(r));
    }
    return out;
}

TEST(FocusOrder, SequenceFollowsCreationOrderNotTheScreen)
{
    const std::vector<std::string> side_panel{"编辑框6", "编辑框7", "编辑框8", "按钮1", "编辑框9", "编辑框10", "按钮2"};
    std::vector<std::string> page0{"编辑框1"};
    page0.insert(page0.end(), side_panel.begin(), side_panel.end());
    EXPECT_EQ(names(focus_sequence(layout(), 0)), page0);

    std::vector<std::string> page3{"编辑框4"};
    page3.insert(page3.end(), side_panel.begin(), side_panel.end());
    EXPECT_EQ(names(focus_sequence(layout(), 3)), page3);

    EXPECT_EQ(names(focus_sequence(layout(), 5)), side_panel);
}

TEST(FocusOrder, TabAndShiftTabMoves)
{
    const struct {
        int page;
        const char* from;  // nullptr: no control has the focus
        bool forward;
        const char* to;
    } cases[] = {
        {0, "编辑框1", true, "编辑框6"},   {0, "编辑框1", false, "按钮2"},
        {0, "按钮2", true, "编辑框1"},     {0, "编辑框7", true, "编辑框8"},
        {0, "编辑框8", false, "编辑框7"},  {2, "按钮1", true, "编辑框9"},
        {0, "选择夹1", true, "编辑框1"},   {0, "选择夹1", false, "按钮2"},
        {5, "选择夹1", true, "编辑框6"},   {5, "编辑框6", false, "按钮2"},
        {5, "按钮2", true, "编辑框6"},     {4, "选择夹1", true, "编辑框5"},
        // Controls outside the sequence count by their creation number.
        {0, "标签1", true, "编辑框6"},     {0, "标签3", false, "编辑框1"},
        {0, "分组框3", true, "编辑框1"},   {0, "标签10", false, "按钮2"},
        // A hidden page's box is skipped: from 编辑框2 while page 0 is current.
        {0, "编辑框2", true, "编辑框6"},
        {0, nullptr, true, "编辑框1"},     {0, nullptr, false, "按钮2"},
    };
    for (const auto& c : cases) {
        const int from = c.from == nullptr ? -1 : row(c.from);
        EXPECT_EQ(name_of(next_focus(layout(), c.page, from, c.forward)), c.to)
            << "page " << c.page << " from " << (c.from ? c.from : "(none)") << (c.forward ? " Tab" : " Shift+Tab");
    }
}

TEST(FocusOrder, PageSwitchFocusesThePagesBox)
{
    for (int page = 0; page < 5; ++page) {
        EXPECT_EQ(name_of(first_focusable_on_page(layout(), page)), "编辑框" + std::to_string(page + 1));
    }
    EXPECT_EQ(first_focusable_on_page(layout(), 5), -1);
}

TEST(FocusOrder, OnlyTheCurrentPagesBoxIsShown)
{
    for (int page = 0; page < 6; ++page) {
        for (int box = 1; box <= 5; ++box) {
            EXPECT_EQ(shown_on_page(layout(), row("编辑框" + std::to_string(box)), page), box == page + 1)
                << "box " << box << " page " << page;
        }
        EXPECT_TRUE(shown_on_page(layout(), row("标签9"), page));
        EXPECT_TRUE(shown_on_page(layout(), row("选择夹1"), page));
    }
}

}  // namespace
}  // namespace ui
