// The main window's keys, looked at before the focused control sees them.

#include "ui/focus_order.h"
#include "ui/main_window.h"

namespace ui {

bool MainWindow::pre_translate(const MSG& message)
{
    if (message.message != WM_KEYDOWN && message.message != WM_SYSKEYDOWN) {
        return false;
    }
    if (message.hwnd != hwnd_ && !IsChild(hwnd_, message.hwnd)) {
        return false;
    }
    switch (message.wParam) {
    case VK_ESCAPE:
        SendMessageA(hwnd_, WM_CLOSE, 0, 0);
        return true;
    case VK_TAB:
        // Alt+Tab belongs to the system.
        if (message.message != WM_KEYDOWN) {
            return false;
        }
        move_focus(GetKeyState(VK_SHIFT) >= 0);
        return true;  // not translated, so no tab character reaches an edit box
    default:
        return false;
    }
}

void MainWindow::move_focus(bool forward)
{
    const int next = next_focus(layout_, current_tab(), row_of(GetFocus()), forward);
    if (next >= 0) {
        SetFocus(control(next));
    }
}

}  // namespace ui
