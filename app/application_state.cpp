#include "app/application_state.h"

#include <algorithm>

namespace app {
namespace {

std::vector<ResolvedBinding> resolve(std::span<const ui::Binding> bindings,
                                     std::span<const HandlerEntry> handlers)
{
    std::vector<ResolvedBinding> resolved;
    for (const ui::Binding& binding : bindings) {
        const auto it = std::find_if(handlers.begin(), handlers.end(), [&](const HandlerEntry& h) {
            return h.name == binding.handler;
        });
        if (it != handlers.end() && it->handler != nullptr) {
            resolved.push_back({binding.event, it->handler});
        }
    }
    return resolved;
}

}  // namespace

WindowEntry read_window_layout(const ui::WindowLayout& layout, std::span<const HandlerEntry> handlers)
{
    WindowEntry entry;
    entry.layout = &layout;
    entry.window_bindings = resolve(layout.bindings, handlers);
    entry.control_bindings.reserve(layout.controls.size());
    for (const ui::ControlRow& row : layout.controls) {
        entry.control_bindings.push_back(resolve(row.bindings, handlers));
    }
    return entry;
}

WindowEntry* find_loaded(ApplicationState& state, const void* window)
{
    for (WindowEntry& entry : state.windows) {
        if (window != nullptr && entry.live && entry.live->native_window() == window) {
            return &entry;
        }
    }
    return nullptr;
}

WindowEntry* find_layout(ApplicationState& state, const ui::WindowLayout& layout)
{
    for (WindowEntry& entry : state.windows) {
        if (entry.layout == &layout) {
            return &entry;
        }
    }
    return nullptr;
}

bool any_window_loaded(const ApplicationState& state)
{
    return std::any_of(state.windows.begin(), state.windows.end(),
                       [](const WindowEntry& entry) { return entry.live != nullptr; });
}

DispatchOutcome deliver_event(ApplicationState& state, const void* window, int control, std::int32_t event)
{
    if (state.event_hold > 0) {
        return DispatchOutcome::held;
    }
    const WindowEntry* entry = find_loaded(state, window);
    if (entry == nullptr) {
        return DispatchOutcome::unknown_window;
    }
    const std::vector<ResolvedBinding>* bindings = &entry->window_bindings;
    if (control != window_itself) {
        if (control < 0 || static_cast<std::size_t>(control) >= entry->control_bindings.size()) {
            return DispatchOutcome::unknown_control;
        }
        if (!ui::raises_events(entry->layout->controls[static_cast<std::size_t>(control)].kind)) {
            return DispatchOutcome::kind_raises_no_events;
        }
        bindings = &entry->control_bindings[static_cast<std::size_t>(control)];
    }
    const auto it = std::find_if(bindings->begin(), bindings->end(),
                                 [event](const ResolvedBinding& b) { return b.event == event; });
    if (it == bindings->end()) {
        return DispatchOutcome::unbound;
    }
    // The handler may change the registry (destroy the window); keep nothing across the call.
    const Handler handler = it->handler;
    handler();
    return DispatchOutcome::handled;
}

}  // namespace app
