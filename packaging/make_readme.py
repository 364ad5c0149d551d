#!/usr/bin/env python3
"""Turns the configured read-me (UTF-8) into the one the release ships: code page 936 with
Windows line ends, as Notepad on a Chinese Windows reads it.

  make_readme.py SOURCE DESTINATION
"""

import sys

source, destination = sys.argv[1:]
with open(source, encoding="utf-8") as readable:
    text = readable.read()
with open(destination, "wb") as shipped:
    shipped.write(text.replace("\r\n", "\n").replace("\n", "\r\n").encode("cp936"))
