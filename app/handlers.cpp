#include "app/handlers.h"

#include "app/program_ports.h"
#include "catalogue/catalogue_tabs.h"
#include "update/version_gate.h"

namespace app {

void handle_window_created()
{
    ProgramPorts ports;
    catalogue::load_catalogue_list(ports, 0);
    update::version_gate(ports);
}

void handle_edit6_changed() {}

std::span<const HandlerEntry> program_handlers()
{
    static constexpr HandlerEntry handlers[] = {
        {"handle_window_created", &handle_window_created},
        {"handle_tab_click", &catalogue::handle_tab_click},
        {"handle_edit6_changed", &handle_edit6_changed},
    };
    return handlers;
}

}  // namespace app
