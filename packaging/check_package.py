#!/usr/bin/env python3
"""Checks a release zip: exactly the program and its read-me under one folder named with the
version, the read-me in code page 936 with Windows line ends, and the program the 32-bit GUI
executable with its resources and the configured catalogue host and download page.

  check_package.py ZIP --catalogue-host HOST --download-url URL
"""

import argparse
import os
import sys
import zipfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "resources"))
from pe_check import PeFile, check  # noqa: E402


def problems_of(path, host, url):
    problems = []
    folder = os.path.basename(path)[:-len(".zip")]
    with zipfile.ZipFile(path) as package:
        names = sorted(info.filename for info in package.infolist() if not info.is_dir())
        wanted = [f"{folder}/README.txt", f"{folder}/lilange.exe"]
        if names != wanted:
            return [f"holds {names}, expected {wanted}"]
        readme = package.read(f"{folder}/README.txt")
        exe = package.read(f"{folder}/lilange.exe")

    try:
        text = readme.decode("cp936")
    except UnicodeDecodeError as error:
        problems.append(f"README.txt is not code page 936: {error}")
        text = ""
    if readme.count(b"\n") != readme.count(b"\r\n"):
        problems.append("README.txt has line ends other than CR LF")
    version = folder.split("-")[1]
    for wanted_text in (version, host, url, "lilange.exe"):
        if wanted_text not in text:
            problems.append(f"README.txt does not mention {wanted_text}")

    pe_problems, _ = check(PeFile(exe), "i386")
    problems += [f"lilange.exe: {p}" for p in pe_problems]
    for setting in (host, url):
        if setting.encode("ascii") not in exe:
            problems.append(f"lilange.exe does not hold the configured {setting}")
    return problems


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("zip")
    parser.add_argument("--catalogue-host", required=True)
    parser.add_argument("--download-url", required=True)
    args = parser.parse_args()
    if not os.path.isfile(args.zip):
        print(f"{args.zip}: no such package; make it with `cmake --build <tree> --target package`")
        return 1
    problems = problems_of(args.zip, args.catalogue_host, args.download_url)
    for problem in problems:
        print(f"{args.zip}: {problem}")
    if not problems:
        print(f"{args.zip}: the 32-bit program with its resources and read-me")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
