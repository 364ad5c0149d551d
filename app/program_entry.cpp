#include <ole2.h>

#include <new>

#include "app/handlers.h"
#include "app/shell.h"
#include "ui/main_window.h"

namespace app {
namespace {

// Delivers what is waiting in the thread's queue, leaving a quit message where it is.
void deliver_waiting_messages()
{
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE) && message.message != WM_QUIT) {
        if (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
}

}  // namespace

int program_entry()
{
    try {
        initialise_shell();
        load_main_window();
        run_message_loop();
    } catch (const std::bad_alloc&) {
        report_fatal_error("内存不足。");
    }
    return 0;
}

void initialise_shell()
{
    ApplicationState& s = state();
    // The shell opens the download page through the Windows shell, which wants OLE.
    OleInitialize(nullptr);
    s.ole_initialised = true;
    s.gui_thread = GetCurrentThreadId();

    const ui::WindowLayout& layout = ui::main_window_layout();
    if (!ui::layout_is_consistent(layout)) {
        report_fatal_error("窗口布局数据已损坏。");
    }
    s.windows.push_back(read_window_layout(layout, program_handlers()));
}

void load_main_window()
{
    ApplicationState& s = state();
    WindowEntry* entry = find_layout(s, ui::main_window_layout());
    if (entry == nullptr) {
        report_fatal_error("找不到主窗口的布局。");
    }

    deliver_waiting_messages();
    ++s.event_hold;
    auto window = std::make_unique<ui::MainWindow>(*entry->layout);
    ui::MainWindow& main = *window;
    entry->live = std::move(window);
    if (!main.build(GetModuleHandleA(nullptr))) {
        report_fatal_error("无法创建主窗口或其中的控件。");
    }
    deliver_waiting_messages();
    --s.event_hold;

    const HWND hwnd = main.hwnd();
    dispatch_event(hwnd, window_itself, ui::event::window_created);
    // The created handler may have destroyed the window; `main` is gone with it then.
    if (!IsWindow(hwnd)) {
        return;
    }
    ShowWindow(hwnd, SW_SHOW);
    main.finish_showing();
}

}  // namespace app
