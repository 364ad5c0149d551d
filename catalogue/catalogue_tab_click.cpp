#include "app/program_ports.h"
#include "catalogue/catalogue_tabs.h"

namespace catalogue {

void handle_tab_click()
{
    app::ProgramPorts ports;
    handle_tab_click(ports);
}

}  // namespace catalogue
