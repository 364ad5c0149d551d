#include "ui/window_classes.h"

#include "ui/label.h"
#include "ui/main_window.h"

namespace ui {
namespace {

bool register_class(HINSTANCE instance, const char* name, WNDPROC procedure)
{
    WNDCLASSEXA window_class{};
    window_class.cbSize = sizeof window_class;
    window_class.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
    window_class.lpfnWndProc = procedure;
    window_class.hInstance = instance;
    window_class.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    // The class erases nothing: each window paints its own background in button face.
    window_class.hbrBackground = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
    window_class.lpszClassName = name;
    return RegisterClassExA(&window_class) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

}  // namespace

bool register_window_classes(HINSTANCE instance)
{
    return register_class(instance, main_window_class, &MainWindow::window_procedure) &&
           register_class(instance, label_class, &label_procedure);
}

}  // namespace ui
