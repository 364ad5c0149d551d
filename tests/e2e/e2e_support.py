"""What the end-to-end tests share: the program under test, its controls' ids, and a test
case that starts it under Wine and ends it whatever happens."""

import os
import unittest

from scripted_server import Reply, ScriptedServer
from winapp import AppProcess, Driver, WinAppError, wait_until

MAIN_CLASS = "LiLanGe.MainWindow"
TITLE = "栎岚阁".encode("gbk")
UNSIGNED_MINUS_ONE = 0xFFFFFFFF

# Child-window ids: control number n of the layout has 100 + 10 * (n - 1).
ID = {name: 100 + 10 * n for n, name in enumerate([
    "选择夹1", "编辑框1", "编辑框2", "编辑框3", "编辑框4", "编辑框5", "分组框1", "标签1", "标签2",
    "标签3", "编辑框6", "编辑框7", "编辑框8", "按钮1", "分组框2", "标签4", "标签5", "编辑框9",
    "编辑框10", "按钮2", "分组框3", "标签6", "标签7", "标签8", "标签9", "分组框4", "标签10"])}
LIST_BOXES = [ID[f"编辑框{n}"] for n in range(1, 6)]

# The program talks to the catalogue server compiled into it.
CATALOGUE_HOST = os.environ.get("CATALOGUE_HOST", "127.0.0.1:18936")
CATALOGUE_PORT = int(CATALOGUE_HOST.rpartition(":")[2] or 80)
DOWNLOAD_URL = os.environ.get("DOWNLOAD_URL", "")
LIST_PATHS = [f"/软件的/电影库/{name}.txt".encode("gbk") for name in ("电视剧", "电影", "dm", "福利", "软件")]
VERSION_PATH = b"/2.txt"
SAMPLE_LISTS = [f"第{n}号列表\r\n《示例剧集》 http://example.org/{n}\r\n".encode("gbk") for n in range(5)]


def program_path(variable="LILANGE_EXE"):
    path = os.environ.get(variable, "")
    if not os.path.isfile(path):
        raise AssertionError(f"{variable}={path!r} does not name a built program")
    return path


class ProgramCase(unittest.TestCase):
    """Starts a program per test and makes sure it is gone afterwards."""

    def serve_catalogue(self, version=b"0.1", lists=SAMPLE_LISTS):
        """A scripted catalogue server where the program looks for it, with the five lists
        and the version text in place; stopped after the test."""
        server = ScriptedServer(port=CATALOGUE_PORT).start()
        self.addCleanup(server.stop)
        for path, body in zip(LIST_PATHS, lists):
            server.route(path, Reply(body=body))
        server.route(VERSION_PATH, Reply(body=version))
        return server

    def targets(self, server):
        return [request.target for request in server.requests]

    def start(self, exe=None, args=(), env_extra=None, wait_visible=True):
        app = AppProcess.start(exe or program_path(), args=args, env_extra=env_extra)
        self.addCleanup(app.kill)
        ui = Driver(MAIN_CLASS)
        if wait_visible:
            shown = ui.wait_window(timeout_ms=30000, visible=True)
            # A window left over from another program would answer to the same class.
            self.assertEqual(shown["pid"], app.pid)
        return app, ui

    def assert_exits(self, app, code=0, timeout=15):
        self.assertEqual(app.wait_exit(timeout), code)

    def visible_list_boxes(self, ui):
        return [i for i in LIST_BOXES if ui.control_info(i)["visible"]]

    def wait_for(self, predicate, what, timeout=10):
        return wait_until(predicate, timeout=timeout, what=what)


__all__ = ["CATALOGUE_HOST", "CATALOGUE_PORT", "DOWNLOAD_URL", "ID", "LIST_BOXES", "LIST_PATHS", "MAIN_CLASS",
           "SAMPLE_LISTS", "TITLE", "UNSIGNED_MINUS_ONE", "VERSION_PATH", "ProgramCase", "Reply",
           "WinAppError", "program_path"]
