#!/usr/bin/env bash
# The Wine set-up meets what an earlier run left: a display lock whose server is gone, and a
# wineserver still running for the prefix between two set-ups. It ends no wineserver but its own.
# Run by scripts/test, after the Windows tests (it reuses their prefix); also runs alone.
set -uo pipefail
source "$(dirname "$0")/../../scripts/lib/common.sh"
cd "$FERRIK_ROOT"

tmp=$(mktemp -d)
stale_lock=
cleanup() {
    trap - EXIT INT TERM
    ferrik_end_all
    WINEPREFIX="$tmp/other" wineserver -k >/dev/null 2>&1
    [ -n "$stale_lock" ] && rm -f "$stale_lock"
    rm -rf "$tmp"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
fail() {
    echo "set-up test: $*" >&2
    exit 1
}

# The pids of the wineservers of one prefix: a wineserver works in a directory named after the
# prefix's device and inode.
wineservers_of() {
    local dir pid
    dir="server-$(stat -c %D "$1")-$(printf %x "$(stat -c %i "$1")")"
    for pid in /proc/[0-9]*; do
        case "$(cat "$pid/comm" 2>/dev/null)" in wineserver*) ;; *) continue ;; esac
        [ "$(basename "$(readlink "$pid/cwd" 2>/dev/null)")" = "$dir" ] && echo "${pid#/proc/}"
    done
    return 0
}

ferrik_install $FERRIK_PACKAGES_RUN || fail "could not install $FERRIK_PACKAGES_RUN (xdpyinfo)"

# A lock of a display whose server is gone, on the first number that nothing uses.
n=0
while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
stale_lock=/tmp/.X$n-lock
printf '%10d\n' 4194303 >"$stale_lock" # above pid_max's default: no process has it
ferrik_start_xvfb || fail "no display with a stale lock on :$n"
xdpyinfo -display "$DISPLAY" >/dev/null 2>&1 || fail "the display $DISPLAY does not answer"

# Another prefix's wineserver, as another engineer's run on this machine would have.
mkdir -p "$tmp/other"
WINEPREFIX="$tmp/other" wineserver -p || fail "could not start a wineserver for another prefix"
other=$(WINEPREFIX="$tmp/other" wineservers_of "$tmp/other")
[ -n "$other" ] || fail "the other prefix's wineserver is not found"

ferrik_wine_env "${FERRIK_TEST_TREE:-$(ferrik_run_tree)}"
for round in first second; do
    ferrik_prepare_prefix || fail "the $round set-up failed"
    servers=$(wineservers_of "$WINEPREFIX")
    [ "$(wc -w <<<"$servers")" -eq 1 ] || fail "after the $round set-up: wineservers of the prefix: '$servers'"
done
[ "$(ferrik_wine cmd /c echo ready 2>/dev/null | tr -d '\r')" = ready ] || fail "no program runs in the prefix"
ferrik_alive "$other" || fail "the set-up ended another prefix's wineserver"
echo "set-up test: passed"
