#include <ole2.h>

#include <cstdio>

#include "app/shell.h"

namespace app {

void run_exit_cleanup()
{
    ApplicationState& s = state();
    ++s.event_hold;  // for good: no handler runs any more
    for (WindowEntry& entry : s.windows) {
        if (entry.live) {
            DestroyWindow(static_cast<HWND>(const_cast<void*>(entry.live->native_window())));
        }
        entry.live.reset();  // a window DestroyWindow could not end still has its resources freed
    }
    if (s.ole_initialised) {
        OleUninitialize();
        s.ole_initialised = false;
    }
}

void report_fatal_error(std::string_view description)
{
    ++state().event_hold;  // for good, also while the box below is open
    // A fixed buffer: this may run because memory ran out.
    char message[512];
    std::snprintf(message, sizeof message, "栎岚阁遇到无法恢复的错误，即将退出。\r\n\r\n%.*s",
                  static_cast<int>(description.size()), description.data());
    MessageBoxA(nullptr, message, "栎岚阁", MB_OK | MB_ICONERROR);
    run_exit_cleanup();
    ExitProcess(static_cast<UINT>(-1));
}

}  // namespace app
