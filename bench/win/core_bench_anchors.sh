#!/usr/bin/env bash
# core_bench's anchors, run natively on the pages the program writes, then the program itself
# given their figures: one invocation, one table. Each anchor's figure is the median of five runs
# on the same CPUs as the program (scripts/bench-win pins them), its output checked.
# Usage (by scripts/bench-win, in the Wine environment): core_bench_anchors.sh <core_bench.exe>
set -euo pipefail
exe=$1
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/ferrik-core-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
"$root/cmake/wine-run" "$exe" --write "Z:$work"

# The median of five runs' seconds of a command whose output must be $1.
median_seconds() {
    local want=$1 out start i
    shift
    for i in 1 2 3 4 5; do
        start=$EPOCHREALTIME
        out=$("$@")
        [ "$out" = "$want" ] || { echo "anchor $* printed '$out', not '$want'" >&2; return 1; }
        awk -v a="$start" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.6f\n", b - a }'
    done | sort -g | sed -n 3p
}

grep_awk() {
    LC_ALL=C grep -aoE 'qvod://[^|]*\|[^|]*\|[^|]*\|' "$work/plain.html" | LC_ALL=C awk '!seen[$0]++' | wc -l
}
grep=$(median_seconds 25000 grep_awk)
python=$(median_seconds 25000 python3 "$root/bench/anchors/qvod_reader.py" "$work/escaped.html")
gumbo=0 gumbo_peak=0
if g++ -O2 -std=c++20 "$root/bench/anchors/gumbo_anchor.cpp" $(pkg-config --cflags --libs gumbo) \
    -o "$work/gumbo_anchor" >&2; then
    read -r gumbo links gumbo_peak < <("$work/gumbo_anchor" "$work/links.html" 5)
    echo "gumbo found $links links" >&2
fi
"$root/cmake/wine-run" "$exe" "Z:$work" "grep=$grep" "python=$python" "gumbo=$gumbo" "gumbo-peak=$gumbo_peak"
