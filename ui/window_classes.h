#pragma once

#include <windows.h>

namespace ui {

inline constexpr char main_window_class[] = "LiLanGe.MainWindow";
inline constexpr char label_class[] = "LiLanGe.Label";

// Registers the program's two window classes once per process; false when that fails.
bool register_window_classes(HINSTANCE instance);

}  // namespace ui
