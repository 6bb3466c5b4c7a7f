#!/usr/bin/env bash
# Sets up what the build needs, builds, and runs the whole test suite twice:
# once in a normal build and once under AddressSanitizer + UBSan.
#   scripts/test.sh            both builds
#   scripts/test.sh --quick    the normal build only
set -euo pipefail
cd "$(dirname "$0")/.."

"$(dirname "$0")/setup.sh"

scripts/check-format.sh

jobs=$(nproc 2>/dev/null || echo 2)

run_suite() {
    local dir=$1; shift
    echo "== configure $dir"
    # Warnings fail the build. The install test installs into install-test/
    # of the build folder; configured for that prefix, it also proves the
    # installed path compiled into the loader.
    cmake -S . -B "$dir" -DMOVIEHOST_WERROR=ON -DCMAKE_INSTALL_PREFIX="$PWD/$dir/install-test" "$@" >/dev/null
    echo "== build $dir"
    cmake --build "$dir" -j"$jobs"
    echo "== test $dir"
    ctest --test-dir "$dir" --output-on-failure -j"$jobs"
}

# Release keeps the first build quick; the sanitizer build trades optimisation
# for compile time (-O1 is enough for ASan to stay fast at run time). The
# fuzz targets carry their own sanitizers, so only the first build makes them.
run_suite build -DCMAKE_BUILD_TYPE=Release
if [[ "${1:-}" != "--quick" ]]; then
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 LSAN_OPTIONS=suppressions="$PWD/tests/lsan.supp" UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
        run_suite build-sanitize -DMOVIEHOST_SANITIZE=ON -DMOVIEHOST_BENCHMARKS=OFF -DMOVIEHOST_FUZZ=OFF \
            -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g1"
fi
# The Windows trees, cross-built, with their tests under Wine.
scripts/test-windows.sh
echo "== all tests passed"
