#include "app/shell.h"

namespace app {

void request_window_destroy(HWND window)
{
    WindowEntry* entry = find_loaded(state(), window);
    if (entry == nullptr) {
        report_fatal_error("请求销毁的窗口不存在或未载入。");
    }
    entry->destroy_pending = true;
    PostMessageA(window, destroy_request_message, 0, 0);
}

void carry_out_destroy_request(HWND window)
{
    WindowEntry* entry = find_loaded(state(), window);
    if (entry == nullptr || !entry->destroy_pending) {
        return;
    }
    entry->destroy_pending = false;
    DestroyWindow(window);
}

void window_destroyed(HWND window)
{
    ApplicationState& s = state();
    if (WindowEntry* entry = find_loaded(s, window)) {
        entry->live.reset();
        entry->destroy_pending = false;
    }
    if (s.loop_entered && !any_window_loaded(s)) {
        PostQuitMessage(0);
    }
}

}  // namespace app
