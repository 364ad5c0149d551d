// Events, keys, focus and the window's end, through the platform's own messages.

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "shell_fixture.h"
#include "ui/control_operations.h"

namespace shell_test {
namespace {

using Strings = std::vector<std::string>;

class ShellEvents : public ShellTest {
protected:
    // A left click on a tab head, delivered to the tab control as the mouse would.
    void click_tab(int index)
    {
        const HWND tab = control("选择夹1");
        RECT head{};
        ASSERT_TRUE(SendMessageA(tab, TCM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&head)));
        const LPARAM at = MAKELPARAM((head.left + head.right) / 2, (head.top + head.bottom) / 2);
        SendMessageA(tab, WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageA(tab, WM_LBUTTONUP, 0, at);
        pump();
    }

    void type(HWND edit, const char* text)
    {
        for (const char* c = text; *c != '\0'; ++c) {
            SendMessageA(edit, WM_CHAR, static_cast<WPARAM>(static_cast<unsigned char>(*c)), 1);
        }
    }

    // A key press as the message loop sees it, offered to the window's keyboard handling.
    bool key(WPARAM virtual_key, bool shift = false)
    {
        BYTE keys[256];
        GetKeyboardState(keys);
        keys[VK_SHIFT] = shift ? 0x80 : 0;
        SetKeyboardState(keys);
        const MSG message{GetFocus(), WM_KEYDOWN, virtual_key, 1, 0, {}};
        const bool consumed = window().pre_translate(message);
        keys[VK_SHIFT] = 0;
        SetKeyboardState(keys);
        return consumed;
    }

    std::string text_of(std::string_view name)
    {
        const HWND edit = control(name);
        std::string text(static_cast<std::size_t>(GetWindowTextLengthA(edit)) + 1, '\0');
        text.resize(static_cast<std::size_t>(GetWindowTextA(edit, text.data(), static_cast<int>(text.size()))));
        return text;
    }
};

TEST_F(ShellEvents, CreatedEventRunsOnceWhileTheWindowIsHidden)
{
    EXPECT_EQ(recorded(), Strings{"created visible=0 controls=all"});
    EXPECT_TRUE(IsWindowVisible(main()));
    EXPECT_EQ(GetFocus(), control("编辑框1"));
}

TEST_F(ShellEvents, TabClickRunsTheHandlerAfterTheTabBecameCurrent)
{
    recorded().clear();
    click_tab(2);
    click_tab(2);  // the current tab again
    click_tab(5);
    EXPECT_EQ(recorded(), (Strings{"tab click, current 2", "tab click, current 2", "tab click, current 5"}));
    EXPECT_FALSE(IsWindowVisible(control("编辑框3")));
}

TEST_F(ShellEvents, ClickSwitchesThePageAndFocusesItsBox)
{
    click_tab(2);
    EXPECT_TRUE(IsWindowVisible(control("编辑框3")));
    EXPECT_FALSE(IsWindowVisible(control("编辑框1")));
    EXPECT_EQ(GetFocus(), control("编辑框3"));
}

TEST_F(ShellEvents, KeyboardTabChangeSwitchesPagesWithoutAClick)
{
    click_tab(5);  // the tab control keeps the focus on the empty page
    ASSERT_EQ(GetFocus(), control("选择夹1"));
    recorded().clear();
    SendMessageA(control("选择夹1"), WM_KEYDOWN, VK_LEFT, 0);
    pump();
    EXPECT_EQ(SendMessageA(control("选择夹1"), TCM_GETCURSEL, 0, 0), 4);
    EXPECT_TRUE(IsWindowVisible(control("编辑框5")));
    EXPECT_EQ(GetFocus(), control("编辑框5"));
    EXPECT_TRUE(recorded().empty());
}

TEST_F(ShellEvents, TypingInABoxInsideAGroupBoxReachesItsHandler)
{
    recorded().clear();
    type(control("编辑框6"), "ab");
    type(control("编辑框7"), "cd");  // nothing bound
    EXPECT_EQ(recorded(), (Strings{"edit6 changed", "edit6 changed"}));
}

TEST_F(ShellEvents, SettingContentRaisesExactlyOneChange)
{
    recorded().clear();
    // A one-line box reports WM_SETTEXT as a change by itself; that report is not an event.
    ui::set_edit_content("编辑框6", "abc");
    EXPECT_EQ(recorded(), Strings{"edit6 changed"});
    EXPECT_EQ(text_of("编辑框6"), "abc");
    ui::set_edit_content("编辑框6", "");
    EXPECT_EQ(recorded(), (Strings{"edit6 changed", "edit6 changed"}));
}

TEST_F(ShellEvents, EventHoldSilencesHandlers)
{
    recorded().clear();
    ++app::state().event_hold;
    type(control("编辑框6"), "x");
    click_tab(1);
    --app::state().event_hold;
    EXPECT_TRUE(recorded().empty());
    type(control("编辑框6"), "y");
    EXPECT_EQ(recorded(), Strings{"edit6 changed"});
}

TEST_F(ShellEvents, TabKeysMoveTheFocusAndTypeNothing)
{
    SetFocus(control("编辑框1"));
    EXPECT_TRUE(key(VK_TAB));
    EXPECT_EQ(GetFocus(), control("编辑框6"));
    EXPECT_TRUE(key(VK_TAB, true));
    EXPECT_EQ(GetFocus(), control("编辑框1"));
    EXPECT_TRUE(key(VK_TAB, true));
    EXPECT_EQ(GetFocus(), control("按钮2"));
    EXPECT_FALSE(key('A'));
    EXPECT_EQ(text_of("编辑框1"), "");
}

TEST_F(ShellEvents, EscapeClosesFromAnyControl)
{
    SetFocus(control("编辑框9"));
    const HWND hwnd = main();
    EXPECT_TRUE(key(VK_ESCAPE));
    EXPECT_FALSE(IsWindow(hwnd));
}

TEST_F(ShellEvents, CloseRequestDestroysAtOnce)
{
    const HWND hwnd = main();
    SendMessageA(hwnd, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_FALSE(app::any_window_loaded(app::state()));
}

TEST_F(ShellEvents, DestroyRequestWaitsForTheLoop)
{
    const HWND hwnd = main();
    app::state().loop_entered = true;
    app::request_window_destroy(hwnd);
    EXPECT_TRUE(IsWindow(hwnd));  // the caller goes on with the window still there

    MSG message;
    ASSERT_TRUE(PeekMessageA(&message, hwnd, 0, 0, PM_REMOVE));
    EXPECT_EQ(message.message, 32869u);
    DispatchMessageA(&message);
    EXPECT_FALSE(IsWindow(hwnd));
    ASSERT_TRUE(PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(message.wParam, 0u);
}

TEST_F(ShellEvents, DestroyMessageWithoutARequestIsIgnored)
{
    SendMessageA(main(), 32869, 0, 0);
    EXPECT_TRUE(app::any_window_loaded(app::state()));
}

TEST_F(ShellEvents, FocusComesBackAfterDeactivation)
{
    SetFocus(control("编辑框7"));
    const HWND other = CreateWindowExA(0, "STATIC", "other", WS_OVERLAPPED | WS_VISIBLE, 0, 0, 50, 50, nullptr,
                                       nullptr, nullptr, nullptr);
    ASSERT_NE(other, nullptr);
    SetActiveWindow(other);
    pump();
    ASSERT_NE(GetFocus(), control("编辑框7"));
    SetActiveWindow(main());
    pump();
    EXPECT_EQ(GetFocus(), control("编辑框7"));
    DestroyWindow(other);
}

}  // namespace
}  // namespace shell_test
