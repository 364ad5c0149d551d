"""Publishing a catalogue: code page 936 names and contents, CR LF lists, and a version text
that is exactly the version or nothing at all."""

import os
import subprocess
import sys
import tempfile
import unittest

PUBLISH = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "sample", "publish.py")


def publish(files):
    """Publishes FILES ({relative path: UTF-8 bytes}); returns (status, stderr, served tree)."""
    source = tempfile.mkdtemp()
    served = os.path.join(tempfile.mkdtemp(), "served")
    for relative, body in files.items():
        path = os.path.join(source, relative)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(body)
    result = subprocess.run([sys.executable, PUBLISH, source, served], capture_output=True, text=True,
                            timeout=30)
    tree = {}
    for folder, _, names in os.walk(os.fsencode(served)):
        for name in names:
            with open(os.path.join(folder, name), "rb") as f:
                tree[os.path.relpath(os.path.join(folder, name), os.fsencode(served))] = f.read()
    return result.returncode, result.stderr, tree


class Publish(unittest.TestCase):
    def test_names_and_lists_become_code_page_936_with_crlf(self):
        status, _, tree = publish({
            "2.txt": b"0.1",
            "软件的/电影库/电视剧.txt": "《山海长歌》 全40集\n《白鹭湾》\r\n".encode("utf-8"),
        })
        self.assertEqual(status, 0)
        list_path = "软件的/电影库/电视剧.txt".encode("gbk")
        self.assertEqual(tree[list_path], "《山海长歌》 全40集\r\n《白鹭湾》\r\n".encode("gbk"))
        self.assertEqual(tree[b"2.txt"], b"0.1")

    def test_version_texts_that_would_mislead_every_client_are_refused(self):
        for version in (b"0.1\n", b"0.1\r\n", b" 0.1", b"\xef\xbb\xbf0.1", b"", b"0.1 beta"):
            with self.subTest(version=version):
                status, error, tree = publish({"2.txt": version, "软件的/电影库/dm.txt": b"x\n"})
                self.assertEqual(status, 1)
                self.assertIn("2.txt", error)
                self.assertEqual(tree, {})

    def test_a_catalogue_without_a_version_text_is_refused(self):
        status, error, _ = publish({"软件的/电影库/dm.txt": b"x\n"})
        self.assertEqual(status, 1)
        self.assertIn("2.txt", error)

    def test_text_code_page_936_cannot_hold_is_refused(self):
        status, error, _ = publish({"2.txt": b"0.1", "软件的/电影库/dm.txt": "emoji \U0001F600\n".encode("utf-8")})
        self.assertEqual(status, 1)
        self.assertIn("dm.txt", error)


if __name__ == "__main__":
    unittest.main()
