// The real shell with one thing made to fail, so that the fatal path can be watched from
// another process: "window" (the main window cannot be created), "control" (a control cannot
// be created) or "event" (an event names a control the window does not have).

#include <windows.h>

#include <cstring>

#include "app/shell.h"
#include "ui/window_classes.h"

namespace {

const char* refused_class = nullptr;
const char* refused_name = nullptr;

// Vetoes the creation of one window; the platform then fails CreateWindowEx.
LRESULT CALLBACK refuse_creation(int code, WPARAM wparam, LPARAM lparam)
{
    if (code == HCBT_CREATEWND) {
        const CREATESTRUCTA* create = reinterpret_cast<CBT_CREATEWNDA*>(lparam)->lpcs;
        const bool named_class = HIWORD(reinterpret_cast<ULONG_PTR>(create->lpszClass)) != 0;
        if (named_class && lstrcmpiA(create->lpszClass, refused_class) == 0 &&
            (refused_name == nullptr || (create->lpszName != nullptr && std::strcmp(create->lpszName, refused_name) == 0))) {
            return 1;
        }
    }
    return CallNextHookEx(nullptr, code, wparam, lparam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR command_line, int)
{
    app::ProcessObjects process;
    if (std::strcmp(command_line, "event") == 0) {
        app::initialise_shell();
        app::load_main_window();
        app::dispatch_event(FindWindowA(ui::main_window_class, nullptr), 99, 0);
        return 1;  // not reached: the event is fatal
    }
    if (std::strcmp(command_line, "window") == 0) {
        refused_class = ui::main_window_class;
    } else if (std::strcmp(command_line, "control") == 0) {
        refused_class = "BUTTON";
        refused_name = "实现愿望";  // 按钮2
    } else {
        return 2;
    }
    SetWindowsHookExA(WH_CBT, &refuse_creation, nullptr, GetCurrentThreadId());
    const int code = app::program_entry();
    app::run_exit_cleanup();
    return code;
}
