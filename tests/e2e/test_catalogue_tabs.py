"""The catalogue tabs end to end: the real program under Wine against a scripted catalogue
server that records every request."""

import time
import unittest

from e2e_support import ID, LIST_BOXES, LIST_PATHS, MAIN_CLASS, SAMPLE_LISTS, VERSION_PATH, ProgramCase, Reply
from winapp import Driver


class CatalogueTabs(ProgramCase):
    def assert_no_new_request(self, server, ui, before):
        ui.sleep_until_idle()
        time.sleep(0.3)  # a request would have reached the server by now
        self.assertEqual(len(server.requests), before)

    def click_and_wait(self, server, ui, tab, requests=1):
        before = len(server.requests)
        ui.click_tab(tab)
        server.wait_for_requests(before + requests, timeout=10)
        ui.sleep_until_idle()

    def test_start_up_loads_list_0_and_the_version_before_the_window_shows(self):
        server = self.serve_catalogue()
        # The version answer is held back: meanwhile nothing of the window may be visible.
        server.route(VERSION_PATH, Reply(pieces=[(b"0.1", 3.0)]))
        app, ui = self.start(wait_visible=False)
        server.wait_for_requests(2, timeout=20)
        self.assertEqual(self.targets(server), [LIST_PATHS[0], VERSION_PATH])
        # Asked without a message to the program, whose thread is blocked in the fetch.
        self.assertFalse(ui.wait_window(timeout_ms=10000)["visible"])

        ui.wait_window(timeout_ms=10000, visible=True)
        self.assertEqual(ui.text(ID["编辑框1"]), SAMPLE_LISTS[0])
        self.assertEqual(ui.text(ID["标签9"]), b"0.1")
        for box in LIST_BOXES[1:]:
            self.assertEqual(ui.text(box), b"")
        self.assertEqual(len(server.requests), 2)

    def test_every_click_fetches_that_tabs_list_anew(self):
        server = self.serve_catalogue()
        _, ui = self.start()
        for tab in (2, 0, 4, 1, 3):
            before = len(server.requests)
            self.click_and_wait(server, ui, tab)
            self.assertEqual(self.targets(server)[before:], [LIST_PATHS[tab]])
            self.assertEqual(ui.text(LIST_BOXES[tab]), SAMPLE_LISTS[tab])
        # The tab that is already current: fetched again, the new body replaces the old.
        server.route(LIST_PATHS[3], Reply(body="更新后的列表\r\n".encode("gbk")))
        self.click_and_wait(server, ui, 3)
        self.assertEqual(ui.text(LIST_BOXES[3]), "更新后的列表\r\n".encode("gbk"))
        self.assertEqual(len(server.requests), 2 + 6)

    def test_the_sixth_tab_and_keyboard_tab_changes_fetch_nothing(self):
        server = self.serve_catalogue()
        _, ui = self.start()
        server.wait_for_requests(2, timeout=10)
        ui.click_tab(5)
        self.assert_no_new_request(server, ui, 2)
        ui.key("left")  # the tab control has the focus on the empty page
        self.assertEqual(ui.cursel(), 4)
        self.assert_no_new_request(server, ui, 2)
        self.assertEqual(ui.text(LIST_BOXES[4]), b"")  # never loaded: empty

    def test_what_the_server_answers_is_shown_as_it_came(self):
        server = self.serve_catalogue()
        _, ui = self.start()
        html = b"<html><head><title>404 Not Found</title></head><body>not here</body></html>"
        cases = [
            ("a 404 page", Reply(status=404, body=html), html),
            ("lines ending in LF alone", Reply(body=b"one\ntwo\nthree\n"), b"one\ntwo\nthree\n"),
            ("a NUL byte", Reply(body=b"before\x00after"), b"before"),
            ("an empty body", Reply(body=b""), b""),
        ]
        for what, reply, shown in cases:
            with self.subTest(what):
                server.route(LIST_PATHS[1], reply)
                self.click_and_wait(server, ui, 1)
                self.assertEqual(ui.text(LIST_BOXES[1]), shown)

    def test_a_failed_load_empties_a_box_that_held_a_list(self):
        server = self.serve_catalogue()
        _, ui = self.start()
        self.click_and_wait(server, ui, 2)
        self.assertEqual(ui.text(LIST_BOXES[2]), SAMPLE_LISTS[2])
        server.route(LIST_PATHS[2], Reply(close_before_headers=True))
        self.click_and_wait(server, ui, 2)
        self.assertEqual(ui.text(LIST_BOXES[2]), b"")

    def test_typing_in_a_list_box_is_replaced_by_the_next_load(self):
        server = self.serve_catalogue()
        _, ui = self.start()
        self.click_and_wait(server, ui, 1)
        self.assertEqual(ui.focus_id(), LIST_BOXES[1])
        ui.key("ctrl+end", "text:typed by hand", "enter")
        self.assertIn(b"typed by hand", ui.text(LIST_BOXES[1]))
        self.click_and_wait(server, ui, 1)
        self.assertEqual(ui.text(LIST_BOXES[1]), SAMPLE_LISTS[1])

    def test_bad_lists_leave_the_program_working(self):
        server = self.serve_catalogue()
        app, ui = self.start()
        ui = Driver(MAIN_CLASS, step_timeout_ms=60000)  # a long line takes seconds to wrap
        # One unbroken line is kept near 64 KB: Wine's word-wrapping edit box takes time
        # quadratic in the length of a single line (a 1 MB line takes minutes there).
        cases = [
            ("64 KB on one line", b"x" * 65536),
            ("invalid code page 936", b"\x81\x20\xff\xfe\x80abc\xb5"),
            ("control characters", bytes(range(1, 32)) * 40),
            ("2 MB of lines", b"".join(b"%06d \xb5\xe7\xca\xd3\xbe\xe7 http://example.org/\r\n" % i
                                       for i in range(50000))),
        ]
        for what, body in cases:
            with self.subTest(what):
                server.route(LIST_PATHS[0], Reply(body=body))
                self.click_and_wait(server, ui, 0)
                self.assertTrue(app.running())
                shown = ui.text(LIST_BOXES[0])
                self.assertGreater(len(shown), 0)
                if what != "invalid code page 936":  # window text turns invalid pairs into '?'
                    self.assertEqual(shown, body)
        # Still answering: a normal list loads as before.
        server.route(LIST_PATHS[0], Reply(body=SAMPLE_LISTS[0]))
        self.click_and_wait(server, ui, 0)
        self.assertEqual(ui.text(LIST_BOXES[0]), SAMPLE_LISTS[0])

    def test_handles_and_memory_do_not_grow_over_200_clicks(self):
        server = self.serve_catalogue()
        server.route(LIST_PATHS[1], Reply(body=b"".join(b"line %05d\r\n" % i for i in range(1000))))
        server.route(LIST_PATHS[2], Reply(close_before_headers=True))
        app, ui = self.start()

        def clicks(count):
            for i in range(count):
                self.click_and_wait(server, ui, 1 + i % 2)

        clicks(20)  # let caches and heaps settle
        before = ui.stats(app.pid)
        clicks(200)
        after = ui.stats(app.pid)
        for counter in ("gdi_table", "windows", "kernel_handles"):
            self.assertLessEqual(after[counter], before[counter], counter)
        # Heaps do not hand every page back at once; a leak of one 11 KB list per click
        # would show as about 2 MB.
        self.assertLess(after["private_committed"] - before["private_committed"], 512 * 1024)


if __name__ == "__main__":
    unittest.main()
