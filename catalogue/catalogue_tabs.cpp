#include "catalogue/catalogue_tabs.h"

namespace catalogue {

void handle_tab_click() {}

}  // namespace catalogue
