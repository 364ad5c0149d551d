// The built main window as the platform reports it: classes, ids, parents, places, styles,
// texts, pages and stacking.

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "shell_fixture.h"
#include "ui/layout.h"

namespace shell_test {
namespace {

std::string class_of(HWND window)
{
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

std::string text_of(HWND window)
{
    std::string text(static_cast<std::size_t>(GetWindowTextLengthA(window)) + 1, '\0');
    text.resize(static_cast<std::size_t>(GetWindowTextA(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

RECT rect_in_parent(HWND window)
{
    RECT r;
    GetWindowRect(window, &r);
    MapWindowPoints(nullptr, GetParent(window), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

struct Expected {
    const char* window_class;
    DWORD style;
    DWORD ex_style;
};

constexpr DWORD child = WS_CHILD | WS_CLIPSIBLINGS;

Expected expected_for(const ui::ControlRow& row)
{
    switch (row.kind) {
    case ui::ControlKind::tab_control:
        // Asked for with WS_CHILD alone; the tab control adds WS_CLIPSIBLINGS to itself.
        return {"SysTabControl32", WS_CHILD | WS_CLIPSIBLINGS, 0};
    case ui::ControlKind::edit_box:
        return row.multi_line
                   ? Expected{"Edit", child | WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN,
                              WS_EX_CLIENTEDGE}
                   : Expected{"Edit", child | WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE};
    case ui::ControlKind::label:
        return {"LiLanGe.Label", child, 0};
    case ui::ControlKind::group_box:
        return {"Button", child | BS_GROUPBOX | (row.align == ui::Align::centre ? BS_CENTER : BS_LEFT), 0};
    case ui::ControlKind::push_button:
        return {"Button", child | WS_TABSTOP | BS_PUSHBUTTON | BS_CENTER | BS_VCENTER | BS_MULTILINE, 0};
    }
    return {};
}

using WindowStructure = ShellTest;

TEST_F(WindowStructure, MainWindowIsCentredFixedAndTitled)
{
    EXPECT_EQ(class_of(main()), "LiLanGe.MainWindow");
    EXPECT_EQ(text_of(main()), "\xE8\xDD\xE1\xB0\xB8\xF3");  // 栎岚阁
    RECT outer;
    GetWindowRect(main(), &outer);
    EXPECT_EQ(outer.right - outer.left, 495);
    EXPECT_EQ(outer.bottom - outer.top, 763);
    EXPECT_EQ(outer.left, (GetSystemMetrics(SM_CXSCREEN) - 495) / 2);
    EXPECT_EQ(outer.top, (GetSystemMetrics(SM_CYSCREEN) - 763) / 2);

    // The platform adds WS_CLIPSIBLINGS to every top-level window.
    const auto style = static_cast<DWORD>(GetWindowLongPtrA(main(), GWL_STYLE));
    EXPECT_EQ(style & ~static_cast<DWORD>(WS_VISIBLE | WS_CLIPSIBLINGS),
              static_cast<DWORD>(WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN));
    EXPECT_TRUE(style & WS_VISIBLE);
    // The platform adds the window edge to captioned windows; nothing else is asked for.
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongPtrA(main(), GWL_EXSTYLE)) & ~static_cast<DWORD>(WS_EX_WINDOWEDGE), 0u);
    EXPECT_EQ(GetWindow(main(), GW_OWNER), nullptr);
    EXPECT_EQ(GetMenu(main()), nullptr);
    EXPECT_EQ(reinterpret_cast<HGDIOBJ>(SendMessageA(main(), WM_GETFONT, 0, 0)), GetStockObject(DEFAULT_GUI_FONT));
    HMENU system_menu = GetSystemMenu(main(), FALSE);
    EXPECT_NE(GetMenuState(system_menu, SC_MOVE, MF_BYCOMMAND), 0xFFFFFFFFu);
}

TEST_F(WindowStructure, EveryControlIsBuiltFromItsRow)
{
    const ui::WindowLayout& layout = ui::main_window_layout();
    for (int n = 1; n <= static_cast<int>(layout.controls.size()); ++n) {
        const ui::ControlRow& row = layout.controls[static_cast<std::size_t>(n - 1)];
        SCOPED_TRACE(std::string(row.name));
        const HWND hwnd = window().control(n - 1);
        ASSERT_TRUE(IsWindow(hwnd));
        EXPECT_EQ(GetDlgCtrlID(hwnd), 100 + 10 * (n - 1));

        const HWND parent = GetParent(hwnd);
        const int parent_id = parent == main() ? 0 : GetDlgCtrlID(parent);
        EXPECT_EQ(parent_id, row.container == ui::main_window ? 0 : ui::control_id(row.container));

        const RECT r = rect_in_parent(hwnd);
        EXPECT_EQ(r.left, row.x);
        EXPECT_EQ(r.top, row.y);
        EXPECT_EQ(r.right - r.left, row.width);
        EXPECT_EQ(r.bottom - r.top, row.height);  // 20-pixel boxes are tall enough for the font

        const Expected expected = expected_for(row);
        EXPECT_STRCASEEQ(class_of(hwnd).c_str(), expected.window_class);
        EXPECT_EQ(static_cast<DWORD>(GetWindowLongPtrA(hwnd, GWL_STYLE)) & ~static_cast<DWORD>(WS_VISIBLE),
                  expected.style);
        EXPECT_EQ(static_cast<DWORD>(GetWindowLongPtrA(hwnd, GWL_EXSTYLE)), expected.ex_style);
        EXPECT_EQ(text_of(hwnd), row.text);
        if (row.kind != ui::ControlKind::label) {
            EXPECT_EQ(reinterpret_cast<HGDIOBJ>(SendMessageA(hwnd, WM_GETFONT, 0, 0)), GetStockObject(DEFAULT_GUI_FONT));
        }
    }
}

TEST_F(WindowStructure, TabControlHasTheSixPagesWithTheFirstCurrent)
{
    const HWND tab = control("选择夹1");
    ASSERT_EQ(SendMessageA(tab, TCM_GETITEMCOUNT, 0, 0), 6);
    const char* texts[] = {"电视资源", "电影资源", "动漫资源", "福利资源", "软件库", "待决定"};
    for (int i = 0; i < 6; ++i) {
        char buffer[64] = {};
        TCITEMA item{};
        item.mask = TCIF_TEXT;
        item.pszText = buffer;
        item.cchTextMax = sizeof buffer;
        ASSERT_TRUE(SendMessageA(tab, TCM_GETITEMA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item)));
        EXPECT_STREQ(buffer, texts[i]);
    }
    EXPECT_EQ(SendMessageA(tab, TCM_GETCURSEL, 0, 0), 0);
}

TEST_F(WindowStructure, EditBoxesStartEmptyWithoutATypingLimit)
{
    for (int box = 1; box <= 10; ++box) {
        const HWND edit = control("编辑框" + std::to_string(box));
        DWORD start = 1, end = 1;
        SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
        EXPECT_EQ(start, 0u);
        EXPECT_EQ(end, 0u);
        EXPECT_GT(static_cast<DWORD>(SendMessageA(edit, EM_GETLIMITTEXT, 0, 0)), 0xFFFFFu) << box;  // default: 30000
    }
}

TEST_F(WindowStructure, OnlyTheCurrentPageIsShown)
{
    for (int page : {0, 3, 5, 1, 4, 2}) {
        select_tab(page);
        for (int box = 1; box <= 5; ++box) {
            EXPECT_EQ(IsWindowVisible(control("编辑框" + std::to_string(box))) != FALSE, box == page + 1)
                << "box " << box << " on page " << page;
        }
        EXPECT_TRUE(IsWindowVisible(control("分组框3")));
        EXPECT_TRUE(IsWindowVisible(control("标签9")));
    }
}

TEST_F(WindowStructure, LaterControlsLieAbove)
{
    // Top to bottom among each container's children is reverse creation order.
    const struct {
        const char* container;
        std::vector<const char*> top_down;
    } cases[] = {
        {"分组框3", {"标签9", "标签8", "标签7", "标签6"}},
        {"分组框2", {"按钮2", "编辑框10", "编辑框9", "标签5", "标签4"}},
        {"分组框1", {"分组框4", "分组框3", "分组框2", "按钮1", "编辑框8", "编辑框7", "编辑框6", "标签3", "标签2", "标签1"}},
        {"选择夹1", {"编辑框5", "编辑框4", "编辑框3", "编辑框2", "编辑框1"}},
    };
    for (const auto& c : cases) {
        std::vector<HWND> actual;
        for (HWND w = GetWindow(control(c.container), GW_CHILD); w != nullptr; w = GetWindow(w, GW_HWNDNEXT)) {
            actual.push_back(w);
        }
        std::vector<HWND> expected;
        for (const char* name : c.top_down) {
            expected.push_back(control(name));
        }
        EXPECT_EQ(actual, expected) << c.container;
    }
}

}  // namespace
}  // namespace shell_test
