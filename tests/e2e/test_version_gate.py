"""The version gate end to end: the real program, a scripted catalogue server, and a stand-in
for the browser that records the URL it was asked to open."""

import os
import tempfile
import unittest

from e2e_support import (DOWNLOAD_URL, ID, MAIN_CLASS, SAMPLE_LISTS, LIST_PATHS, VERSION_PATH, ProgramCase,
                         WinAppError)
from winapp import Driver, register_browser, to_windows_path, tool

PROMPT_TITLE = "请配合更新软件".encode("gbk")
PROMPT_TEXT = "软件已有最新版本，请立即更新，软件不可用！".encode("gbk")


def valid_cp936(text):
    try:
        text.decode("gbk")
        return True
    except UnicodeDecodeError:
        return False


class VersionGate(ProgramCase):
    @classmethod
    def setUpClass(cls):
        register_browser()

    def start_with_browser_log(self, **start):
        directory = tempfile.TemporaryDirectory()
        self.addCleanup(directory.cleanup)
        log = os.path.join(directory.name, "browser.log")
        app, ui = self.start(env_extra={"FAKE_BROWSER_LOG": to_windows_path(log)}, **start)
        return app, ui, log

    def assert_no_prompt(self, ui):
        with self.assertRaises(WinAppError):
            Driver("").msgbox(PROMPT_TITLE, timeout_ms=500)

    def each(self, cases, check):
        """Runs check(case) as a subtest with its own program and server, ended after it."""
        for case in cases:
            with self.subTest(case=case):
                try:
                    check(*case) if isinstance(case, tuple) else check(case)
                finally:
                    self.doCleanups()

    def test_equal_smaller_or_empty_remote_versions_let_the_program_run(self):
        def check(remote):
            self.serve_catalogue(version=remote)
            app, ui, log = self.start_with_browser_log()
            self.assertEqual(ui.text(ID["标签9"]), remote)
            self.assertEqual(ui.text(ID["标签8"]), b"0.1")
            self.assertEqual(ui.text(ID["编辑框1"]), SAMPLE_LISTS[0])
            self.assert_no_prompt(ui)
            self.assertTrue(app.running())
            self.assertFalse(os.path.exists(log))
            ui.close()
            self.assert_exits(app, 0)

        self.each([b"0.1", b"0.09", b"0", b" 0.2", b""], check)

    def test_unreachable_server_shows_the_window_empty_without_a_message(self):
        app, ui, log = self.start_with_browser_log()  # nothing listens on the catalogue port
        self.assertEqual(ui.text(ID["编辑框1"]), b"")
        self.assertEqual(ui.text(ID["标签9"]), b"")
        self.assert_no_prompt(ui)
        self.assertTrue(app.running())

    def test_newer_remote_versions_prompt_open_the_download_page_and_close(self):
        cases = [
            (b"0.2", "ok"),
            (b"0.10", "esc"),
            (b"0.1\r\n", "close"),
            (b"\xef\xbb\xbf0.1", "ok"),
            (b"<html><body><h1>500 Internal Server Error</h1></body></html>", "ok"),
        ]
        def check(remote, dismiss):
            server = self.serve_catalogue(version=remote)
            app, ui, log = self.start_with_browser_log(wait_visible=False)
            box = Driver(MAIN_CLASS).msgbox(PROMPT_TITLE, timeout_ms=20000)
            self.assertEqual(box["pid"], app.pid)
            self.assertEqual(box["text"], PROMPT_TEXT)
            self.assertEqual([b["text"] for b in box["buttons"]], ["确定".encode("gbk")])
            self.assertFalse(box["icon"])
            self.assertEqual(box["owner"], 0)
            # Task-modal over a main window that is not shown yet; the first list is in.
            self.assertFalse(box["main_visible"])
            self.assertFalse(box["main_enabled"])
            self.assertEqual(ui.text(ID["编辑框1"]), SAMPLE_LISTS[0])
            # Window text crosses processes as Unicode: only valid code page 936 arrives
            # byte for byte (the label itself keeps every byte, as the in-process tests show).
            if valid_cp936(remote):
                self.assertEqual(ui.text(ID["标签9"]), remote)
            self.assertFalse(os.path.exists(log))  # the browser comes after the prompt

            Driver("").msgbox_dismiss(PROMPT_TITLE, dismiss)
            self.assert_exits(app, 0)
            # The shell starts the browser without waiting for it; it may write after the exit.
            self.wait_for(lambda: os.path.exists(log) and os.path.getsize(log) > 0, "the browser's log")
            with open(log, encoding="gbk") as opened:
                calls = opened.read().splitlines()
            self.assertEqual(calls, [f'"{to_windows_path(tool("recorder"))}" "{DOWNLOAD_URL}"'])
            self.assertEqual([r.target for r in server.requests], [LIST_PATHS[0], VERSION_PATH])

        self.each(cases, check)

    def test_long_or_odd_version_texts_are_shown(self):
        def check(remote):
            self.serve_catalogue(version=remote)
            app, ui = self.start()
            self.assertEqual(ui.text(ID["标签9"]), remote)
            ui.click_tab(1)  # still working
            self.assertEqual(ui.cursel(), 1)
            self.assertTrue(app.running())

        self.each([b"0.0" + b"9" * 5000, b"0.0\r\n\r\nsecond line", b"0.0\x01\x02\x1b"], check)


if __name__ == "__main__":
    unittest.main()
