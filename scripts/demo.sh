#!/usr/bin/env bash
# Sets up, builds, and shows under Wine what Fennory works out for a few
# files: the settings in force, each file's archive name, folder and path.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
"$here/setup.sh"
cd "$here/.."
[ -f build/x64/build.ninja ] || cmake -S . -B build/x64 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake
cmake --build build/x64 -j "$(nproc)"

source "$here/wine-session.sh" build/x64
wine_session_start
demo="$WINEPREFIX/drive_c/Fennory Demo"
rm -rf "$demo"
mkdir -p "$demo/Quarterly Reports"
printf 'Quarterly report, first draft\r\n' > "$demo/Quarterly Reports/Report for the board.doc"
printf 'notes\r\n' > "$demo/notes.txt"
bin=build/x64/bin
settings='HKLM\Software\Zentrik\Fennory\Settings'

echo "== No settings: archives lie beside their files"
wine reg delete "$settings" /f >/dev/null 2>&1 || true
wine "$bin/fydemo.exe" "C:\\Fennory Demo\\Quarterly Reports\\Report for the board.doc" "C:\\Fennory Demo\\notes.txt"

echo
echo "== A central versions folder, and .txt files excluded"
wine reg add "$settings" /v VersionsPath /d 'C:\Fennory Versions\' /f >/dev/null
wine reg add "$settings" /v VersionExclude /d 'txt,tmp' /f >/dev/null
wine reg add "$settings" /v EnableVersionControl /t REG_DWORD /d 1 /f >/dev/null
wine "$bin/fydemo.exe" "C:\\Fennory Demo\\Quarterly Reports\\Report for the board.doc" "C:\\Fennory Demo\\notes.txt"
wine reg delete "$settings" /f >/dev/null 2>&1 || true
