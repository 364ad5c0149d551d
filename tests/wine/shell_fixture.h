#pragma once

// A loaded main window in this process, with handlers that record what they were called for.

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "app/shell.h"
#include "ui/main_window.h"

namespace shell_test {

// What the recording handlers saw, in order.
std::vector<std::string>& recorded();

class ShellTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    HWND main() const;
    HWND control(std::string_view name) const;
    int row(std::string_view name) const;
    ui::MainWindow& window() const;
    // Delivers everything waiting in this thread's queue, as the message loop would.
    void pump() const;
    // Selects a tab as the tab control does when one is clicked: the change notifications
    // (and with them the page switch), without the click notification.
    void select_tab(int index) const;

private:
    app::ProcessObjects process_;
};

}  // namespace shell_test
