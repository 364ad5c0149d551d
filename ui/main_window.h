#pragma once

// The live main window: its handle, its controls, and the resources it owns. The window
// registry owns this object from the build until WM_NCDESTROY.

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/application_state.h"
#include "ui/label.h"
#include "ui/layout.h"
#include "ui/win32_handles.h"

namespace ui {

class MainWindow final : public app::LiveWindow {
public:
    explicit MainWindow(const WindowLayout& layout);
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    const void* native_window() const override { return hwnd_; }
    HWND hwnd() const { return hwnd_; }
    const WindowLayout& layout() const { return layout_; }
    HWND control(int row) const { return controls_[static_cast<std::size_t>(row)]; }
    // Row of one of this window's controls, -1 for any other window.
    int row_of(HWND window) const;
    // Selected tab of the window's tab control.
    int current_tab() const;

    // Builds the window, hidden, with every control; false when the window or a control
    // cannot be created (what was made stays with this object, for the exit clean-up).
    bool build(HINSTANCE instance);
    // After the first ShowWindow: the pages' visibility again, the focus kept where it was.
    void finish_showing();
    // The window's keyboard handling, offered every message before it is dispatched; true when
    // the key was consumed.
    bool pre_translate(const MSG& message);

    void set_edit_content(int row, std::string_view text);
    void set_label_caption(int row, std::string_view text);
    const std::string& label_caption(int row) const;

    static LRESULT CALLBACK window_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

private:
    LRESULT handle(UINT message, WPARAM wparam, LPARAM lparam);
    LRESULT on_command(WPARAM wparam, LPARAM lparam);
    LRESULT on_notify(const NMHDR& header);
    LRESULT on_control_colour(UINT message, HDC dc, HWND control);
    void raise(int row, std::int32_t event);
    bool create_control(HINSTANCE instance, int row);
    void apply_after_creation(int row);
    void switch_page();
    void move_focus(bool forward);
    void focus_first_or_remembered();
    LabelState& label(int row) { return labels_[static_cast<std::size_t>(row)]; }

    const WindowLayout& layout_;
    const int tab_row_;
    HWND hwnd_ = nullptr;
    std::vector<HWND> controls_;
    std::vector<LabelState> labels_;  // indexed by row; used by the label rows only
    win32::unique_icon big_icon_;
    win32::unique_icon small_icon_;
    HFONT font_ = nullptr;
    int remembered_focus_ = -1;  // row that had the focus when the window was deactivated
    int silenced_row_ = -1;      // edit box whose content the program is replacing
};

}  // namespace ui
