#include "shell_fixture.h"

#include <commctrl.h>

#include "ui/layout.h"

namespace shell_test {
namespace {

ui::MainWindow* loaded_window()
{
    for (app::WindowEntry& entry : app::state().windows) {
        if (entry.live) {
            return static_cast<ui::MainWindow*>(entry.live.get());
        }
    }
    return nullptr;
}

void record_created()
{
    ui::MainWindow& window = *loaded_window();
    bool all_exist = true;
    for (std::size_t row = 0; row < window.layout().controls.size(); ++row) {
        all_exist = all_exist && IsWindow(window.control(static_cast<int>(row)));
    }
    recorded().push_back(std::string("created visible=") + (IsWindowVisible(window.hwnd()) ? "1" : "0") +
                         " controls=" + (all_exist ? "all" : "missing"));
}

void record_tab_click()
{
    const ui::MainWindow& window = *loaded_window();
    recorded().push_back("tab click, current " + std::to_string(window.current_tab()));
}

void record_edit6_change() { recorded().push_back("edit6 changed"); }

const app::HandlerEntry recording_handlers[] = {
    {"handle_window_created", &record_created},
    {"handle_tab_click", &record_tab_click},
    {"handle_edit6_changed", &record_edit6_change},
};

}  // namespace

std::vector<std::string>& recorded()
{
    static std::vector<std::string> calls;
    return calls;
}

void ShellTest::SetUp()
{
    recorded().clear();
    app::state().windows.push_back(app::read_window_layout(ui::main_window_layout(), recording_handlers));
    app::load_main_window();
    pump();
}

void ShellTest::TearDown()
{
    if (loaded_window() != nullptr) {
        DestroyWindow(main());
    }
    pump();
    app::run_exit_cleanup();
}

HWND ShellTest::main() const { return loaded_window()->hwnd(); }

ui::MainWindow& ShellTest::window() const { return *loaded_window(); }

int ShellTest::row(std::string_view name) const { return ui::find_control(ui::main_window_layout(), name); }

HWND ShellTest::control(std::string_view name) const { return window().control(row(name)); }

void ShellTest::pump() const
{
    MSG message;
    for (int i = 0; i < 10000 && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE); ++i) {
        if (!loaded_window() || !loaded_window()->pre_translate(message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
}

void ShellTest::select_tab(int index) const
{
    const HWND tab = control("选择夹1");
    NMHDR header{tab, static_cast<UINT_PTR>(GetDlgCtrlID(tab)), static_cast<UINT>(TCN_SELCHANGING)};
    SendMessageA(main(), WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header));
    SendMessageA(tab, TCM_SETCURSEL, static_cast<WPARAM>(index), 0);
    header.code = static_cast<UINT>(TCN_SELCHANGE);
    SendMessageA(main(), WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header));
}

}  // namespace shell_test
