#!/usr/bin/env bash
# scripts/run after what earlier runs left: a wineserver running for its prefix, then a run killed
# outright (SIGKILL: no trap) with its display, demo site, Wine and Ferrik still running. Each run
# reaches "Ferrik is running"; a second scripts/run beside a running one says so and leaves it
# alone; SIGINT after the window appeared ends every process the run started and no other. A
# run's processes are found by a mark in their environment.
set -uo pipefail
source "$(dirname "$0")/../../scripts/lib/common.sh"
cd "$FERRIK_ROOT"

tmp=$(mktemp -d)
marks=("FERRIK_RUN_TEST=$$.$RANDOM.1" "FERRIK_RUN_TEST=$$.$RANDOM.2")
other_mark="FERRIK_RUN_TEST_OTHER=$$.$RANDOM"
run_pid=
out=
cleanup() {
    trap - EXIT INT TERM
    if [ -n "$run_pid" ]; then
        kill -TERM "$run_pid" 2>/dev/null
        wait "$run_pid" 2>/dev/null
    fi
    # Whatever the runs left is this test's own: it carries a mark.
    local mark pids
    for mark in "${marks[@]}" "$other_mark"; do
        pids=$(marked "$mark" | cut -d' ' -f1)
        [ -n "$pids" ] && kill -KILL $pids 2>/dev/null
    done
    rm -rf "$tmp"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
fail() {
    echo "run test: $*" >&2
    [ -n "$out" ] && tail -n 30 "$out" | sed 's/^/  scripts\/run: /' >&2
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

# Starts scripts/run on a virtual display with a mark; returns once Ferrik's window is shown.
# A background command of a script, and all it starts, ignores SIGINT, which bash cannot undo:
# perl gives the run SIGINT's default back, as a terminal's Ctrl+C would find it.
start_run() {
    out="$tmp/out.$2"
    env -u DISPLAY "$1" perl -e '$SIG{INT} = "DEFAULT"; exec @ARGV or die "$ARGV[0]: $!\n"' scripts/run >"$out" 2>&1 &
    run_pid=$!
    # Making the prefix anew takes a minute or two on a busy machine; a run that hangs is not
    # waited for forever.
    for _ in $(seq 900); do
        grep -q "Ferrik is running" "$out" && break
        ferrik_alive "$run_pid" || fail "scripts/run ended before Ferrik was running"
        sleep 1
    done
    grep -q "Ferrik is running" "$out" || fail "scripts/run did not reach \"Ferrik is running\" in 15 minutes"
    local before name
    before=$(marked "$1")
    for name in wineserver Xvfb python3 ferrik.exe; do
        grep -q " $name" <<<"$before" || fail "no $name among the run's processes: $(tr '\n' ' ' <<<"$before")"
    done
}

# scripts/run's prefix, with a wineserver left running for it (a prefix never made is made anew,
# the server with it).
tree=win64
ferrik_can_run_32bit && tree=win32
prefix="$FERRIK_BUILD/$tree/demo/wineprefix"
mkdir -p "$prefix"
# One that runs already (wineserver -p then fails) serves as well.
env "${marks[0]}" WINEPREFIX="$prefix" wineserver -p 2>/dev/null || true
# Another prefix's wineserver, as another engineer's run on this machine would have.
mkdir -p "$tmp/other"
env "$other_mark" WINEPREFIX="$tmp/other" wineserver -p || fail "could not start a wineserver for another prefix"

start_run "${marks[0]}" first
status=0
env -u DISPLAY scripts/run >"$tmp/second" 2>&1 || status=$?
[ "$status" -ne 0 ] || fail "a second scripts/run beside the first exited 0"
grep -q "another scripts/run (pid $run_pid) is running" "$tmp/second" ||
    fail "a second scripts/run did not name the first: $(tail -n 1 "$tmp/second")"
ferrik_alive "$run_pid" || fail "the first scripts/run ended when a second one started"

kill -KILL "$run_pid"
wait "$run_pid" 2>/dev/null
[ -n "$(marked "${marks[0]}")" ] || fail "nothing of the killed run is left: the next run would meet nothing"

start_run "${marks[1]}" next
left=$(marked "${marks[0]}")
[ -z "$left" ] || fail "processes of the killed run still there once the next one runs: $(tr '\n' ' ' <<<"$left")"

kill -INT "$run_pid"
for _ in $(seq 120); do
    ferrik_alive "$run_pid" || break
    sleep 0.5
done
ferrik_alive "$run_pid" && fail "scripts/run still runs a minute after SIGINT"
status=0
wait "$run_pid" || status=$?
run_pid=
[ "$status" -eq 130 ] || fail "scripts/run ended with status $status after SIGINT, not 130"
left=$(marked "${marks[1]}")
[ -z "$left" ] || fail "processes of the run left after SIGINT: $(tr '\n' ' ' <<<"$left")"
[ -n "$(marked "$other_mark")" ] || fail "the runs ended another prefix's wineserver"
echo "run test: passed"
