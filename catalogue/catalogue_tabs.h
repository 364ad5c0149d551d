#pragma once

namespace catalogue {

// Bound to the click event of the tab control.
void handle_tab_click();

}  // namespace catalogue
