#pragma once

// Keyboard focus rules of the main window, derived from the layout alone.

#include <vector>

#include "ui/layout.h"

namespace ui {

// Whether a control is on screen with `current_page` current: its visible flag, its page, and
// the same for every container around it.
bool shown_on_page(const WindowLayout& layout, int row, int current_page);

// Row indices of the focus sequence: shown, enabled, taking the focus, with a tab stop, in
// creation order.
std::vector<int> focus_sequence(const WindowLayout& layout, int current_page);

// Where Tab (forward) or Shift+Tab moves the focus from row `from` (-1: no control has it). A
// control outside the sequence counts by its place in creation order. -1 when the sequence is
// empty.
int next_focus(const WindowLayout& layout, int current_page, int from, bool forward);

// The first control of a tab page, in creation order, that is enabled and takes the focus; -1
// for a page without one.
int first_focusable_on_page(const WindowLayout& layout, int page);

}  // namespace ui
