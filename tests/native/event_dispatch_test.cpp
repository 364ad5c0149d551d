#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/application_state.h"

namespace app {
namespace {

std::vector<std::string> calls;
ApplicationState* current_state = nullptr;

void created() { calls.push_back("created"); }
void clicked() { calls.push_back("clicked"); }
void edit6() { calls.push_back("edit6"); }
void second_click_binding() { calls.push_back("second"); }
void destroys_window()
{
    calls.push_back("destroys");
    current_state->windows[0].live.reset();
}

struct FakeWindow final : LiveWindow {
    const void* native_window() const override { return this; }
};

const HandlerEntry program_like_handlers[] = {
    {"handle_window_created", &created},
    {"handle_tab_click", &clicked},
    {"handle_edit6_changed", &edit6},
};

class Dispatch : public ::testing::Test {
protected:
    void SetUp() override
    {
        calls.clear();
        current_state = &state;
        state.windows.push_back(read_window_layout(ui::main_window_layout(), program_like_handlers));
        auto live = std::make_unique<FakeWindow>();
        window = live.get();
        state.windows[0].live = std::move(live);
    }

    int row(std::string_view name) const { return ui::find_control(ui::main_window_layout(), name); }

    ApplicationState state;
    const void* window = nullptr;
};

TEST_F(Dispatch, DeliversToTheBoundHandler)
{
    EXPECT_EQ(deliver_event(state, window, window_itself, ui::event::window_created), DispatchOutcome::handled);
    EXPECT_EQ(deliver_event(state, window, row("选择夹1"), ui::event::tab_click), DispatchOutcome::handled);
    EXPECT_EQ(deliver_event(state, window, row("编辑框6"), ui::event::edit_changed), DispatchOutcome::handled);
    EXPECT_EQ(calls, (std::vector<std::string>{"created", "clicked", "edit6"}));
}

TEST_F(Dispatch, UnboundEventsRunNothing)
{
    const struct {
        const char* control;
        std::int32_t event;
    } unbound[] = {{"选择夹1", ui::event::tab_changing}, {"选择夹1", ui::event::tab_changed},
                   {"编辑框1", ui::event::edit_changed}, {"按钮1", ui::event::button_click}};
    for (const auto& u : unbound) {
        EXPECT_EQ(deliver_event(state, window, row(u.control), u.event), DispatchOutcome::unbound) << u.control;
    }
    EXPECT_EQ(deliver_event(state, window, window_itself, ui::event::window_close_request), DispatchOutcome::unbound);
    EXPECT_TRUE(calls.empty());
}

TEST_F(Dispatch, EventHoldStopsEveryHandler)
{
    state.event_hold = 1;
    EXPECT_EQ(deliver_event(state, window, window_itself, ui::event::window_created), DispatchOutcome::held);
    EXPECT_EQ(deliver_event(state, window, row("选择夹1"), ui::event::tab_click), DispatchOutcome::held);
    // The hold is checked before the lookups: nothing is fatal while building.
    EXPECT_EQ(deliver_event(state, nullptr, 99, 0), DispatchOutcome::held);
    state.event_hold = 0;
    EXPECT_EQ(deliver_event(state, window, row("选择夹1"), ui::event::tab_click), DispatchOutcome::handled);
    EXPECT_EQ(calls, std::vector<std::string>{"clicked"});
}

TEST_F(Dispatch, FailedLookupsAreReportedNotIgnored)
{
    FakeWindow stranger;
    EXPECT_EQ(deliver_event(state, &stranger, window_itself, 0), DispatchOutcome::unknown_window);
    EXPECT_EQ(deliver_event(state, window, 27, 0), DispatchOutcome::unknown_control);
    EXPECT_EQ(deliver_event(state, window, -2, 0), DispatchOutcome::unknown_control);
    EXPECT_EQ(deliver_event(state, window, row("标签9"), 0), DispatchOutcome::kind_raises_no_events);
    EXPECT_EQ(deliver_event(state, window, row("分组框1"), 0), DispatchOutcome::kind_raises_no_events);
    state.windows[0].live.reset();
    EXPECT_EQ(deliver_event(state, window, window_itself, 0), DispatchOutcome::unknown_window);
    EXPECT_TRUE(calls.empty());
}

TEST(Bindings, FirstBindingCountsAndUnknownHandlersAreDropped)
{
    constexpr ui::Binding tab_bindings[] = {{0, "no_such_handler"}, {0, "first"}, {0, "second"}, {1, "second"}};
    const ui::ControlRow rows[] = {{"t", ui::ControlKind::tab_control, 0, -1, 0, 0, 1, 1, {}, true, true, false,
                                    false, ui::Align::left, false, nullptr, tab_bindings}};
    const ui::WindowLayout layout{"w", 1, 1, {}, rows, {}};
    const HandlerEntry handlers[] = {{"first", &clicked}, {"second", &second_click_binding}};

    ApplicationState state;
    state.windows.push_back(read_window_layout(layout, handlers));
    ASSERT_EQ(state.windows[0].control_bindings[0].size(), 3u);
    state.windows[0].live = std::make_unique<FakeWindow>();
    const void* window = state.windows[0].live->native_window();

    calls.clear();
    EXPECT_EQ(deliver_event(state, window, 0, 0), DispatchOutcome::handled);
    EXPECT_EQ(deliver_event(state, window, 0, 1), DispatchOutcome::handled);
    EXPECT_EQ(calls, (std::vector<std::string>{"clicked", "second"}));
}

TEST_F(Dispatch, HandlerMayEndItsOwnWindow)
{
    const HandlerEntry handlers[] = {{"handle_window_created", &destroys_window}};
    state.windows[0] = read_window_layout(ui::main_window_layout(), handlers);
    auto live = std::make_unique<FakeWindow>();
    window = live.get();
    state.windows[0].live = std::move(live);

    EXPECT_EQ(deliver_event(state, window, window_itself, 0), DispatchOutcome::handled);
    EXPECT_FALSE(any_window_loaded(state));
    EXPECT_EQ(calls, std::vector<std::string>{"destroys"});
}

}  // namespace
}  // namespace app
