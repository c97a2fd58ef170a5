#!/usr/bin/env bash
# Builds the store in Release and runs its benchmarks: the native one
# (synthetic corpus), then the edit histories natively,
# measuring the git and xz references, then the same histories against the
# Win32 DLL under Wine (the figures that count), beside those references and
# the copies with flush it measures itself, and the peak memory of saving and
# retrieving a 50 MiB (and, not --quick, a 200 MiB) document under Wine and
# in a 32-bit host (under qemu-i386, when installed).
#   fenn232/bench/run-bench.sh [--quick] [--no-wine] [--histories-only] [--versions=FOLDER]
#                              [work folder, default /tmp]
# --versions=FOLDER adds the case "folder": the files 0, 1, 2 ... of FOLDER as
# successive versions (a real file's history, from outside the repository).
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
quick= wine=1 synthetic=1 work=/tmp versions=
for a in "$@"; do
    case "$a" in
    --quick) quick=--quick ;;
    --no-wine) wine= ;;
    --histories-only) synthetic= ;;
    --versions=*) versions=$(cd "${a#--versions=}" && pwd) ;;
    *) work=$a ;;
    esac
done
native="$root/build-store/bench"
cmake -S "$root" -B "$native" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
ninja -C "$native" fenn232_bench fenn232_history_bench >/dev/null
# A missed target is reported, and the histories still run.
missed=0
if [ -n "$synthetic" ]; then
    "$native/fenn232/fenn232_bench" "$work" || missed=1
fi
refs=$(mktemp "$work/fenn232-refs-XXXXXX")
# The memory cases' versions, written by a process of their own.
mem=$(mktemp -d "$work/fenn232-versions-XXXXXX")
trap 'rm -f "$refs"; rm -rf "$mem"' EXIT
"$native/fenn232/fenn232_history_bench" --write-versions log-50m "$mem"
native_versions=() win_versions=()
if [ -n "$versions" ]; then
    native_versions=(--versions "$versions")
    win_versions=(--versions "Z:${versions//\//\\}")
fi
"$native/fenn232/fenn232_history_bench" $quick "${native_versions[@]}" --references-to "$refs" "$work"
# A 32-bit host's memory: this kernel runs no 32-bit code (nor the i686
# DLL), so the native store built with -m32 runs under qemu-i386, beside the
# same 64-bit build under qemu-x86_64 (the emulator's own memory counts in
# both).
if command -v qemu-i386 >/dev/null && [ -e /usr/lib32/libz.so ]; then
    native32="$root/build-store/native32"
    cmake -S "$root" -B "$native32" -G Ninja -DCMAKE_BUILD_TYPE=Release -DFY_32BIT=ON >/dev/null
    ninja -C "$native32" fenn232_history_bench >/dev/null
    echo
    echo "32-bit host (qemu-i386), then the 64-bit build under qemu-x86_64:"
    qemu-i386 -L / "$native32/fenn232/fenn232_history_bench" --memory log-50m --versions-in "$mem" "$work" |
        grep -v "^Fennory"
    qemu-x86_64 -L / "$native/fenn232/fenn232_history_bench" --memory log-50m --versions-in "$mem" "$work" |
        grep -v "^Fennory"
else
    echo "(no 32-bit memory figure: install qemu-user, g++-multilib and lib32z1-dev)"
fi
if [ -n "$wine" ]; then
    win="$root/build-store/x64"
    cmake -S "$root" -B "$win" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-x86_64.cmake" -DFY_STORE_ONLY=ON >/dev/null
    ninja -C "$win" fenn232 fenn232_history_bench >/dev/null
    source "$root/scripts/wine-session.sh" "$win"
    trap 'rm -f "$refs"; rm -rf "$mem"; wine_session_stop' EXIT
    wine_session_start
    echo
    (cd "$win/bin" && wine fenn232_history_bench.exe $quick "${win_versions[@]}" --references-from "Z:${refs//\//\\}")
    # Peak memory of saving and retrieving a 50 MiB document, and (not
    # quick) a 200 MiB one, each in a process of its own.
    winmem="Z:${mem//\//\\}"
    (cd "$win/bin" && wine fenn232_history_bench.exe --memory log-50m --versions-in "$winmem")
    if [ -z "$quick" ]; then
        "$native/fenn232/fenn232_history_bench" --write-versions log-200m "$mem"
        (cd "$win/bin" && wine fenn232_history_bench.exe --memory log-200m --versions-in "$winmem")
    fi
fi
exit $missed
