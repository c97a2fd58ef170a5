#!/usr/bin/env bash
# Sets up, builds both architectures and runs every test: the store's native
# tests under the sanitizers, then the Windows tests under Wine.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
"$here/setup.sh"
"$here/build.sh"
cd "$here/.."
status=0
ctest --test-dir build/native --output-on-failure -j 2 || status=1
"$here/wine-ctest.sh" build/x64 || status=1
exit $status
