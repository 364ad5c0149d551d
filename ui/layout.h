#pragma once

// The main window's layout: static data, one row per control, read by the generic builder.
// Portable on purpose (no <windows.h>): the table and the rules derived from it are tested
// natively; how a row becomes a window is ui/control_builder.cpp.

#include <cstdint>
#include <span>
#include <string_view>

namespace ui {

enum class ControlKind {
    tab_control,  // 选择夹
    edit_box,     // 编辑框
    label,        // 标签
    group_box,    // 分组框
    push_button,  // 按钮
};

enum class Align { left, centre };

// The events each kind raises; the numbers are the event indices that bindings name.
namespace event {
inline constexpr std::int32_t window_created = 0;
inline constexpr std::int32_t window_may_end = 1;      // close query, also at log-off
inline constexpr std::int32_t window_destroying = 2;
inline constexpr std::int32_t window_close_request = 12;
inline constexpr std::int32_t tab_click = 0;
inline constexpr std::int32_t tab_changing = 1;
inline constexpr std::int32_t tab_changed = 2;
inline constexpr std::int32_t edit_changed = 0;
inline constexpr std::int32_t button_click = 0;
}  // namespace event

// A binding names its handler; start-up resolves the name against the program's handlers.
struct Binding {
    std::int32_t event;
    std::string_view handler;
};

// Fields of LOGFONTA that matter here; the rest are the platform's defaults (0).
struct FontFields {
    std::int32_t height;
    std::int32_t weight;
    bool italic;
    bool underline;
    bool strike_out;
    std::uint8_t quality;  // PROOF_QUALITY = 2
};

inline constexpr int main_window = 0;  // container number of the main window
inline constexpr int no_page = -1;

struct ControlRow {
    std::string_view name;
    ControlKind kind;
    int container;  // creation number of the container, or main_window
    int page;       // tab page for the tab control's children, else no_page
    int x, y, width, height;
    std::string_view text;
    bool visible;
    bool enabled;
    bool tab_stop;
    // The kind's own properties.
    bool multi_line;              // edit boxes: the list boxes
    Align align;                  // labels and group boxes
    bool word_wrap;               // labels
    const FontFields* own_font;   // labels with their own font; nullptr: the default GUI font
    std::span<const Binding> bindings;
};

struct TabPage {
    std::string_view text;
};

struct WindowLayout {
    std::string_view title;
    int width, height;  // outer size, frame and title bar included
    std::span<const Binding> bindings;
    std::span<const ControlRow> controls;  // in creation order
    std::span<const TabPage> tab_pages;    // pages of the one tab control
};

const WindowLayout& main_window_layout();

// Control number n (1-based creation order) gets child id 100 + 10 * (n - 1).
constexpr int control_id(int number) { return 100 + 10 * (number - 1); }

// Row index (0-based) of the control with that name, or -1.
int find_control(const WindowLayout& layout, std::string_view name);

// Whether a layout can be built: unique names, containers created before their children and
// able to hold them, pages only inside the tab control and within its page count.
bool layout_is_consistent(const WindowLayout& layout);

bool takes_focus(ControlKind kind);
bool raises_events(ControlKind kind);

}  // namespace ui
