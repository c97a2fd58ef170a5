#!/usr/bin/env bash
# Runs the tests of one Windows build folder under Wine, with a display and a
# wineserver of their own (see wine-session.sh).
#
#   scripts/wine-ctest.sh BUILD_DIR [ctest arguments...]
set -u
here=$(cd "$(dirname "$0")" && pwd)
build=${1:?usage: wine-ctest.sh BUILD_DIR [ctest args...]}
shift
source "$here/wine-session.sh" "$build"
wine_session_start || exit 1
ctest --test-dir "$wine_build" --output-on-failure "$@"
