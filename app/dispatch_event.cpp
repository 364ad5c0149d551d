#include "app/shell.h"

namespace app {

bool dispatch_event(HWND window, int control, std::int32_t event)
{
    switch (deliver_event(state(), window, control, event)) {
    case DispatchOutcome::handled:
        return true;
    case DispatchOutcome::held:
    case DispatchOutcome::unbound:
        return false;
    case DispatchOutcome::unknown_window:
        report_fatal_error("事件来自一个未载入的窗口。");
    case DispatchOutcome::unknown_control:
        report_fatal_error("事件来自窗口中不存在的控件。");
    case DispatchOutcome::kind_raises_no_events:
        report_fatal_error("事件来自一种不产生事件的控件。");
    }
    return false;
}

}  // namespace app
