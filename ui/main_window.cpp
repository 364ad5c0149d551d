#include "ui/main_window.h"

#include <commctrl.h>

#include <algorithm>
#include <new>

#include "app/shell.h"
#include "ui/focus_order.h"

namespace ui {

MainWindow::MainWindow(const WindowLayout& layout)
    : layout_(layout),
      tab_row_(static_cast<int>(std::find_if(layout.controls.begin(), layout.controls.end(),
                                             [](const ControlRow& row) { return row.kind == ControlKind::tab_control; }) -
                                layout.controls.begin())),
      controls_(layout.controls.size(), nullptr),
      labels_(layout.controls.size())
{
}

int MainWindow::row_of(HWND window) const
{
    if (window == nullptr) {
        return -1;
    }
    const auto it = std::find(controls_.begin(), controls_.end(), window);
    return it == controls_.end() ? -1 : static_cast<int>(it - controls_.begin());
}

int MainWindow::current_tab() const
{
    return static_cast<int>(SendMessageA(control(tab_row_), TCM_GETCURSEL, 0, 0));
}

void MainWindow::raise(int row, std::int32_t event) { app::dispatch_event(hwnd_, row, event); }

LRESULT CALLBACK MainWindow::window_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    try {
        if (message == WM_NCCREATE) {
            auto* self = static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTA*>(lparam)->lpCreateParams);
            self->hwnd_ = window;
            SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        }
        auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (self == nullptr) {
            return DefWindowProcA(window, message, wparam, lparam);
        }
        if (message == WM_NCDESTROY) {
            SetWindowLongPtrA(window, GWLP_USERDATA, 0);
            app::window_destroyed(window);  // deletes *self
            return 0;
        }
        return self->handle(message, wparam, lparam);
    } catch (const std::bad_alloc&) {
        app::report_fatal_error("内存不足。");
    }
}

LRESULT MainWindow::handle(UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_ERASEBKGND: {
        RECT client;
        GetClientRect(hwnd_, &client);
        FillRect(reinterpret_cast<HDC>(wparam), &client, GetSysColorBrush(COLOR_BTNFACE));
        return 1;
    }
    case WM_SETFONT:
        font_ = reinterpret_cast<HFONT>(wparam);  // a stock font: nothing to release
        return 0;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(font_);
    case WM_COMMAND:
        return on_command(wparam, lparam);
    case WM_NOTIFY:
        return on_notify(*reinterpret_cast<const NMHDR*>(lparam));
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
        return on_control_colour(message, reinterpret_cast<HDC>(wparam), reinterpret_cast<HWND>(lparam));
    case WM_ACTIVATE:
        if (LOWORD(wparam) == WA_INACTIVE) {
            remembered_focus_ = row_of(GetFocus());
        }
        break;  // the default activation focuses the window itself; WM_SETFOCUS passes it on
    case WM_SETFOCUS:
        focus_first_or_remembered();
        return 0;
    case WM_CLOSE:
        // Close queries; nothing is bound to them, so nothing refuses.
        raise(app::window_itself, event::window_close_request);
        raise(app::window_itself, event::window_may_end);
        DestroyWindow(hwnd_);
        return 0;
    case WM_QUERYENDSESSION:
        raise(app::window_itself, event::window_may_end);
        return TRUE;
    case WM_DESTROY:
        raise(app::window_itself, event::window_destroying);
        return 0;
    case app::destroy_request_message:
        app::carry_out_destroy_request(hwnd_);
        return 0;
    default:
        break;
    }
    return DefWindowProcA(hwnd_, message, wparam, lparam);
}

LRESULT MainWindow::on_command(WPARAM wparam, LPARAM lparam)
{
    const int row = row_of(reinterpret_cast<HWND>(lparam));
    if (row < 0) {
        return 0;
    }
    const ControlKind kind = layout_.controls[static_cast<std::size_t>(row)].kind;
    const WORD code = HIWORD(wparam);
    if (kind == ControlKind::edit_box && code == EN_CHANGE && row != silenced_row_) {
        raise(row, event::edit_changed);
    } else if (kind == ControlKind::push_button && code == BN_CLICKED) {
        raise(row, event::button_click);
    }
    return 0;
}

LRESULT MainWindow::on_notify(const NMHDR& header)
{
    const int row = row_of(header.hwndFrom);
    if (row < 0 || layout_.controls[static_cast<std::size_t>(row)].kind != ControlKind::tab_control) {
        return 0;
    }
    switch (header.code) {
    case NM_CLICK:
        raise(row, event::tab_click);
        break;
    case TCN_SELCHANGING:
        // A handler could refuse the change; with none bound the change goes ahead.
        raise(row, event::tab_changing);
        return FALSE;
    case TCN_SELCHANGE:
        raise(row, event::tab_changed);
        switch_page();
        break;
    default:
        break;
    }
    return 0;
}

LRESULT MainWindow::on_control_colour(UINT message, HDC dc, HWND control_window)
{
    const int row = row_of(control_window);
    const ControlKind kind = row < 0 ? ControlKind::label : layout_.controls[static_cast<std::size_t>(row)].kind;
    if (message == WM_CTLCOLOREDIT && kind == ControlKind::edit_box) {
        SetTextColor(dc, RGB(0, 0, 0));
        SetBkColor(dc, RGB(255, 255, 255));
        return reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
    }
    if (kind == ControlKind::group_box) {
        SetTextColor(dc, RGB(0, 0, 0));
        SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    }
    return DefWindowProcA(hwnd_, message, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control_window));
}

void MainWindow::focus_first_or_remembered()
{
    const int page = current_tab();
    int row = remembered_focus_;
    if (row < 0 || !shown_on_page(layout_, row, page)) {
        const std::vector<int> sequence = focus_sequence(layout_, page);
        row = sequence.empty() ? -1 : sequence.front();
    }
    if (row >= 0) {
        SetFocus(control(row));
    }
}

}  // namespace ui
