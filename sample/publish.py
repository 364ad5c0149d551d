#!/usr/bin/env python3
"""Writes a catalogue as a publisher serves it: code page 936 file names and contents.

  publish.py SOURCE DESTINATION

SOURCE holds the catalogue readably, in UTF-8 (names and texts); DESTINATION becomes the tree
a web server serves byte for byte. Lists get Windows line ends (CR LF), which is what the
program's list boxes break lines on. The version text, 2.txt at the top, must be exactly the
version's bytes: a line break, a byte-order mark or a space would make every client see a
newer version (or never one), so it is refused rather than published.
"""

import os
import re
import shutil
import sys

VERSION_TEXT = "2.txt"


def fail(message):
    print(f"publish: {message}", file=sys.stderr)
    sys.exit(1)


def cp936(text, what):
    try:
        return text.encode("cp936")
    except UnicodeEncodeError as error:
        fail(f"{what} holds a character code page 936 cannot write: {error.object[error.start:error.end]!r}")


def published_bytes(relative, raw):
    try:
        text = raw.decode("utf-8")
    except UnicodeDecodeError:
        fail(f"{relative} is not UTF-8")
    if relative == VERSION_TEXT:
        if not re.fullmatch(r"[^\s\ufeff]+", text):
            fail(f"{relative} must hold exactly the version, without line break, byte-order mark "
                 f"or spaces; it holds {raw!r}")
        return cp936(text, relative)
    if relative.endswith(".txt"):
        text = text.replace("\r\n", "\n").replace("\n", "\r\n")
    return cp936(text, relative)


def main():
    if len(sys.argv) != 3:
        fail("usage: publish.py SOURCE DESTINATION")
    source, destination = sys.argv[1:]
    version = os.path.join(source, VERSION_TEXT)
    if not os.path.isfile(version):
        fail(f"{source} has no {VERSION_TEXT}: without it the program cannot check its version")
    with open(version, "rb") as readable:
        published_bytes(VERSION_TEXT, readable.read())  # refused before anything is written
    shutil.rmtree(destination, ignore_errors=True)
    for folder, _, files in os.walk(source):
        for name in sorted(files):
            path = os.path.join(folder, name)
            relative = os.path.relpath(path, source).replace(os.sep, "/")
            target = os.path.join(os.fsencode(destination), *(cp936(part, relative) for part in relative.split("/")))
            os.makedirs(os.path.dirname(target), mode=0o755, exist_ok=True)
            with open(path, "rb") as readable:
                body = published_bytes(relative, readable.read())
            with open(target, "wb") as served:
                served.write(body)
            os.chmod(target, 0o644)


if __name__ == "__main__":
    main()
