#include "ui/control_operations.h"

#include <windows.h>
#include <commctrl.h>

#include "app/shell.h"
#include "ui/main_window.h"

namespace ui {
namespace {

struct Target {
    MainWindow& window;
    int row;
};

// The loaded window holding the named control of the expected kind; anything else is fatal.
Target find_target(std::string_view name, ControlKind kind)
{
    for (app::WindowEntry& entry : app::state().windows) {
        const int row = find_control(*entry.layout, name);
        if (row < 0) {
            continue;
        }
        if (!entry.live) {
            app::report_fatal_error("访问控件时其窗口未载入。");
        }
        if (entry.layout->controls[static_cast<std::size_t>(row)].kind != kind) {
            app::report_fatal_error("控件的种类不支持这项操作。");
        }
        return {static_cast<MainWindow&>(*entry.live), row};
    }
    app::report_fatal_error("窗口布局中没有这个控件。");
}

}  // namespace

void MainWindow::set_edit_content(int row, std::string_view text)
{
    const std::string copy(text);
    // A one-line box reports the replacement itself as a change; that one is not an event.
    silenced_row_ = row;
    SetWindowTextA(control(row), copy.c_str());
    silenced_row_ = -1;
    raise(row, event::edit_changed);
}

void MainWindow::set_label_caption(int row, std::string_view text)
{
    label(row).caption.assign(text);
    InvalidateRect(control(row), nullptr, FALSE);
}

const std::string& MainWindow::label_caption(int row) const
{
    return labels_[static_cast<std::size_t>(row)].caption;
}

void set_edit_content(std::string_view control, std::string_view text)
{
    const Target target = find_target(control, ControlKind::edit_box);
    target.window.set_edit_content(target.row, text);
}

void set_label_caption(std::string_view control, std::string_view text)
{
    const Target target = find_target(control, ControlKind::label);
    target.window.set_label_caption(target.row, text);
}

std::string get_label_caption(std::string_view control)
{
    const Target target = find_target(control, ControlKind::label);
    return target.window.label_caption(target.row);
}

int get_current_tab(std::string_view control)
{
    const Target target = find_target(control, ControlKind::tab_control);
    return static_cast<int>(SendMessageA(target.window.control(target.row), TCM_GETCURSEL, 0, 0));
}

}  // namespace ui
