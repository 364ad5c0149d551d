#include "update/version_gate.h"

#include "update/text_order.h"

namespace update {

void version_gate(GatePorts& ports)
{
    {
        const std::string fetched =
            ports.fetch_remote_text("http://" + std::string(ports.catalogue_host()) + version_path);
        ports.set_label_caption("标签9", fetched);
    }
    // Compared as the labels hold them: the remote version, then the local one.
    const bool out_of_date = [&ports] {
        const std::string remote = ports.get_label_caption("标签9");
        const std::string local = ports.get_label_caption("标签8");
        return text_order(remote, local) > 0;
    }();
    if (!out_of_date) {
        return;
    }
    ports.show_update_prompt(update_message, update_title);
    ports.open_download_page();
    ports.request_main_window_destroy();
}

}  // namespace update
