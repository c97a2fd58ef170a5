#!/usr/bin/env bash
# Runs the tests of one Windows build folder under Wine.
#
# Starts one Xvfb and one persistent wineserver for a private prefix under the
# build folder (made on first use), runs ctest with any extra arguments, and
# stops exactly the two processes it started, by PID, however ctest ends.
#
#   scripts/wine-ctest.sh BUILD_DIR [ctest arguments...]
set -u

build=${1:?usage: wine-ctest.sh BUILD_DIR [ctest args...]}
shift
build=$(cd "$build" && pwd)

export WINEPREFIX="$build/wineprefix"
export WINEARCH=win64
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="

xvfb_pid=
server_pid=
stop_started() {
    if [ -n "$server_pid" ]; then
        kill "$server_pid" 2>/dev/null
        wait "$server_pid" 2>/dev/null
    fi
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null
        wait "$xvfb_pid" 2>/dev/null
    fi
}
trap stop_started EXIT
trap 'exit 130' INT TERM

# A display number nobody uses.
display=
for n in $(seq 91 160); do
    if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then
        display=$n
        break
    fi
done
[ -n "$display" ] || { echo "wine-ctest: no free X display" >&2; exit 1; }

Xvfb ":$display" -screen 0 1280x1024x24 -nolisten tcp >"$build/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do
    [ -e "/tmp/.X11-unix/X$display" ] && break
    kill -0 "$xvfb_pid" 2>/dev/null || { echo "wine-ctest: Xvfb did not start" >&2; cat "$build/xvfb.log" >&2; exit 1; }
    sleep 0.1
done
export DISPLAY=":$display"

mkdir -p "$WINEPREFIX"
wineserver -p -f >"$build/wineserver.log" 2>&1 &
server_pid=$!

# Start the prefix's system processes (services, devices, the desktop) now,
# with their output going to a log: started later by a test, they would hold
# ctest's output pipe open after the test ends.
[ -f "$WINEPREFIX/system.reg" ] || echo "wine-ctest: making a new Wine prefix in $WINEPREFIX"
if ! timeout 300 wineboot -u </dev/null >"$build/wineboot.log" 2>&1; then
    echo "wine-ctest: wineboot failed" >&2
    cat "$build/wineboot.log" >&2
    exit 1
fi

ctest --test-dir "$build" --output-on-failure "$@"
