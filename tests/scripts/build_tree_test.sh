#!/usr/bin/env bash
# A build tree whose configuration was cut short (a cache, no build.ninja) is configured again; one
# that cannot be configured ends with the one line naming the step, the command and what to do.
set -uo pipefail
source "$(dirname "$0")/../../scripts/lib/common.sh"
cd "$FERRIK_ROOT"

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() {
    echo "build tree test: $*" >&2
    exit 1
}

# Left by a configuration interrupted after writing the cache, here of another source directory.
mkdir -p "$tmp/host"
printf '%s\n' "CMAKE_HOME_DIRECTORY:INTERNAL=$tmp/gone" "CMAKE_GENERATOR:INTERNAL=Ninja" >"$tmp/host/CMakeCache.txt"
ferrik_configure host "$tmp/host" 2>"$tmp/err" || fail "a half-configured tree was not configured again: $(cat "$tmp/err")"
[ -f "$tmp/host/build.ninja" ] || fail "no build.ninja after configuring again"

status=0
ferrik_configure no-such-preset "$tmp/other" 2>"$tmp/err" || status=$?
[ "$status" -ne 0 ] || fail "configuring with a preset that does not exist succeeded"
line=$(tail -n 1 "$tmp/err")
for part in "tests/scripts/build_tree_test.sh: configuring $tmp/other failed" "'cmake --preset no-such-preset -B $tmp/other' exited with" \
    "then run again"; do
    [[ $line == *"$part"* ]] || fail "the failure line lacks \"$part\": $line"
done
echo "build tree test: passed"
