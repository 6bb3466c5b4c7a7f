#!/usr/bin/env bash
# Builds both Windows trees and runs the Windows tests of build-win64/ under
# Wine, in a Wine prefix made for this run under a temporary folder (its
# registry is the one the tests register the control in). The 32-bit tree is
# checked for its format only: this machine runs no 32-bit code.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/build-windows.sh win32 win64

echo "== check build-win32 is 32-bit x86"
for file in build-win32/bin/*.exe build-win32/bin/*.dll; do
    i686-w64-mingw32-objdump -f "$file" | grep -q "file format pei-i386" ||
        { echo "$file is not a 32-bit x86 program" >&2; exit 1; }
done
for file in moviehost.exe moviehost_hosting.dll fake_control_module.dll windows_raw_table_tests.exe; do
    [[ -f build-win32/bin/$file && -f build-win64/bin/$file ]] || { echo "missing bin/$file" >&2; exit 1; }
done

wine=/usr/lib/wine/wine64
[[ -x $wine ]] || wine=$(command -v wine64 || command -v wine)
prefix=$(mktemp -d /tmp/moviehost-wine.XXXXXX)
cleanup() {
    WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
    rm -rf "$prefix"
}
trap cleanup EXIT
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

echo "== make a Wine prefix"
start=$(date +%s)
"$wine" wineboot -i >/dev/null 2>&1
wineserver -w
echo "   wineboot took $(($(date +%s) - start)) s"

# One test program at a time: the tests share the prefix's registry.
echo "== test build-win64 under Wine"
ctest --test-dir build-win64 --output-on-failure -j1
echo "== Windows tests passed"
