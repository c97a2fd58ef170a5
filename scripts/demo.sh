#!/usr/bin/env bash
# Sets up, builds, and shows Fennory at work under Wine through its command
# line fy.exe: the settings in force, where archives go, saving, listing,
# comparing and taking back versions.
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
fy() { wine "$bin/fy.exe" "$@"; }

echo "== No settings: archives lie beside their files"
wine reg delete "$settings" /f >/dev/null 2>&1 || true
fy settings
fy info "$doc"

echo
echo "== A central versions folder, and .txt files excluded"
wine reg add "$settings" /v VersionsPath /d 'C:\Fennory Versions\' /f >/dev/null
wine reg add "$settings" /v VersionExclude /d 'txt,tmp' /f >/dev/null
wine reg add "$settings" /v EnableVersionControl /t REG_DWORD /d 1 /f >/dev/null
wine reg add "$settings" /v MaxTempVersions /t REG_DWORD /d 3 /f >/dev/null
fy settings
fy info "$doc"

echo
echo "== Saving versions as the report grows (cap of 3 temporary versions)"
fy save "$doc" -m "First draft" -p   # a new archive's first version carries no comment
for n in 2 3 4 5; do
    printf 'Section %d: figures for the board\r\n' "$n" >> "$demo/Quarterly Reports/Report for the board.doc"
    fy save "$doc" -m "Added section $n"
done
fy save "$doc" -m "Unchanged, so refused" || true
fy log "$doc"
fy info "$doc"

echo
echo "== What changed since the first draft"
fy diff "$doc" 1 0 || true

echo
echo "== The permanent first draft comes back byte for byte"
fy cat "$doc" 1 > "$demo/first draft.doc"
if cmp -s "$demo/first draft.doc" <(printf 'Quarterly report, first draft\r\n'); then
    echo "first draft.doc matches the text saved as version 1"
else
    echo "first draft.doc differs from version 1" >&2
    exit 1
fi
wine reg delete "$settings" /f >/dev/null 2>&1 || true
