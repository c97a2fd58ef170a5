#!/usr/bin/env bash
# Builds the product for 64-bit Windows (build/x64, tested under Wine), for
# 32-bit Windows (build/x86, compiled only) and the store's portable core
# natively with the sanitizers (build/native).
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
jobs=$(nproc)
configure() { # dir, extra args...
    local dir=$1
    shift
    [ -f "$dir/build.ninja" ] || cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
}
configure build/x64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake
configure build/x86 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake
configure build/native -DFY_SANITIZE=ON
for dir in build/x64 build/x86 build/native; do
    echo "build: $dir"
    cmake --build "$dir" -j "$jobs"
done
