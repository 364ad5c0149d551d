#pragma once

// The four operations through which the handlers reach controls, by their layout names.
// Texts are code page 936 bytes; the empty string is the absent text.

#include <string>
#include <string_view>

namespace ui {

// Replaces the box's whole content, unchanged, then raises its content-changed event once.
void set_edit_content(std::string_view control, std::string_view text);
void set_label_caption(std::string_view control, std::string_view text);
// Byte for byte the caption as last set.
std::string get_label_caption(std::string_view control);
// 0-based index of the selected tab, -1 when none is selected.
int get_current_tab(std::string_view control);

}  // namespace ui
