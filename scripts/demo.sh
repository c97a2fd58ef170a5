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
rm -rf "$demo" "$WINEPREFIX/drive_c/Fennory Versions"
mkdir -p "$demo/Quarterly Reports"
printf 'Quarterly report, first draft\r\n' > "$demo/Quarterly Reports/Report for the board.doc"
printf 'notes\r\n' > "$demo/notes.txt"
bin=build/x64/bin
settings='HKLM\Software\Zentrik\Fennory\Settings'

doc="C:\\Fennory Demo\\Quarterly Reports\\Report for the board.doc"
fydemo() { wine "$bin/fydemo.exe" "$@"; }

echo "== No settings: archives lie beside their files"
wine reg delete "$settings" /f >/dev/null 2>&1 || true
fydemo show "$doc" "C:\\Fennory Demo\\notes.txt"

echo
echo "== A central versions folder, and .txt files excluded"
wine reg add "$settings" /v VersionsPath /d 'C:\Fennory Versions\' /f >/dev/null
wine reg add "$settings" /v VersionExclude /d 'txt,tmp' /f >/dev/null
wine reg add "$settings" /v EnableVersionControl /t REG_DWORD /d 1 /f >/dev/null
wine reg add "$settings" /v MaxTempVersions /t REG_DWORD /d 3 /f >/dev/null
fydemo show "$doc" "C:\\Fennory Demo\\notes.txt"

echo
echo "== Saving versions as the report grows (cap of 3 temporary versions)"
fydemo save "$doc" "" 1    # a new archive's first version carries no comment
for n in 2 3 4 5; do
    printf 'Section %d: figures for the board\r\n' "$n" >> "$demo/Quarterly Reports/Report for the board.doc"
    fydemo save "$doc" "Added section $n"
done
fydemo save "$doc" "Unchanged, so refused" || true
fydemo list "$doc"

echo
echo "== The permanent first draft comes back byte for byte"
fydemo retrieve "$doc" 1 "C:\\Fennory Demo\\first draft.doc"
if cmp -s "$demo/first draft.doc" <(printf 'Quarterly report, first draft\r\n'); then
    echo "first draft.doc matches the text saved as version 1"
else
    echo "first draft.doc differs from version 1" >&2
    exit 1
fi
wine reg delete "$settings" /f >/dev/null 2>&1 || true
