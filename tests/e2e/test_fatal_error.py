"""Fatal failures of the shell: the user is told in an error box, then the process ends with
exit code -1. A probe build of the shell makes one thing fail at a time."""

import time
import unittest

from e2e_support import LIST_PATHS, MAIN_CLASS, UNSIGNED_MINUS_ONE, VERSION_PATH, ProgramCase, program_path
from winapp import Driver


class FatalError(ProgramCase):
    def run_probe(self, failure, expected_words):
        app, _ = self.start(program_path("FATAL_PROBE_EXE"), args=[failure], wait_visible=False)
        boxes = Driver("")  # the main window may not exist
        box = boxes.msgbox("栎岚阁", timeout_ms=20000)
        self.assertEqual(box["pid"], app.pid)
        self.assertIn(expected_words.encode("gbk"), box["text"])
        self.assertEqual(box["owner"], 0)
        self.assertTrue(box["icon"])
        self.assertEqual([b["text"] for b in box["buttons"]], ["确定".encode("gbk")])
        boxes.msgbox_dismiss("栎岚阁", "ok")
        self.assert_exits(app, UNSIGNED_MINUS_ONE)
        return box

    def test_main_window_that_cannot_be_created(self):
        self.run_probe("window", "无法创建主窗口")

    def test_control_that_cannot_be_created(self):
        self.run_probe("control", "无法创建主窗口或其中的控件")

    def test_event_naming_an_unknown_control(self):
        self.run_probe("event", "不存在的控件")

    def test_clicks_while_the_error_box_is_open_run_no_handler(self):
        server = self.serve_catalogue()
        app, _ = self.start(program_path("FATAL_PROBE_EXE"), args=["event"], wait_visible=False)
        boxes = Driver("")
        boxes.msgbox("栎岚阁", timeout_ms=20000)
        self.assertEqual(self.targets(server), [LIST_PATHS[0], VERSION_PATH])  # start-up, before the fault
        ui = Driver(MAIN_CLASS)
        ui.click_tab(2)  # the box has no owner: the window stays clickable
        self.assertEqual(ui.cursel(), 2)
        time.sleep(0.5)
        self.assertEqual(len(server.requests), 2)  # no list was fetched
        boxes.msgbox_dismiss("栎岚阁", "close")  # the box is behind the main window now
        self.assert_exits(app, UNSIGNED_MINUS_ONE)


if __name__ == "__main__":
    unittest.main()
