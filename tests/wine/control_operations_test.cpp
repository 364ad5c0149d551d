// The four operations the handlers use, checked through what the platform shows.

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "shell_fixture.h"
#include "ui/control_operations.h"

namespace shell_test {
namespace {

using ControlOperations = ShellTest;

std::string window_text(HWND window)
{
    std::string text(static_cast<std::size_t>(SendMessageA(window, WM_GETTEXTLENGTH, 0, 0)) + 1, '\0');
    const auto copied = SendMessageA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(copied));
    return text;
}

TEST_F(ControlOperations, LabelCaptionsComeBackByteForByte)
{
    const std::string captions[] = {
        "0.2",
        "0.1\r\n",
        "\xEF\xBB\xBF" "0.1",      // UTF-8 byte-order mark
        "abc\xB5",                  // a lead byte with nothing after it
        "\x81\x20q",                // a lead byte followed by an invalid trail byte
        "\x80\xFF",
        "<html>\t&amp;</html>",
        std::string(5000, 'x'),
    };
    for (const std::string& caption : captions) {
        ui::set_label_caption("标签9", caption);
        EXPECT_EQ(ui::get_label_caption("标签9"), caption);
        EXPECT_EQ(window_text(control("标签9")), caption);  // also for readers of the window text
    }
    ui::set_label_caption("标签9", "");
    EXPECT_EQ(ui::get_label_caption("标签9"), "");
    EXPECT_EQ(ui::get_label_caption("标签8"), "0.1");
}

TEST_F(ControlOperations, EditContentReplacesEverythingUnchanged)
{
    const HWND box = control("编辑框2");
    SendMessageA(box, WM_CHAR, 'q', 1);  // the user's typing goes too
    const std::string list = "line 1\nline 2\r\n\xB5\xE7\xCA\xD3\tend";  // LF alone stays LF
    ui::set_edit_content("编辑框2", list);
    EXPECT_EQ(window_text(box), list);
    EXPECT_FALSE(IsWindowVisible(box));  // set while its page is hidden

    // Beyond any typing limit; in lines, as lists come (one unbroken line wraps slowly).
    std::string big;
    while (big.size() < 200000) {
        big += std::string(78, 'w') + "\r\n";
    }
    ui::set_edit_content("编辑框2", big);
    EXPECT_EQ(window_text(box).size(), big.size());
    ui::set_edit_content("编辑框2", "");
    EXPECT_EQ(window_text(box), "");
}

TEST_F(ControlOperations, CurrentTabIsTheSelectedOne)
{
    EXPECT_EQ(ui::get_current_tab("选择夹1"), 0);
    select_tab(4);
    EXPECT_EQ(ui::get_current_tab("选择夹1"), 4);
    select_tab(5);
    EXPECT_EQ(ui::get_current_tab("选择夹1"), 5);
}

}  // namespace
}  // namespace shell_test
