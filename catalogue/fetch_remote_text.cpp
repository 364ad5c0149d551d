#include "catalogue/fetch_remote_text.h"

#include "app/shell.h"
#include "catalogue/remote_text.h"

namespace catalogue {

std::string fetch_remote_text(std::string_view url) { return fetch_remote_text(app::internet_session(), url); }

}  // namespace catalogue
