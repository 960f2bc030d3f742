#!/usr/bin/env bash
# Choosing the versions of the libraries that Wine's 32-bit half shares with the 64-bit one, with
# dpkg-query, apt-cache and dpkg stood in for by scripts that answer as a new machine's do:
# dpkg-query exits 1 because most of the names asked for are not installed. Only a library
# installed newer for amd64 than the release's i386 candidate is paired, at the release's version,
# and nothing is reported as failed. Runs with the scripts' own error trap, as scripts/test does.
set -uo pipefail
source "$(dirname "$0")/../../scripts/lib/common.sh"

stubs=$(mktemp -d)
trap 'rm -rf "$stubs"' EXIT
fail() {
    echo "install test: $*" >&2
    exit 1
}

cat >"$stubs/apt-cache" <<'EOF'
#!/bin/sh
case "$1" in
depends) printf 'wine32:i386\n  Depends: libwine:i386\nlibwine:i386\nlibgst:i386\nlibpng:i386\nlibnew:i386\n' ;;
show) exit 0 ;;
-o) printf 'libgst:i386:\n  Installed: (none)\n  Candidate: 1.22-u6\nlibpng:i386:\n  Candidate: 1.6-1\n'
    printf 'libnew:i386:\n  Candidate: (none)\n' ;;
esac
EOF
cat >"$stubs/dpkg-query" <<'EOF'
#!/bin/sh
printf 'libgst 1.22-u7 amd64 ii \nlibpng 1.6-1 amd64 ii \nlibnew 2.0 amd64 ii \n'
echo "dpkg-query: no packages found matching libwine" >&2
exit 1
EOF
cat >"$stubs/dpkg" <<'EOF'
#!/bin/sh
# dpkg --compare-versions A gt B, for the stubs' versions only
[ "$2" = 1.22-u7 ] && [ "$4" = 1.22-u6 ]
EOF
chmod +x "$stubs"/*

out=$( (PATH="$stubs:$PATH"; ferrik_traps; ferrik_i386_pairs bookworm wine32:i386 xvfb) 2>"$stubs/err")
status=$?
[ "$status" -eq 0 ] || fail "exited with $status: $(cat "$stubs/err")"
! grep -q failed "$stubs/err" || fail "reported a failure: $(cat "$stubs/err")"
[ "$out" = $'libgst:amd64=1.22-u6\nlibgst:i386=1.22-u6' ] || fail "paired '$out'"
grep -q 'installing libgst at 1.22-u6 for amd64 and i386' "$stubs/err" || fail "did not say which: $(cat "$stubs/err")"
exit 0
