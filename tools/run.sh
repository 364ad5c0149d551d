#!/bin/bash
# Sets everything up and runs the program under Wine against the bundled sample catalogue,
# published in code page 936 and served by nginx on 127.0.0.1.
#
# With a display (DISPLAY set) the window opens there, and closing it ends everything. Without
# one the program runs in Xvfb: once its window is up with the lists in, a screenshot is saved
# (build/screenshot.png) and everything is stopped.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
run_dir=$root/build/run
exe=$root/build/win64/lilange.exe
screenshot=$root/build/screenshot.png

say() { echo "run: $*" >&2; }

# Inside the Wine session that the outer part below starts: the program itself.
if [ "${1:-}" = --inside ]; then
    if [ -n "${WINE_SESSION_DISPLAY:-}" ]; then
        say "the program is open on $DISPLAY; close its window to stop"
        wine "$exe" </dev/null
        exit 0
    fi
    wine "$exe" </dev/null >/dev/null 2>&1 &
    program=$!
    # The window appears only once the first list and the version text are in.
    geometry=
    for _ in $(seq 600); do
        geometry=$(xwininfo -root -tree 2>/dev/null | grep -o '495x763+[0-9]*+[0-9]*' | head -n 1) && break
        kill -0 "$program" 2>/dev/null || { say "the program ended before its window appeared"; exit 1; }
        sleep 0.1
    done
    if [ -z "$geometry" ]; then
        say "the window did not appear within 60 s"
        kill "$program"
        exit 1
    fi
    sleep 1  # let it paint
    import -window root -crop "$geometry" +repage "$screenshot"
    say "screenshot saved to $screenshot"
    kill "$program" 2>/dev/null || true
    wait "$program" 2>/dev/null || true
    exit 0
fi

mkdir -p "$root/build"
tools/install-deps.sh || { say "setting up the packages failed (see above)"; exit 1; }
cmake --preset win64 >"$root/build/run-configure.log" 2>&1 \
    || { say "configuring failed (see build/run-configure.log)"; exit 1; }
cmake --build --preset win64 --target lilange >"$root/build/run-build.log" 2>&1 \
    || { say "building failed (see build/run-build.log)"; exit 1; }

# The program reaches the catalogue server compiled into it; serve the sample there.
host=$(sed -n 's/^CATALOGUE_HOST:STRING=//p' "$root/build/win64/CMakeCache.txt")
case "$host" in
    127.0.0.1:*) port=${host#127.0.0.1:} ;;
    *) say "the program is built for the catalogue server $host, not for one on 127.0.0.1"; exit 1 ;;
esac

mkdir -p "$run_dir"
python3 sample/publish.py sample/catalogue "$run_dir/catalogue"
sample/serve.sh start "$run_dir/nginx" "$run_dir/catalogue" "$port"
trap 'sample/serve.sh stop "$run_dir/nginx"' EXIT
say "sample catalogue served by nginx at http://$host/"

if [ -n "${DISPLAY:-}" ]; then
    export WINE_SESSION_DISPLAY=$DISPLAY
fi
tools/wine-session.sh run "$run_dir/wine" "$0" --inside
