"""The program against the bundled sample catalogue, published as code page 936 and served by
nginx the way the run command (and a publisher) serves it."""

import os
import subprocess
import tempfile
import unittest

from e2e_support import CATALOGUE_PORT, ID, LIST_BOXES, LIST_PATHS, ProgramCase

SAMPLE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "sample")


def run(*command):
    result = subprocess.run(command, capture_output=True, text=True, timeout=60)
    if result.returncode != 0:
        raise AssertionError(f"{' '.join(command)} failed: {result.stderr.strip()}")


class SampleCatalogue(ProgramCase):
    def setUp(self):
        directory = tempfile.TemporaryDirectory()
        self.addCleanup(directory.cleanup)
        self.served = os.path.join(directory.name, "catalogue")
        state = os.path.join(directory.name, "nginx")
        run("python3", os.path.join(SAMPLE, "publish.py"), os.path.join(SAMPLE, "catalogue"), self.served)
        run(os.path.join(SAMPLE, "serve.sh"), "start", state, self.served, str(CATALOGUE_PORT))
        self.addCleanup(run, os.path.join(SAMPLE, "serve.sh"), "stop", state)

    def served_bytes(self, target):
        with open(os.fsencode(self.served) + target, "rb") as served:
            return served.read()

    def test_lists_and_version_arrive_byte_for_byte(self):
        _, ui = self.start()
        self.assertEqual(ui.text(ID["编辑框1"]), self.served_bytes(LIST_PATHS[0]))
        self.assertEqual(ui.text(ID["标签9"]), b"0.1")
        self.assertEqual(ui.text(ID["标签8"]), b"0.1")
        for tab in range(5):
            ui.click_tab(tab)
            served = self.served_bytes(LIST_PATHS[tab])
            self.assertGreater(len(served), 100)  # a real list, so that equality means something
            self.wait_for(lambda box=LIST_BOXES[tab], want=served: ui.text(box) == want,
                          f"list {tab} in its box")


if __name__ == "__main__":
    unittest.main()
