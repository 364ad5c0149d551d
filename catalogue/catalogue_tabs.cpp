#include "catalogue/catalogue_tabs.h"

#include "catalogue/catalogue_table.h"

namespace catalogue {

void load_catalogue_list(CataloguePorts& ports, int tab)
{
    const CatalogueRow& row = catalogue_table[static_cast<std::size_t>(tab)];
    const std::string text = ports.fetch_remote_text(list_url(ports.catalogue_host(), tab));
    ports.set_edit_content(row.edit_box, text);
}

void handle_tab_click(CataloguePorts& ports)
{
    // The tab is read afresh for each list; nothing in a load lets a window message through,
    // so at most one of them matches.
    for (int tab = 0; tab < lists; ++tab) {
        if (ports.current_tab() == tab) {
            load_catalogue_list(ports, tab);
        }
    }
}

}  // namespace catalogue
