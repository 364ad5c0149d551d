#include "app/program_ports.h"

#include <windows.h>
#include <shellapi.h>

#include "app/shell.h"
#include "build_settings.h"
#include "catalogue/fetch_remote_text.h"
#include "ui/control_operations.h"
#include "ui/layout.h"

namespace app {

std::string_view ProgramPorts::catalogue_host() { return build_settings::catalogue_host; }

std::string ProgramPorts::fetch_remote_text(std::string_view url) { return catalogue::fetch_remote_text(url); }

void ProgramPorts::set_edit_content(std::string_view box, std::string_view text) { ui::set_edit_content(box, text); }

int ProgramPorts::current_tab() { return ui::get_current_tab("选择夹1"); }

void ProgramPorts::set_label_caption(std::string_view label, std::string_view text)
{
    ui::set_label_caption(label, text);
}

std::string ProgramPorts::get_label_caption(std::string_view label) { return ui::get_label_caption(label); }

void ProgramPorts::show_update_prompt(const char* message, const char* title)
{
    // No owner: task-modal, it disables every top-level window of the thread while it is up.
    MessageBoxA(nullptr, message, title, MB_OK | MB_TASKMODAL);
}

void ProgramPorts::open_download_page()
{
    const HWND owner = FindWindowExA(nullptr, nullptr, nullptr, "Microsoft Internet Explorer");
    ShellExecuteA(owner, "open", build_settings::download_url, nullptr, nullptr, SW_SHOWNORMAL);
}

void ProgramPorts::request_main_window_destroy()
{
    const WindowEntry* entry = find_layout(state(), ui::main_window_layout());
    request_window_destroy(entry != nullptr && entry->live
                               ? static_cast<HWND>(const_cast<void*>(entry->live->native_window()))
                               : nullptr);
}

}  // namespace app
