#pragma once

// The application state: one record per process, alive from before program_entry until the
// process ends. Portable: the platform window is known here only as an opaque pointer.

#include <cstdint>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "ui/layout.h"

namespace app {

using Handler = void (*)();

struct HandlerEntry {
    std::string_view name;
    Handler handler;
};

struct ResolvedBinding {
    std::int32_t event;
    Handler handler;
};

// A loaded window as the registry sees it; the platform side derives from it and owns the
// window's resources.
class LiveWindow {
public:
    virtual ~LiveWindow() = default;
    virtual const void* native_window() const = 0;
};

// One window layout read at start-up, its bindings resolved, and its live window while loaded.
struct WindowEntry {
    const ui::WindowLayout* layout = nullptr;
    std::vector<ResolvedBinding> window_bindings;
    std::vector<std::vector<ResolvedBinding>> control_bindings;  // one list per control row
    std::unique_ptr<LiveWindow> live;
    bool destroy_pending = false;
};

struct ApplicationState {
    std::uint32_t gui_thread = 0;
    bool ole_initialised = false;
    std::vector<WindowEntry> windows;  // the window registry
    int event_hold = 0;
    bool loop_entered = false;
};

// Reads a layout into a registry entry: every binding is resolved by handler name; a binding
// that names no handler of the program is dropped.
WindowEntry read_window_layout(const ui::WindowLayout& layout, std::span<const HandlerEntry> handlers);

// The entry whose live window is `window`, or nullptr.
WindowEntry* find_loaded(ApplicationState& state, const void* window);

// The entry of a layout, loaded or not, or nullptr.
WindowEntry* find_layout(ApplicationState& state, const ui::WindowLayout& layout);

bool any_window_loaded(const ApplicationState& state);

enum class DispatchOutcome {
    held,                   // the event hold is up: no handler ran
    unbound,                // no binding for that control and event
    handled,                // the first matching binding's handler ran
    unknown_window,         // the window is not a loaded window of the registry
    unknown_control,        // the window has no such control
    kind_raises_no_events,  // labels and group boxes raise nothing
};

inline constexpr int window_itself = -1;

// Delivers one event of `control` (a row index, or window_itself) of `window` to the first
// binding with that event index.
DispatchOutcome deliver_event(ApplicationState& state, const void* window, int control, std::int32_t event);

}  // namespace app
