#!/bin/sh
# Runs a Windows program under Wine in the test session's prefix, with code page 936.
# WINEPREFIX must be set (tools/wine-session.sh exports it): without it Wine would quietly
# build ~/.wine.
if [ -z "${WINEPREFIX:-}" ]; then
    echo "wine-run: WINEPREFIX is not set; start a session with tools/wine-session.sh" >&2
    exit 125
fi
export WINEDEBUG="${WINEDEBUG:--all}" LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8
exec wine "$@"
