"""Checks winapp.py and the Windows tools against probe_window.exe.

Run inside a Wine session (tools/wine-session.sh; source its session.env) with DRIVE_EXE,
RUNWAIT_EXE, RECORDER_EXE and PROBE_EXE naming the built executables.
"""

import os
import tempfile
import unittest

import winapp

PROBE_CLASS = "DrvProbeMain"
TAB, INNER_EDIT, EDIT, BUTTON = 100, 101, 102, 103
TITLE = "探针窗口".encode("gbk")
BOX_TITLE = "探针提示".encode("gbk")


class ProbeTest(unittest.TestCase):
    def start_probe(self, *args, env_extra=None):
        app = winapp.AppProcess.start(winapp.tool("probe"), args, env_extra=env_extra)
        self.addCleanup(app.kill)
        ui = winapp.Driver(PROBE_CLASS)
        window = ui.wait_window(visible=True)
        self.assertEqual(window["pid"], app.pid, "a probe window of an earlier test is still open")
        return app, ui

    def test_window_and_controls_are_described(self):
        app, ui = self.start_probe()
        info = ui.window_info()
        self.assertEqual(info["title"], TITLE)
        self.assertEqual(info["pid"], app.pid)
        self.assertEqual(info["rect"], (100, 100, 580, 420))
        left, top, width, height = info["client"]
        self.assertTrue(100 < left < 110 and 100 < top < 130, info["client"])
        self.assertEqual((width, height), (480 - 2 * (left - 100), 420 - top - (left - 100)))
        self.assertEqual(info["screen"], (1280, 1024))
        self.assertTrue(info["visible"] and info["enabled"] and not info["iconic"])
        self.assertEqual((info["icon_big"], info["icon_small"]), (True, False))
        self.assertEqual((info["class_icon"], info["class_icon_small"]), (True, True))
        self.assertEqual(info["owner"], 0)

        tree = [(c["id"], c["parent"], c["z"], c["class"]) for c in ui.children()]
        self.assertEqual(tree, [(TAB, 0, 0, "SysTabControl32"), (INNER_EDIT, TAB, 0, "Edit"),
                                (EDIT, 0, 1, "Edit"), (BUTTON, 0, 2, "Button")])

        inner = ui.control_info(INNER_EDIT)
        self.assertEqual((inner["class"], inner["parent"], inner["matches"]), ("Edit", TAB, 1))
        self.assertEqual(inner["rect"], (10, 40, 200, 64))
        self.assertEqual(inner["text"], "中文ABC表".encode("gbk"))
        self.assertTrue(inner["visible"] and inner["ws_visible"] and inner["enabled"])
        self.assertEqual(ui.control_info(BUTTON)["text"], "打开网页".encode("gbk"))
        self.assertEqual(ui.text(), TITLE)

        self.assertEqual(ui.tab_count(), 3)
        self.assertEqual([ui.tab_text(i) for i in range(3)],
                         [t.encode("gbk") for t in ("第一页", "第二页", "关于")])

        stats = ui.stats(app.pid)
        for key in ("gdi_table", "windows", "kernel_handles", "private_committed", "working_set"):
            self.assertGreater(stats[key], 0, key)
        self.assertGreaterEqual(stats["windows"], 5)

        with tempfile.TemporaryDirectory() as folder:
            shot = os.path.join(folder, "screen.png")
            winapp.screenshot(shot)
            with open(shot, "rb") as image:
                self.assertEqual(image.read(8), b"\x89PNG\r\n\x1a\n")

    def test_clicks_and_keys_arrive(self):
        _, ui = self.start_probe()
        self.assertEqual(ui.focus_id(), EDIT)
        for index in (2, 0, 1):
            clicked = ui.click_tab(index)
            self.assertEqual((clicked["hit_id"], ui.cursel()), (TAB, index))
        self.assertEqual(ui.focus_id(), TAB)

        self.assertEqual(ui.click(INNER_EDIT)["hit_id"], INNER_EDIT)
        focused = ui.focus()
        self.assertEqual((focused["id"], focused["parent"], focused["class"]), (INNER_EDIT, TAB, "Edit"))

        ui.click(EDIT)
        ui.type_text("Hi there")
        ui.key("shift+a", "7", "backspace", "left", "x")
        self.assertEqual(ui.text(EDIT), b"Hi therexA")
        ui.key("tab")
        self.assertEqual(ui.focus_id(), BUTTON)
        ui.key("shift+tab")
        self.assertEqual(ui.focus_id(), EDIT)

        second = ui.click_tab(1)
        ui.click_tab(0)
        self.assertEqual(ui.click_at(second["x"], second["y"])["hit_id"], TAB)
        self.assertEqual(ui.cursel(), 1)

    def test_steps_wait_for_slow_handling(self):
        # Each F8 is handled in four posted steps of 150 ms; the last one counts it.
        _, ui = self.start_probe()
        ui.key("f8")
        self.assertEqual(ui.text(EDIT), b"slow=1")
        ui.key("f8", "f8")
        self.assertEqual(ui.text(EDIT), b"slow=3")
        self.assertTrue(ui.sleep_until_idle()["idle"])

    def test_message_box_is_read_and_dismissed(self):
        for how, result in (("ok", b"msgbox=1"), ("esc", b"msgbox=2"), ("close", b"msgbox=2")):
            with self.subTest(how=how):
                app, ui = self.start_probe("--msgbox")
                with app:
                    box = ui.msgbox(BOX_TITLE)
                    self.assertEqual(box["text"], "第一行\n第二行".encode("gbk"))
                    self.assertEqual(box["pid"], app.pid)
                    self.assertEqual(box["owner"], 0)
                    self.assertTrue(box["visible"] and box["enabled"] and box["icon"])
                    self.assertEqual([(b["id"], b["text"]) for b in box["buttons"]],
                                     [(1, "确定".encode("gbk"))])
                    self.assertEqual((box["main_visible"], box["main_enabled"]), (True, False))
                    self.assertEqual(ui.msgbox()["hwnd"], box["hwnd"])
                    ui.msgbox_dismiss(BOX_TITLE, how)
                    self.assertEqual(ui.text(EDIT), result)
                    self.assertTrue(ui.window_info()["enabled"])
                    ui.close()
                    self.assertEqual(app.wait_exit(10), 0)

    def test_full_exit_code_is_reported(self):
        for step, code in (("f9", 4294967295), ("alt+f4", 0), ("sysmenu", 0)):
            with self.subTest(step=step):
                app, ui = self.start_probe()
                with app:
                    if step == "sysmenu":
                        ui.sysmenu_close()
                    else:
                        ui.key(step)
                    self.assertEqual(app.wait_exit(10), code)

    def test_kill_ends_the_program(self):
        app, ui = self.start_probe()
        app.kill()
        self.assertFalse(app.running())
        with self.assertRaises(winapp.WinAppError):
            ui.window_info()

    def test_shell_open_reaches_the_recorder(self):
        winapp.register_browser()
        url = "http://127.0.0.1:9/s/Ab12?x=1&y=%41"
        with tempfile.TemporaryDirectory() as folder:
            log = os.path.join(folder, "browser.log")
            _, ui = self.start_probe("--url", url,
                                     env_extra={"FAKE_BROWSER_LOG": winapp.to_windows_path(log)})
            ui.click(BUTTON)
            winapp.wait_until(lambda: os.path.exists(log) and os.path.getsize(log) > 0,
                              what="the recorder's log")
            with open(log, "rb") as handle:
                lines = handle.read().decode("gbk").splitlines()
        recorder = winapp.to_windows_path(winapp.tool("recorder"))
        self.assertEqual(lines, [f'"{recorder}" "{url}"'])

    def test_failures_are_readable(self):
        ui = winapp.Driver("NoSuchWindowClass")
        with self.assertRaisesRegex(winapp.WinAppError, "drive window-info NoSuchWindowClass failed.*"
                                    "no window of class 'NoSuchWindowClass'"):
            ui.window_info()
        with self.assertRaisesRegex(winapp.WinAppError, "no visible window of class .* within 50 ms"):
            ui.wait_window(50, visible=True)
        _, probe = self.start_probe()
        with self.assertRaisesRegex(winapp.WinAppError, "no control with id 999"):
            probe.control_info(999)
        with self.assertRaisesRegex(winapp.WinAppError, "tab index 3 out of range"):
            probe.click_tab(3)
        with self.assertRaisesRegex(winapp.WinAppError, "unknown key 'nokey'"):
            probe.key("nokey")
        with self.assertRaisesRegex(winapp.WinAppError, "no message box titled"):
            probe.msgbox(BOX_TITLE, timeout_ms=50)
        probe.key("f8")
        with self.assertRaisesRegex(winapp.WinAppError, "did not handle its queued input within 100 ms"):
            winapp.Driver(PROBE_CLASS, step_timeout_ms=100).key("f8")


class ParseTest(unittest.TestCase):
    def test_output_is_typed(self):
        fields, records = winapp.parse(
            "title=d6d0\r\nrect=1,-2,3,4\nstyle=0x14cf0000\nclass=Edit\nvisible=0\nicon_big=unsupported\n"
            "focus=none\nbutton id=1 visible=1 text=c8b7\n")
        self.assertEqual(fields, {"title": "中".encode("gbk"), "rect": (1, -2, 3, 4), "style": 0x14cf0000,
                                  "class": "Edit", "visible": False, "icon_big": None, "focus": "none"})
        self.assertEqual(records, [("button", {"id": 1, "visible": True, "text": b"\xc8\xb7"})])

    def test_windows_path(self):
        self.assertEqual(winapp.to_windows_path("/tmp/a b/c.exe"), "Z:\\tmp\\a b\\c.exe")


if __name__ == "__main__":
    unittest.main()
