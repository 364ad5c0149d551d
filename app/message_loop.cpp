#include "app/shell.h"
#include "ui/main_window.h"

namespace app {
namespace {

// Offers a message to the keyboard handling of each loaded window.
bool consumed_by_window_keys(const MSG& message)
{
    for (WindowEntry& entry : state().windows) {
        if (entry.live && static_cast<ui::MainWindow&>(*entry.live).pre_translate(message)) {
            return true;
        }
    }
    return false;
}

}  // namespace

void run_message_loop()
{
    state().loop_entered = true;
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (!consumed_by_window_keys(message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
}

}  // namespace app
