#!/usr/bin/env bash
# The installed package, used as a program outside this tree would use it:
# install the build into a prefix of its own, build embed.cpp against it with
# find_package(moviehost) and with pkg-config, and run both against our
# control with an empty registry and no variable pointing anywhere. Then move
# the whole prefix and check that it still works from its new place, for the
# two embedding programs and for moviecapture with the installed host.
#   run_install_test.sh CMAKE BUILD_DIR SOURCE_DIR PREFIX LIBDIR INSTALLED_CONTROL_DIR CXX [CXXFLAGS]
set -euo pipefail

cmake=$1 build=$2 source=$3 prefix=$4 libdir=$5 installed_control_dir=$6 cxx=$7 flags=${8:-}
work=$prefix.work
moved=$work/moved
movie=$source/examples/moving_gradient.swf

cleanup() { rm -rf "$prefix" "$work"; }
trap cleanup EXIT
cleanup
mkdir -p "$work/home"

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# No registry file, no configuration folder, no library path.
isolated() { env -u MOVIEHOST_REGISTRY -u XDG_CONFIG_HOME -u LD_LIBRARY_PATH HOME="$work/home" "$@"; }

# build_consumers PREFIX DIR: DIR/cmake/embed and DIR/embed_pkgconfig.
build_consumers() {
    local at=$1 dir=$2
    "$cmake" -S "$source/tests/install/consumer" -B "$dir/cmake" -DCMAKE_PREFIX_PATH="$at" \
        -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_BUILD_TYPE=Release >/dev/null ||
        fail "configuring with find_package(moviehost) against $at"
    "$cmake" --build "$dir/cmake" >/dev/null || fail "building with find_package(moviehost)"
    local pc
    pc=$(PKG_CONFIG_PATH="$at/$libdir/pkgconfig" pkg-config --cflags --libs moviehost) || fail "pkg-config moviehost"
    local pclibdir
    pclibdir=$(PKG_CONFIG_PATH="$at/$libdir/pkgconfig" pkg-config --variable=libdir moviehost)
    # shellcheck disable=SC2086  # the flags are words
    "$cxx" -std=c++20 $flags "$source/tests/install/embed.cpp" $pc -Wl,-rpath,"$pclibdir" \
        -o "$dir/embed_pkgconfig" || fail "building with pkg-config"
}

run_embed() {
    isolated "$1" "$movie" || fail "$1 $movie exited with $?"
    echo "ok: $1"
}

"$cmake" --install "$build" --prefix "$prefix" >/dev/null || fail "cmake --install"

# Anywhere on the machine: through the installed folder compiled into the
# loader. Only a build configured for this prefix knows it.
build_consumers "$prefix" "$work/anywhere"
if [[ "$prefix/$libdir/moviehost" -ef "$installed_control_dir" ]]; then
    run_embed "$work/anywhere/cmake/embed"
    run_embed "$work/anywhere/embed_pkgconfig"
else
    echo "note: the build installs to $installed_control_dir, not $prefix; the installed path is not checked"
fi

# Moved as a whole: found from the executables' folder (../lib/moviehost).
mv "$prefix" "$moved"
build_consumers "$moved" "$work/beside"
cp "$work/beside/cmake/embed" "$moved/bin/embed_cmake"
cp "$work/beside/embed_pkgconfig" "$moved/bin/embed_pkgconfig"
run_embed "$moved/bin/embed_cmake"
run_embed "$moved/bin/embed_pkgconfig"

bytes=$(isolated "$moved/bin/moviecapture" "$movie" --size 64x48 --raw | wc -c) || fail "moviecapture"
[[ "$bytes" -eq $((64 * 48 * 4)) ]] || fail "moviecapture wrote $bytes bytes, not one 64x48 frame"
echo "ok: $moved/bin/moviecapture with the installed host"
