#pragma once

// Labels draw their caption themselves and keep its bytes: window text does not round-trip
// byte sequences that are not valid in code page 936.

#include <windows.h>

#include <string>

#include "ui/layout.h"
#include "ui/win32_handles.h"

namespace ui {

struct LabelState {
    std::string caption;
    Align align = Align::left;
    bool word_wrap = false;
    win32::unique_font own_font;  // nullptr: drawn in the default GUI font
};

// Makes the label's own font from its stored fields; nullptr when the platform cannot.
win32::unique_font make_font(const FontFields& fields);

// Paints a label's client rectangle: button face, then the caption.
void paint_label(HDC dc, const RECT& client, const RECT& update, const LabelState& label);

LRESULT CALLBACK label_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

}  // namespace ui
