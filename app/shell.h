#pragma once

// The application shell: the life of the process and of its main window.

#include <windows.h>

#include <cstdint>
#include <string_view>

#include "app/application_state.h"
#include "catalogue/internet_session.h"
#include "catalogue/wininet_platform.h"

namespace app {

// Asks for a window's destruction; the message loop carries it out.
inline constexpr UINT destroy_request_message = WM_APP + 0x65;

int program_entry();
void initialise_shell();
void load_main_window();
void run_message_loop();

// Delivers an event of a control (a layout row) or of the window itself (window_itself);
// true when a handler ran. A window or control the registry does not know is fatal.
bool dispatch_event(HWND window, int control, std::int32_t event);

void request_window_destroy(HWND window);
// The window's answer to destroy_request_message.
void carry_out_destroy_request(HWND window);
// The window's last message (WM_NCDESTROY): its live object leaves the registry.
void window_destroyed(HWND window);

void run_exit_cleanup();
[[noreturn]] void report_fatal_error(std::string_view description);

// The process-wide objects, constructed before program_entry and destroyed in reverse order
// after it; a fatal error ends the process without destroying them.
class ProcessObjects {
public:
    ProcessObjects();
    ~ProcessObjects();
    ProcessObjects(const ProcessObjects&) = delete;
    ProcessObjects& operator=(const ProcessObjects&) = delete;

    ApplicationState state;
    catalogue::InternetSession internet{catalogue::wininet()};
};

ApplicationState& state();
catalogue::InternetSession& internet_session();

}  // namespace app
