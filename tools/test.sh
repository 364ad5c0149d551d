#!/bin/bash
# Sets everything up and runs every test: the portable code natively under the sanitizers,
# the static checks of the shipped 32-bit program, and the 64-bit build under Wine (in
# process and end to end) inside a headless session of its own.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-deps.sh

cmake --preset native
cmake --build --preset native
ctest --preset native

cmake --preset win32
cmake --build --preset win32 --target package
ctest --preset win32

# A release for another catalogue server, exactly as README.md shows it.
cmake --preset win32 -B build/release -DCATALOGUE_HOST=catalogue.example.org -DDOWNLOAD_URL=http://download.example.org/s/Ab12Cd34
cmake --build build/release --target package
ctest --test-dir build/release --output-on-failure

# Configured after the 32-bit tree, whose program the Wine tests read back as well.
cmake --preset win64
cmake --build --preset win64
# One test at a time: the window tests share the display, its focus and its foreground.
tools/wine-session.sh run build/wine-session ctest --preset win64
