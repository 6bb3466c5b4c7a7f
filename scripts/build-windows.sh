#!/usr/bin/env bash
# Cross-builds the Windows trees with Debian's mingw-w64: build-win32/ (i686)
# and build-win64/ (x86_64), each with its programs, DLLs, libraries and
# Windows tests under bin/. Warnings fail the build.
#   scripts/build-windows.sh            both trees
#   scripts/build-windows.sh win64      one of them
set -euo pipefail
cd "$(dirname "$0")/.."

jobs=$(nproc 2>/dev/null || echo 2)
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)

build_tree() {
    local dir=$1 arch=$2
    echo "== configure $dir ($arch)"
    cmake -S . -B "$dir" -DCMAKE_TOOLCHAIN_FILE="cmake/toolchain-mingw-$arch.cmake" -DCMAKE_BUILD_TYPE=Release \
        -DMOVIEHOST_WERROR=ON "${launcher[@]}" >/dev/null
    echo "== build $dir"
    cmake --build "$dir" -j"$jobs"
}

trees=("${@:-win32 win64}")
for tree in ${trees[*]}; do
    case $tree in
    win32) build_tree build-win32 i686 ;;
    win64) build_tree build-win64 x86_64 ;;
    *) echo "unknown tree $tree (win32 or win64)" >&2; exit 2 ;;
    esac
done
