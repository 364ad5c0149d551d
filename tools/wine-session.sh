#!/bin/bash
# A headless Wine session for the tests and the run command: its own Xvfb display, a Wine
# prefix with code page 936, and one long-lived Wine process that keeps wineserver warm.
#
#   wine-session.sh start DIR        start (or reuse) the session kept in DIR
#   wine-session.sh stop DIR         stop what start started
#   wine-session.sh run DIR CMD...   start, run CMD with the session's environment, stop
#
# DIR/session.env holds the environment (DISPLAY, WINEPREFIX, ...) for `. DIR/session.env`.
# Set WINE_SESSION_DISPLAY to use an existing X display instead of starting Xvfb.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)

die() { echo "wine-session: $*" >&2; exit 1; }

alive() { [ -n "${1:-}" ] && kill -0 "$1" 2>/dev/null; }

start() {
    local dir=$1
    mkdir -p "$dir"
    dir=$(cd "$dir" && pwd)
    local log=$dir/wine.log
    command -v wine >/dev/null || die "wine is not installed (run tools/install-deps.sh)"

    local display=${WINE_SESSION_DISPLAY:-}
    if [ -z "$display" ]; then
        if alive "$(cat "$dir/xvfb.pid" 2>/dev/null)" && [ -s "$dir/display" ]; then
            display=$(cat "$dir/display")
        else
            command -v Xvfb >/dev/null || die "no display and no Xvfb (run tools/install-deps.sh)"
            rm -f "$dir/display"
            # -displayfd lets Xvfb choose a free display and tells us once it accepts clients.
            setsid Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset \
                3>"$dir/display" </dev/null >>"$log" 2>&1 &
            echo $! >"$dir/xvfb.pid"
            for _ in $(seq 100); do
                [ -s "$dir/display" ] && break
                alive "$(cat "$dir/xvfb.pid")" || die "Xvfb did not start (see $log)"
                sleep 0.1
            done
            [ -s "$dir/display" ] || die "Xvfb did not report a display within 10 s (see $log)"
            display=:$(tr -d '\n' <"$dir/display")
            echo "$display" >"$dir/display"
        fi
    fi

    cat >"$dir/session.env" <<ENV
export DISPLAY='$display'
export WINEPREFIX='$dir/prefix'
export WINEDEBUG='-all'
export WINEDLLOVERRIDES='mscoree,mshtml='
export LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8
ENV
    # shellcheck source=/dev/null
    . "$dir/session.env"

    # Every Wine process below gets /dev/null or the log as its output: wineserver and the
    # Wine services inherit the first Wine process's descriptors and would hold a caller's
    # pipe open for seconds after the last program ended.
    if [ ! -f "$WINEPREFIX/.ready" ]; then
        rm -rf "$WINEPREFIX"
        wine wineboot -i </dev/null >>"$log" 2>&1 || die "Wine could not create its prefix (see $log)"
        wineserver -w </dev/null >>"$log" 2>&1
        # Without a window manager, Wine must draw frames itself ("Managed"=N); otherwise
        # windows get no title bar and each DestroyWindow waits about 2 s for a manager.
        wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >>"$log" 2>&1 \
            || die "could not configure the Wine prefix (see $log)"
        touch "$WINEPREFIX/.ready"
    fi

    if ! alive "$(cat "$dir/keepalive.pid" 2>/dev/null)"; then
        if [ ! -f "$dir/keepalive.exe" ] || [ "$here/keepalive.c" -nt "$dir/keepalive.exe" ]; then
            x86_64-w64-mingw32-gcc-posix -O2 -o "$dir/keepalive.exe" "$here/keepalive.c" \
                || die "could not build keepalive.exe (is MinGW-w64 installed?)"
        fi
        setsid wine "$dir/keepalive.exe" </dev/null >>"$log" 2>&1 &
        echo $! >"$dir/keepalive.pid"
        # The first Wine process starts wineserver and the services; wait until they answer.
        wine cmd /c exit 0 </dev/null >>"$log" 2>&1 || die "Wine cannot start programs (see $log)"
    fi
}

stop() {
    local dir=$1
    [ -d "$dir" ] || return 0
    local pid
    pid=$(cat "$dir/keepalive.pid" 2>/dev/null || true)
    if alive "$pid"; then kill "$pid" 2>/dev/null || true; fi
    if [ -f "$dir/session.env" ]; then
        # shellcheck source=/dev/null
        . "$dir/session.env"
        wineserver -k </dev/null >>"$dir/wine.log" 2>&1 || true
    fi
    pid=$(cat "$dir/xvfb.pid" 2>/dev/null || true)
    if alive "$pid"; then
        kill "$pid" 2>/dev/null || true
        for _ in $(seq 50); do alive "$pid" || break; sleep 0.1; done
    fi
    rm -f "$dir/keepalive.pid" "$dir/xvfb.pid" "$dir/display"
}

case "${1:-}" in
    start) [ $# -eq 2 ] || die "usage: $0 start DIR"; start "$2" ;;
    stop) [ $# -eq 2 ] || die "usage: $0 stop DIR"; stop "$2" ;;
    run)
        [ $# -ge 3 ] || die "usage: $0 run DIR CMD..."
        dir=$2; shift 2
        trap 'stop "$dir"' EXIT
        trap 'exit 130' INT TERM
        start "$dir"
        # shellcheck source=/dev/null
        . "$dir/session.env"
        "$@"
        ;;
    *) die "usage: $0 start|stop|run DIR [CMD...]" ;;
esac
