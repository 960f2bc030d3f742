#!/usr/bin/env bash
# CTest test of a Windows build tree: scripts/package makes the installer and the portable zip from
# the tree's ferrik.exe; the zip must hold exactly the exe and the three data files (the data files
# as shipped); then package_tests.exe, under Wine in the test prefix, installs, starts, upgrades and
# uninstalls, and starts the unzipped program from a folder with spaces and Chinese in its name.
# Usage: package_test.sh BUILD_TREE
set -euo pipefail
tree=$(cd "$1" && pwd)
root=$(cd "$(dirname "$0")/../.." && pwd)
out="$tree/packages"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$root/scripts/package" --tree "$tree" --out "$out" >/dev/null
version=$(sed -n 's/^#define FERRIK_VERSION_TEXT "\(.*\)"$/\1/p' "$tree/generated/version.h")
zip="$out/ferrik-$version-portable.zip"
[ -f "$out/ferrik-$version-setup.exe" ] || { echo "FAIL: no setup program in $out"; exit 1; }

listed=$(unzip -Z1 "$zip" | sort | tr '\n' ' ')
expected="Rule.dat RunFilter.dat Setting.ini ferrik.exe "
[ "$listed" = "$expected" ] || { echo "FAIL: the zip holds '$listed', expected '$expected'"; exit 1; }
portable="$work/任意 目录/Ferrik 便携版"
mkdir -p "$portable"
unzip -q "$zip" -d "$portable"
for f in Rule.dat RunFilter.dat Setting.ini; do
    cmp -s "$root/data/$f" "$portable/$f" || { echo "FAIL: $f in the zip differs from data/$f"; exit 1; }
done
echo "zip: $listed"

loader=${FERRIK_WINE_LOADER:-/usr/lib/wine/wine64}
export FERRIK_PACKAGES FERRIK_PORTABLE FERRIK_VERSION=$version
FERRIK_PACKAGES=$(LC_ALL=zh_CN.UTF-8 "$loader" winepath -w "$out" 2>/dev/null)
FERRIK_PORTABLE=$(LC_ALL=zh_CN.UTF-8 "$loader" winepath -w "$portable" 2>/dev/null)
"$root/cmake/wine-run" "$tree/package_tests.exe"
