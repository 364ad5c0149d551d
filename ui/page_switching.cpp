// The tab control's pages: only the current page's controls are shown.

#include "ui/focus_order.h"
#include "ui/main_window.h"

namespace ui {

void MainWindow::switch_page()
{
    const int page = current_tab();
    const int count = static_cast<int>(layout_.controls.size());
    for (int row = 0; row < count; ++row) {
        const int row_page = layout_.controls[static_cast<std::size_t>(row)].page;
        if (row_page != no_page && row_page != page && IsWindowVisible(control(row))) {
            ShowWindow(control(row), SW_HIDE);
        }
    }
    for (int row = 0; row < count; ++row) {
        if (layout_.controls[static_cast<std::size_t>(row)].page == page && shown_on_page(layout_, row, page)) {
            ShowWindow(control(row), SW_SHOWNA);
        }
    }
    // The empty page has no control to take the focus; it stays where it is.
    const int first = first_focusable_on_page(layout_, page);
    if (first >= 0) {
        SetFocus(control(first));
    }
}

void MainWindow::finish_showing()
{
    const HWND focused = GetFocus();
    switch_page();
    if (focused != nullptr) {
        SetFocus(focused);
    }
}

}  // namespace ui
