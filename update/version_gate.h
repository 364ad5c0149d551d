#pragma once

// The version check made once at start-up: when the catalogue server's version text sorts
// after the local version, the program is out of date and closes.

#include <string>
#include <string_view>

namespace update {

inline constexpr char update_message[] = "软件已有最新版本，请立即更新，软件不可用！";
inline constexpr char update_title[] = "请配合更新软件";
inline constexpr char version_path[] = "/2.txt";

// What the gate needs of the rest of the program.
class GatePorts {
public:
    virtual ~GatePorts() = default;
    virtual std::string_view catalogue_host() = 0;
    virtual std::string fetch_remote_text(std::string_view url) = 0;
    virtual void set_label_caption(std::string_view label, std::string_view text) = 0;
    virtual std::string get_label_caption(std::string_view label) = 0;
    // A task-modal message box without an owner, OK only; returns once it is dismissed.
    virtual void show_update_prompt(const char* message, const char* title) = 0;
    virtual void open_download_page() = 0;
    virtual void request_main_window_destroy() = 0;
};

void version_gate(GatePorts& ports);

}  // namespace update
