#!/usr/bin/env bash
# scripts/run meets a wineserver left running for its prefix and reaches "Ferrik is running"; a
# second scripts/run meanwhile says so and leaves the first alone; SIGINT after the window appeared
# ends every process the run started (found by a mark in their environment) and no other.
set -uo pipefail
source "$(dirname "$0")/../../scripts/lib/common.sh"
cd "$FERRIK_ROOT"

tmp=$(mktemp -d)
mark="FERRIK_RUN_TEST=$$.$RANDOM"
other_mark="FERRIK_RUN_TEST_OTHER=$$.$RANDOM"
run_pid=
cleanup() {
    trap - EXIT INT TERM
    if [ -n "$run_pid" ]; then
        kill -TERM "$run_pid" 2>/dev/null
        wait "$run_pid" 2>/dev/null
    fi
    # Whatever the run left is this test's own: it carries the mark.
    local pids
    pids=$(marked "$mark" | cut -d' ' -f1)
    [ -n "$pids" ] && kill -KILL $pids 2>/dev/null
    WINEPREFIX="$tmp/other" wineserver -k >/dev/null 2>&1
    rm -rf "$tmp"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
fail() {
    echo "run test: $*" >&2
    [ -f "$tmp/out" ] && tail -n 30 "$tmp/out" | sed 's/^/  scripts\/run: /' >&2
    exit 1
}

# The processes whose environment carries the given mark, as "pid name" lines.
marked() {
    local dir
    for dir in /proc/[0-9]*; do
        { tr '\0' '\n' <"$dir/environ"; } 2>/dev/null | grep -qaxF "$1" || continue
        echo "${dir#/proc/} $(cat "$dir/comm" 2>/dev/null)"
    done
}

# scripts/run's prefix, with a wineserver left running for it (a prefix never made is made anew,
# the server with it).
tree=win64
ferrik_can_run_32bit && tree=win32
prefix="$FERRIK_BUILD/$tree/demo/wineprefix"
mkdir -p "$prefix"
env "$mark" WINEPREFIX="$prefix" wineserver -p 2>/dev/null || fail "could not leave a wineserver for $prefix"
# Another prefix's wineserver, as another engineer's run on this machine would have.
mkdir -p "$tmp/other"
env "$other_mark" WINEPREFIX="$tmp/other" wineserver -p || fail "could not start a wineserver for another prefix"

# Job control gives the run its own process group, where SIGINT is not ignored as it is for
# background commands of a script.
set -m
env -u DISPLAY "$mark" scripts/run >"$tmp/out" 2>&1 &
run_pid=$!
set +m
# Making the prefix anew takes a minute or two on a busy machine; a run that hangs is not waited
# for forever.
for _ in $(seq 900); do
    grep -q "Ferrik is running" "$tmp/out" && break
    kill -0 "$run_pid" 2>/dev/null || fail "scripts/run ended before Ferrik was running"
    sleep 1
done
grep -q "Ferrik is running" "$tmp/out" || fail "scripts/run did not reach \"Ferrik is running\" in 15 minutes"

status=0
env -u DISPLAY scripts/run >"$tmp/second" 2>&1 || status=$?
[ "$status" -ne 0 ] || fail "a second scripts/run beside the first exited 0"
grep -q "another scripts/run (pid $run_pid) is running" "$tmp/second" ||
    fail "a second scripts/run did not name the first: $(tail -n 1 "$tmp/second")"
kill -0 "$run_pid" 2>/dev/null || fail "the first scripts/run ended when a second one started"

before=$(marked "$mark")
for name in wineserver Xvfb python3 ferrik.exe; do
    grep -q " $name" <<<"$before" || fail "no $name among the run's processes: $(tr '\n' ' ' <<<"$before")"
done

kill -INT "$run_pid"
status=0
wait "$run_pid" || status=$?
run_pid=
[ "$status" -eq 130 ] || fail "scripts/run ended with status $status after SIGINT, not 130"
left=$(marked "$mark")
[ -z "$left" ] || fail "processes of the run left after SIGINT: $(tr '\n' ' ' <<<"$left")"
[ -n "$(marked "$other_mark")" ] || fail "the run ended another prefix's wineserver"
echo "run test: passed"
