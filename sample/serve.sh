#!/bin/bash
# Serves a published catalogue with nginx on 127.0.0.1, as an ordinary user.
#
#   serve.sh start STATE ROOT PORT   start nginx for the tree ROOT; its files live in STATE
#   serve.sh stop STATE              stop it
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

die() { echo "serve: $*" >&2; exit 1; }

nginx_binary() {
    command -v nginx 2>/dev/null || { [ -x /usr/sbin/nginx ] && echo /usr/sbin/nginx; } \
        || die "nginx is not installed (run tools/install-deps.sh)"
}

answering() { (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }

start() {
    local state=$1 root=$2 port=$3
    [ -d "$root" ] || die "no catalogue at $root"
    answering "$port" && die "port $port on 127.0.0.1 is taken; stop what listens there first"
    mkdir -p "$state/tmp"
    state=$(cd "$state" && pwd)
    root=$(cd "$root" && pwd)
    sed -e "s|@STATE@|$state|g" -e "s|@ROOT@|$root|g" -e "s|@PORT@|$port|g" \
        -e "s|@USER@|$(id -un) $(id -gn)|g" "$here/nginx.conf.in" >"$state/nginx.conf"
    local nginx
    nginx=$(nginx_binary)
    "$nginx" -p "$state" -c "$state/nginx.conf" -e "$state/error.log" 2>>"$state/error.log" \
        || die "nginx did not start: $(tail -n 1 "$state/error.log")"
    for _ in $(seq 50); do
        answering "$port" && return 0
        sleep 0.1
    done
    die "nginx does not answer on port $port (see $state/error.log)"
}

stop() {
    local state=$1 pid
    pid=$(cat "$state/nginx.pid" 2>/dev/null || true)
    [ -n "$pid" ] || return 0
    kill "$pid" 2>/dev/null || true
    for _ in $(seq 50); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    rm -f "$state/nginx.pid"
}

case "${1:-}" in
    start) [ $# -eq 4 ] || die "usage: $0 start STATE ROOT PORT"; start "$2" "$3" "$4" ;;
    stop) [ $# -eq 2 ] || die "usage: $0 stop STATE"; stop "$2" ;;
    *) die "usage: $0 start STATE ROOT PORT | stop STATE" ;;
esac
