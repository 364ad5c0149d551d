#include "ui/focus_order.h"

#include <algorithm>

namespace ui {
namespace {

const ControlRow& row_at(const WindowLayout& layout, int row)
{
    return layout.controls[static_cast<std::size_t>(row)];
}

}  // namespace

bool shown_on_page(const WindowLayout& layout, int row, int current_page)
{
    for (int r = row; r >= 0;) {
        const ControlRow& control = row_at(layout, r);
        if (!control.visible || (control.page != no_page && control.page != current_page)) {
            return false;
        }
        r = control.container - 1;
    }
    return true;
}

std::vector<int> focus_sequence(const WindowLayout& layout, int current_page)
{
    std::vector<int> sequence;
    for (int row = 0; row < static_cast<int>(layout.controls.size()); ++row) {
        const ControlRow& control = row_at(layout, row);
        if (control.enabled && control.tab_stop && takes_focus(control.kind) &&
            shown_on_page(layout, row, current_page)) {
            sequence.push_back(row);
        }
    }
    return sequence;
}

int next_focus(const WindowLayout& layout, int current_page, int from, bool forward)
{
    const std::vector<int> sequence = focus_sequence(layout, current_page);
    if (sequence.empty()) {
        return -1;
    }
    if (forward) {
        const auto after = std::upper_bound(sequence.begin(), sequence.end(), from);
        return after == sequence.end() ? sequence.front() : *after;
    }
    const auto at_or_after = std::lower_bound(sequence.begin(), sequence.end(), from);
    return at_or_after == sequence.begin() ? sequence.back() : *(at_or_after - 1);
}

int first_focusable_on_page(const WindowLayout& layout, int page)
{
    for (int row = 0; row < static_cast<int>(layout.controls.size()); ++row) {
        const ControlRow& control = row_at(layout, row);
        if (control.page == page && control.enabled && takes_focus(control.kind)) {
            return row;
        }
    }
    return -1;
}

}  // namespace ui
