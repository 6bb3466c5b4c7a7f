#!/usr/bin/env bash
# Installs the Debian packages the build needs, when any are missing.
set -euo pipefail

packages=(
    cmake g++ make pkg-config
    libgtest-dev libgmock-dev libbenchmark-dev
    libcairo2-dev zlib1g-dev libpng-dev libjpeg-dev libgif-dev liblzma-dev libfontconfig-dev libfreetype-dev
    libcurl4-openssl-dev libexpat1-dev libpcre2-dev
    # The network tests' TLS server and its certificates, made at build time.
    libssl-dev openssl
    clang clang-format libclang-rt-14-dev
    libavcodec-dev libavformat-dev libavfilter-dev libavutil-dev libswresample-dev libswscale-dev ffmpeg lame
    parallel
    haxe
    # The Windows build and its tests (scripts/test-windows.sh).
    mingw-w64 g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix libz-mingw-w64-dev googletest wine wine64
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
    echo "== installing: ${missing[*]}"
    sudo=""
    [[ $(id -u) -ne 0 ]] && sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
fi
