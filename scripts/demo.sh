#!/usr/bin/env bash
# The main job, shown under Wine: builds Fennory, installs it with
# FennorySetup.exe into a fresh Wine prefix, makes a sample folder with a
# document that has a few versions (saved with the installed fy.exe), and
# opens the shell's file browser there.
#
# With a display of your own (DISPLAY set), the browser opens on it: select
# the document, right-click, Properties, and the "Fennory (TM)" tab lists its
# versions. Without one, everything runs under Xvfb and a screenshot of the
# document's version history is saved as build/x64/demo/history.png.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
"$here/setup.sh"
cd "$here/.."
[ -f build/x64/build.ninja ] || cmake -S . -B build/x64 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake
cmake --build build/x64 -j "$(nproc)" --target fennory_setup

demo=build/x64/demo
rm -rf "$demo"
mkdir -p "$demo"
if [ -n "${DISPLAY:-}" ] && xwininfo -root >/dev/null 2>&1; then
    export FY_USE_DISPLAY=1
fi
source "$here/wine-session.sh" "$demo"
wine_session_start

echo "== Installing Fennory into a fresh prefix ($WINEPREFIX)"
wine build/x64/bin/FennorySetup.exe /S
fy() { wine "C:\\Program Files\\Fennory\\fy.exe" "$@"; }
fy settings

echo
echo "== A sample folder with a document that has a few versions"
sample="$WINEPREFIX/drive_c/Fennory Demo"
mkdir -p "$sample"
file="$sample/Report for the board.txt"
doc="C:\\Fennory Demo\\Report for the board.txt"
comments=("First draft" "Figures for the first quarter" "Figures checked by the auditors")
for n in 1 2 3; do
    printf 'Section %d: figures for the board\r\n' "$n" >> "$file"
    touch -d "2026-01-0$n 10:00" "$file"   # each change newer than the last version
    fy save "$doc" -m "${comments[n - 1]}"
done
fy log "$doc"
fy diff "$doc" 1 0 || true

echo
if [ -n "${FY_USE_DISPLAY:-}" ]; then
    echo "== The shell's file browser on your display: select the report, right-click,"
    echo "   Properties, then the \"Fennory (TM)\" tab. Close the browser to end the demo."
    wine explorer /root,"C:\\Fennory Demo"
else
    echo "== No display of your own: the browser and the version history under Xvfb"
    wine explorer /root,"C:\\Fennory Demo" >/dev/null 2>&1 &
    fy history "$doc" >/dev/null 2>&1 &
    history_pid=$!
    for _ in $(seq 150); do
        xwininfo -root -tree 2>/dev/null | grep -q '"Version History - Report for the board.txt"' && break
        sleep 0.2
    done
    sleep 1   # let the list paint
    import -window root "$demo/history.png"
    echo "screenshot of the History tab: $demo/history.png"
    kill "$history_pid" 2>/dev/null || true
fi
