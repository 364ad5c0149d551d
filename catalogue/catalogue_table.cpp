#include "catalogue/catalogue_table.h"

namespace catalogue {

std::string list_url(std::string_view host, int tab)
{
    std::string url = "http://";
    url += host;
    url += catalogue_table[static_cast<std::size_t>(tab)].list_path;
    return url;
}

}  // namespace catalogue
