#pragma once

// The catalogue's and the version gate's view of the program: the process's internet session,
// the main window's controls, and the platform's message box and shell.

#include "catalogue/catalogue_tabs.h"
#include "update/version_gate.h"

namespace app {

class ProgramPorts final : public catalogue::CataloguePorts, public update::GatePorts {
public:
    std::string_view catalogue_host() override;
    std::string fetch_remote_text(std::string_view url) override;
    void set_edit_content(std::string_view box, std::string_view text) override;
    int current_tab() override;
    void set_label_caption(std::string_view label, std::string_view text) override;
    std::string get_label_caption(std::string_view label) override;
    void show_update_prompt(const char* message, const char* title) override;
    void open_download_page() override;
    void request_main_window_destroy() override;
};

}  // namespace app
