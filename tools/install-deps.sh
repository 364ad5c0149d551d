#!/bin/sh
# Installs, from Debian's archive, everything the build, the tests and the run command need.
# Idempotent: a second run only checks. Needs root (or sudo) on Debian 12.
set -eu

# The shipped program is built for 32-bit Windows; the tests run a 64-bit build of the same
# sources under 64-bit Wine, because 32-bit code cannot run on kernels booted without
# ia32 emulation (see README).
packages="cmake ninja-build g++ googletest
g++-mingw-w64-i686-posix binutils-mingw-w64-i686 mingw-w64-i686-dev
g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev
wine wine64 xvfb x11-utils imagemagick fonts-wqy-microhei locales
python3 openssl nginx-light procps"

as_root() {
    if [ "$(id -u)" = 0 ]; then "$@"; elif command -v sudo >/dev/null; then sudo "$@"; else
        echo "install-deps: need root (or sudo) to run: $*" >&2; exit 1; fi
}

missing=""
for p in $packages; do
    dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q '^install ok installed$' || missing="$missing $p"
done

if [ -n "$missing" ]; then
    as_root apt-get update -q || { echo "install-deps: apt-get update failed" >&2; exit 1; }
    # shellcheck disable=SC2086
    DEBIAN_FRONTEND=noninteractive as_root apt-get install -y -q --no-install-recommends $missing \
        || { echo "install-deps: could not install:$missing" >&2; exit 1; }
fi

# Wine takes its ANSI code page from the locale; code page 936 needs zh_CN.
if ! locale -a 2>/dev/null | grep -qix 'zh_CN.utf8'; then
    as_root sh -c "sed -i 's/^# *zh_CN.UTF-8 UTF-8/zh_CN.UTF-8 UTF-8/' /etc/locale.gen && grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen || echo 'zh_CN.UTF-8 UTF-8' >> /etc/locale.gen; locale-gen >/dev/null" \
        || { echo "install-deps: could not generate the zh_CN.UTF-8 locale" >&2; exit 1; }
fi
