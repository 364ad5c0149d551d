#!/bin/bash
# Sets everything up and runs the program under Wine. With a display (DISPLAY set) the window
# opens there and the command ends when the program does; without one it runs in Xvfb, saves
# a screenshot once the window is up, and ends the program.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

say() { echo "run: $*" >&2; }

exe=$root/build/win64/lilange.exe
screenshot=$root/build/screenshot.png

# Inside the Wine session (see below): run the program.
if [ "${1:-}" = --inside ]; then
    if [ -n "${WINE_SESSION_DISPLAY:-}" ]; then
        exec wine "$exe"
    fi
    wine "$exe" </dev/null >/dev/null 2>&1 &
    program=$!
    geometry=
    for _ in $(seq 300); do
        geometry=$(xwininfo -root -tree 2>/dev/null | grep -o '495x763+[0-9]*+[0-9]*' | head -n 1) && break
        kill -0 "$program" 2>/dev/null || { say "the program ended before its window appeared"; exit 1; }
        sleep 0.1
    done
    [ -n "$geometry" ] || { say "the window did not appear within 30 s"; kill "$program"; exit 1; }
    sleep 1  # let it paint
    import -window root -crop "$geometry" +repage "$screenshot"
    say "screenshot saved to $screenshot"
    kill "$program" 2>/dev/null || true
    wait "$program" 2>/dev/null || true
    exit 0
fi

tools/install-deps.sh
cmake --preset win64 >/dev/null
cmake --build --preset win64 --target lilange >/dev/null

if [ -n "${DISPLAY:-}" ]; then
    export WINE_SESSION_DISPLAY=$DISPLAY
fi
tools/wine-session.sh run "$root/build/run-session" "$0" --inside
