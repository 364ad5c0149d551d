"""The window shell as a user meets it: the real program under Wine, driven from another
process with real mouse and keyboard input."""

import unittest

from e2e_support import ID, LIST_BOXES, TITLE, ProgramCase

SIDE_PANEL_ORDER = [ID[n] for n in ("编辑框6", "编辑框7", "编辑框8", "按钮1", "编辑框9", "编辑框10", "按钮2")]
WS_MAXIMIZEBOX, WS_THICKFRAME, WS_MINIMIZEBOX = 0x00010000, 0x00040000, 0x00020000


class WindowShell(ProgramCase):
    def test_window_appears_centred_titled_with_focus_on_the_first_list(self):
        _, ui = self.start()
        info = ui.window_info()
        self.assertEqual(info["title"], TITLE)
        left, top, right, bottom = info["rect"]
        self.assertEqual((right - left, bottom - top), (495, 763))
        width, height = info["screen"]
        self.assertEqual((left, top), ((width - 495) // 2, (height - 763) // 2))
        self.assertTrue(info["visible"] and info["enabled"] and info["foreground"])
        self.assertTrue(info["icon_big"] and info["icon_small"])
        self.assertFalse(info["style"] & (WS_MAXIMIZEBOX | WS_THICKFRAME))
        self.assertTrue(info["style"] & WS_MINIMIZEBOX)
        self.assertEqual(ui.focus_id(), ID["编辑框1"])
        self.assertEqual(self.visible_list_boxes(ui), [ID["编辑框1"]])

    def test_clicking_tab_heads_switches_pages(self):
        _, ui = self.start()
        for tab in (2, 0, 4):
            ui.click_tab(tab)
            self.assertEqual(ui.cursel(), tab)
            self.assertEqual(self.visible_list_boxes(ui), [LIST_BOXES[tab]])
            self.assertEqual(ui.focus_id(), LIST_BOXES[tab])
        ui.click_tab(5)  # the empty page: no box, the focus stays on the tab control
        self.assertEqual(self.visible_list_boxes(ui), [])
        self.assertEqual(ui.focus_id(), ID["选择夹1"])

    def test_arrow_keys_switch_pages_from_the_tab_control(self):
        _, ui = self.start()
        ui.click_tab(0)  # the current tab: the tab control takes the focus and keeps it
        self.assertEqual(ui.focus_id(), ID["选择夹1"])
        ui.key("right")
        self.assertEqual(ui.cursel(), 1)
        self.assertEqual(self.visible_list_boxes(ui), [ID["编辑框2"]])
        self.assertEqual(ui.focus_id(), ID["编辑框2"])
        ui.click_tab(5)
        ui.key("left")
        self.assertEqual(ui.cursel(), 4)
        self.assertEqual(self.visible_list_boxes(ui), [ID["编辑框5"]])

    def walk(self, ui, key, steps):
        seen = []
        for _ in range(steps):
            ui.key(key)
            seen.append(ui.focus_id())
        return seen

    def test_tab_and_shift_tab_walk_the_focus_sequence_on_the_first_page(self):
        _, ui = self.start()
        forward = self.walk(ui, "tab", 8)
        self.assertEqual(forward, SIDE_PANEL_ORDER + [ID["编辑框1"]])
        backward = self.walk(ui, "shift+tab", 8)
        self.assertEqual(backward, SIDE_PANEL_ORDER[::-1] + [ID["编辑框1"]])
        self.assertEqual(ui.text(ID["编辑框1"]), b"")  # no tab character was typed

    def test_tab_and_shift_tab_on_the_empty_page(self):
        _, ui = self.start()
        ui.click_tab(5)
        self.assertEqual(self.walk(ui, "tab", 8), SIDE_PANEL_ORDER + [SIDE_PANEL_ORDER[0]])
        ui.click_tab(5)  # back to the tab control, then the other way round
        self.assertEqual(self.walk(ui, "shift+tab", 8), SIDE_PANEL_ORDER[::-1] + [SIDE_PANEL_ORDER[-1]])

    def test_enter_breaks_lines_in_a_list_box_only(self):
        _, ui = self.start()
        ui.key("text:ab", "enter", "text:cd")
        self.assertEqual(ui.text(ID["编辑框1"]), b"ab\r\ncd")
        ui.key("tab", "text:x", "enter", "text:y")
        self.assertEqual(ui.text(ID["编辑框6"]), b"xy")

    def test_escape_while_typing_ends_the_program_with_code_0(self):
        app, ui = self.start()
        ui.key("text:typing")
        ui.key("esc")
        self.assert_exits(app, 0)

    def test_every_close_request_ends_the_program_with_code_0(self):
        for close in ("close", "sysmenu_close", "alt+f4", "esc from a button"):
            with self.subTest(close):
                app, ui = self.start()
                if close == "alt+f4":
                    ui.key("alt+f4")
                elif close == "esc from a button":
                    ui.key("shift+tab")  # 按钮2
                    self.assertEqual(ui.focus_id(), ID["按钮2"])
                    ui.key("esc")
                else:
                    getattr(ui, close)()
                self.assert_exits(app, 0)

    def test_buttons_do_nothing(self):
        app, ui = self.start()
        for button in ("按钮1", "按钮2"):
            ui.click(ID[button])
        ui.sleep_until_idle()
        self.assertTrue(app.running())
        info = ui.window_info()
        self.assertTrue(info["visible"] and info["enabled"])
        self.assertEqual(ui.cursel(), 0)
        self.assertEqual(ui.text(ID["标签9"]), b"")
        self.assertEqual(ui.text(ID["编辑框1"]), b"")


if __name__ == "__main__":
    unittest.main()
