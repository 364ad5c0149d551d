#include "app/handlers.h"

#include "catalogue/catalogue_tabs.h"

namespace app {

void handle_window_created() {}

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
