#pragma once

// The catalogue's and the gate's view of the program, recorded: fetches are answered by URL,
// controls are kept in maps, and every call is logged in order.

#include <map>
#include <string>
#include <vector>

#include "catalogue/catalogue_tabs.h"
#include "update/version_gate.h"

namespace ports_test {

class FakePorts final : public catalogue::CataloguePorts, public update::GatePorts {
public:
    std::map<std::string, std::string> bodies;  // by URL; others fetch the empty text
    std::map<std::string, std::string, std::less<>> controls{{"标签8", "0.1"}};
    int tab = 0;
    std::vector<std::string> log;

    std::string_view catalogue_host() override { return "catalogue.test:8"; }
    std::string fetch_remote_text(std::string_view url) override
    {
        log.push_back("fetch " + std::string(url));
        const auto found = bodies.find(std::string(url));
        return found == bodies.end() ? std::string() : found->second;
    }
    void set_edit_content(std::string_view box, std::string_view text) override
    {
        log.push_back("content " + std::string(box));
        controls[std::string(box)] = std::string(text);
    }
    int current_tab() override
    {
        log.push_back("current tab");
        return tab;
    }
    void set_label_caption(std::string_view label, std::string_view text) override
    {
        log.push_back("caption " + std::string(label));
        controls[std::string(label)] = std::string(text);
    }
    std::string get_label_caption(std::string_view label) override
    {
        log.push_back("read " + std::string(label));
        const auto found = controls.find(label);
        return found == controls.end() ? std::string() : found->second;
    }
    void show_update_prompt(const char* message, const char* title) override
    {
        log.push_back("prompt " + std::string(message) + " / " + title);
    }
    void open_download_page() override { log.push_back("open download page"); }
    void request_main_window_destroy() override { log.push_back("destroy main window"); }
};

}  // namespace ports_test
