#pragma once

// Loading the lists into their tabs: at start-up for the first tab, and on every click.

#include <string>
#include <string_view>

namespace catalogue {

// What the catalogue needs of the rest of the program.
class CataloguePorts {
public:
    virtual ~CataloguePorts() = default;
    virtual std::string_view catalogue_host() = 0;
    virtual std::string fetch_remote_text(std::string_view url) = 0;
    virtual void set_edit_content(std::string_view box, std::string_view text) = 0;
    virtual int current_tab() = 0;
};

// Fetches the list of tab 0 to 4 anew and makes it the whole content of its box.
void load_catalogue_list(CataloguePorts& ports, int tab);

// Loads the list of the tab that is current after a click; the sixth tab has none.
void handle_tab_click(CataloguePorts& ports);

// The handler bound to the tab control's click event.
void handle_tab_click();

}  // namespace catalogue
