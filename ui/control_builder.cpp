// The generic builder: the main window, then every control of the layout from its row.

#include <windows.h>
#include <commctrl.h>

#include "ui/focus_order.h"
#include "ui/main_window.h"
#include "ui/window_classes.h"

namespace ui {
namespace {

struct Realisation {
    const char* window_class;
    DWORD style;
    DWORD ex_style;
};

constexpr DWORD main_window_style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;

Realisation realise(const ControlRow& row)
{
    const DWORD tab_stop = row.tab_stop ? WS_TABSTOP : 0;
    const DWORD child = WS_CHILD | WS_CLIPSIBLINGS | tab_stop;
    switch (row.kind) {
    case ControlKind::tab_control:
        return {WC_TABCONTROLA, WS_CHILD | tab_stop, 0};
    case ControlKind::edit_box:
        if (row.multi_line) {
            return {"EDIT", child | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN, WS_EX_CLIENTEDGE};
        }
        return {"EDIT", child | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE};
    case ControlKind::label:
        return {label_class, child, 0};
    case ControlKind::group_box:
        return {"BUTTON", child | BS_GROUPBOX | (row.align == Align::centre ? BS_CENTER : BS_LEFT), 0};
    case ControlKind::push_button:
        return {"BUTTON", child | BS_PUSHBUTTON | BS_CENTER | BS_VCENTER | BS_MULTILINE, 0};
    }
    return {"", 0, 0};
}

// Subclass ids: a group box erases its own area, a tab control draws its own.
constexpr UINT_PTR tab_container = 1;
constexpr UINT_PTR group_container = 2;

// The containers (group boxes, tab control) receive their children's notifications and
// colour requests; they pass them to the main window, which raises the child's events.
LRESULT CALLBACK container_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                     UINT_PTR kind, DWORD_PTR main_window_handle)
{
    switch (message) {
    case WM_ERASEBKGND:
        if (kind == group_container) {
            RECT area;
            GetClientRect(window, &area);
            FillRect(reinterpret_cast<HDC>(wparam), &area, GetSysColorBrush(COLOR_BTNFACE));
            return 1;
        }
        break;
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
        return SendMessageA(reinterpret_cast<HWND>(main_window_handle), message, wparam, lparam);
    case WM_NCDESTROY:
        RemoveWindowSubclass(window, &container_procedure, kind);
        break;
    default:
        break;
    }
    return DefSubclassProc(window, message, wparam, lparam);
}

HGDIOBJ default_gui_font() { return GetStockObject(DEFAULT_GUI_FONT); }

void set_default_font(HWND window)
{
    SendMessageA(window, WM_SETFONT, reinterpret_cast<WPARAM>(default_gui_font()), FALSE);
}

// A one-line box lower than a line of its font plus its edges is made that tall.
void keep_minimum_height(HWND edit)
{
    TEXTMETRICA metrics{};
    {
        const win32::WindowDc dc(edit);
        const win32::SelectedObject font(dc.get(), default_gui_font());
        GetTextMetricsA(dc.get(), &metrics);
    }
    const int minimum = metrics.tmHeight + 2 * GetSystemMetrics(SM_CYEDGE);
    RECT box;
    GetWindowRect(edit, &box);
    if (box.bottom - box.top < minimum) {
        SetWindowPos(edit, nullptr, 0, 0, box.right - box.left, minimum,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

}  // namespace

bool MainWindow::build(HINSTANCE instance)
{
    const INITCOMMONCONTROLSEX common{sizeof(INITCOMMONCONTROLSEX), ICC_TAB_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&common);
    if (!register_window_classes(instance)) {
        return false;
    }

    // Centred on the primary screen; each half truncated toward zero.
    const int x = (GetSystemMetrics(SM_CXSCREEN) - layout_.width) / 2;
    const int y = (GetSystemMetrics(SM_CYSCREEN) - layout_.height) / 2;
    const std::string title(layout_.title);
    // Checked through the result, not hwnd_: a creation that fails after WM_NCCREATE has
    // already taken this object out of the registry.
    if (CreateWindowExA(0, main_window_class, title.c_str(), main_window_style, x, y, layout_.width,
                        layout_.height, nullptr, nullptr, instance, this) == nullptr) {
        return false;
    }
    RECT outer;
    GetWindowRect(hwnd_, &outer);
    if (outer.right - outer.left != layout_.width || outer.bottom - outer.top != layout_.height) {
        SetWindowPos(hwnd_, nullptr, 0, 0, layout_.width, layout_.height,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }

    // A missing icon is not fatal: the window then shows the system's default.
    big_icon_.reset(static_cast<HICON>(LoadImageA(instance, "DEFAULT_ICON", IMAGE_ICON, 32, 32, LR_DEFAULTCOLOR)));
    small_icon_.reset(static_cast<HICON>(LoadImageA(instance, "DEFAULT_ICON", IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR)));
    SendMessageA(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big_icon_.get()));
    SendMessageA(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small_icon_.get()));
    set_default_font(hwnd_);

    const int count = static_cast<int>(layout_.controls.size());
    for (int row = 0; row < count; ++row) {
        if (!create_control(instance, row)) {
            return false;
        }
        apply_after_creation(row);
    }
    // A control created later lies above those created before it.
    for (HWND control_window : controls_) {
        SetWindowPos(control_window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    const int page = current_tab();
    for (int row = 0; row < count; ++row) {
        if (shown_on_page(layout_, row, page)) {
            ShowWindow(control(row), SW_SHOWNA);
        }
    }
    return true;
}

bool MainWindow::create_control(HINSTANCE instance, int row)
{
    const ControlRow& layout_row = layout_.controls[static_cast<std::size_t>(row)];
    const Realisation how = realise(layout_row);
    // Every container comes earlier in creation order, so a control is created directly in it.
    const HWND parent = layout_row.container == main_window ? hwnd_ : control(layout_row.container - 1);
    void* create_param = layout_row.kind == ControlKind::label ? &label(row) : nullptr;
    if (layout_row.kind == ControlKind::label) {
        label(row).align = layout_row.align;
        label(row).word_wrap = layout_row.word_wrap;
        if (layout_row.own_font != nullptr) {
            label(row).own_font = make_font(*layout_row.own_font);
        }
    }
    const std::string text(layout_row.text);
    const HWND window = CreateWindowExA(how.ex_style, how.window_class, text.c_str(), how.style, layout_row.x, layout_row.y,
                                        layout_row.width, layout_row.height, parent,
                                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(control_id(row + 1))),
                                        instance, create_param);
    controls_[static_cast<std::size_t>(row)] = window;
    if (window == nullptr) {
        return false;
    }
    if (layout_row.kind == ControlKind::tab_control || layout_row.kind == ControlKind::group_box) {
        const UINT_PTR kind = layout_row.kind == ControlKind::tab_control ? tab_container : group_container;
        SetWindowSubclass(window, &container_procedure, kind, reinterpret_cast<DWORD_PTR>(hwnd_));
    }
    return true;
}

void MainWindow::apply_after_creation(int row)
{
    const ControlRow& layout_row = layout_.controls[static_cast<std::size_t>(row)];
    const HWND window = control(row);
    switch (layout_row.kind) {
    case ControlKind::tab_control: {
        set_default_font(window);
        for (const TabPage& page : layout_.tab_pages) {
            std::string text(page.text);
            TCITEMA item{};
            item.mask = TCIF_TEXT;
            item.pszText = text.data();
            const auto position = SendMessageA(window, TCM_GETITEMCOUNT, 0, 0);
            SendMessageA(window, TCM_INSERTITEMA, static_cast<WPARAM>(position), reinterpret_cast<LPARAM>(&item));
        }
        SendMessageA(window, TCM_SETCURSEL, 0, 0);
        break;
    }
    case ControlKind::edit_box:
        set_default_font(window);
        SendMessageA(window, EM_LIMITTEXT, 0, 0);
        SendMessageA(window, EM_SETSEL, 0, 0);
        SendMessageA(window, EM_SCROLLCARET, 0, 0);
        if (!layout_row.multi_line) {
            keep_minimum_height(window);
        }
        break;
    case ControlKind::group_box:
    case ControlKind::push_button:
        set_default_font(window);
        break;
    case ControlKind::label:
        break;
    }
}

}  // namespace ui
