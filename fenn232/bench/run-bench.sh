#!/usr/bin/env bash
# Builds the store natively in Release and runs its benchmark.
#   fenn232/bench/run-bench.sh [work folder, default /tmp]
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
build="$root/build-store/bench"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
ninja -C "$build" fenn232_bench >/dev/null
"$build/fenn232/fenn232_bench" "${1:-/tmp}"
