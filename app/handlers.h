#pragma once

// The program's event handlers and the table that layout bindings are resolved against.

#include <span>

#include "app/application_state.h"

namespace app {

void handle_window_created();
void handle_edit6_changed();

std::span<const HandlerEntry> program_handlers();

}  // namespace app
