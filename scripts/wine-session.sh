# Sourced by the scripts that run Windows programs: starts one Xvfb and one
# persistent wineserver for a private prefix under a build folder, and stops
# exactly those two processes, by PID, when the calling script exits.
#
#   source scripts/wine-session.sh BUILD_DIR

wine_build=$(cd "${1:?wine-session: build folder}" && pwd)

export WINEPREFIX="$wine_build/wineprefix"
export WINEARCH=win64
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="

wine_xvfb_pid=
wine_server_pid=
wine_small_disk=
# The PDF printer's output folder: tests read printed jobs back from here.
export FY_PDF_DIR=${FY_PDF_DIR:-/tmp/fy-pdf}

wine_session_stop() {
    # Runs on exit, also under `set -e`: no step here may end it early, and
    # the caller's exit status stays what it was.
    local status=$?
    if [ -n "$wine_server_pid" ]; then
        # The prefix is ours alone: end every Windows process of this server
        # (the system processes wineboot started, and anything a test left),
        # then the server itself.
        timeout 30 wineserver -k 2>/dev/null || true
        kill "$wine_server_pid" 2>/dev/null || true
        wait "$wine_server_pid" 2>/dev/null || true
        wine_server_pid=
    fi
    if [ -n "$wine_xvfb_pid" ]; then
        kill "$wine_xvfb_pid" 2>/dev/null || true
        wait "$wine_xvfb_pid" 2>/dev/null || true
        wine_xvfb_pid=
    fi
    if [ -n "$wine_small_disk" ]; then
        umount "$wine_small_disk" 2>/dev/null || true
        wine_small_disk=
    fi
    wine_printer_stop
    return $status
}
trap wine_session_stop EXIT
trap 'exit 130' INT TERM

# A real printer for Wine: CUPS with the PDF back end, as the printer "PDF".
# Wine reads the CUPS printers at every process start and drops them from the
# prefix when the scheduler is down, so it must run before any Wine process.
# One scheduler serves every test session on the machine: each session signs
# in under $wine_cups_dir, a scheduler that already runs is used as it is, and
# the scheduler one of our sessions started is stopped by the last to leave.
wine_cups_dir=/tmp/fy-cups.d
wine_printer_start() {
    command -v cupsd >/dev/null || { echo "wine-session: cupsd is not installed (scripts/setup.sh)" >&2; return 1; }
    mkdir -p "$FY_PDF_DIR" "$wine_cups_dir"
    chmod 1777 "$FY_PDF_DIR"
    touch "$wine_cups_dir/session.$$"
    if ! lpstat -r 2>/dev/null | grep -q "is running"; then
        cupsd -f >"$wine_build/cupsd.log" 2>&1 &
        echo $! >"$wine_cups_dir/cupsd.pid"
        local _
        for _ in $(seq 100); do
            lpstat -r 2>/dev/null | grep -q "is running" && break
            sleep 0.1
        done
        lpstat -r 2>/dev/null | grep -q "is running" || { echo "wine-session: cupsd did not start" >&2; return 1; }
    fi
    printf 'Out %s\nAnonDirName %s\n' "$FY_PDF_DIR" "$FY_PDF_DIR" >/etc/cups/cups-pdf-PDF.conf
    if ! lpstat -p PDF >/dev/null 2>&1; then
        lpadmin -p PDF -v cups-pdf:/PDF -m lsb/usr/cups-pdf/CUPS-PDF_opt.ppd -o TitlePref=1 -E >/dev/null 2>&1 ||
            { echo "wine-session: could not add the PDF printer" >&2; return 1; }
    fi
    lpadmin -d PDF
}

wine_printer_stop() {
    [ -e "$wine_cups_dir/session.$$" ] || return 0
    rm -f "$wine_cups_dir/session.$$"
    local f others=0
    for f in "$wine_cups_dir"/session.*; do
        [ -e "$f" ] || continue
        if kill -0 "${f##*.}" 2>/dev/null; then others=1; else rm -f "$f"; fi
    done
    if [ "$others" = 0 ] && [ -f "$wine_cups_dir/cupsd.pid" ]; then
        kill "$(cat "$wine_cups_dir/cupsd.pid")" 2>/dev/null || true
        rm -f "$wine_cups_dir/cupsd.pid"
    fi
    return 0
}

# A small disk of its own (a 1 MiB tmpfs) for the tests of a full disk.
wine_small_disk_start() {
    local dir="$wine_build/small-disk"
    mkdir -p "$dir"
    mountpoint -q "$dir" && umount "$dir"
    mount -t tmpfs -o size=1m fytmp "$dir" || { echo "wine-session: cannot mount a small disk at $dir" >&2; return 1; }
    wine_small_disk=$dir
    export FY_SMALL_DISK=$dir
}

wine_session_start() {
    # FY_USE_DISPLAY=1 with DISPLAY set: the windows go to the user's own
    # display, and no Xvfb is started.
    if [ -n "${FY_USE_DISPLAY:-}" ] && [ -n "${DISPLAY:-}" ]; then
        wine_prefix_start
        return
    fi
    # A display number nobody uses.
    local display= n
    for n in $(seq 91 160); do
        if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then
            display=$n
            break
        fi
    done
    [ -n "$display" ] || { echo "wine-session: no free X display" >&2; return 1; }

    Xvfb ":$display" -screen 0 1280x1024x24 -nolisten tcp >"$wine_build/xvfb.log" 2>&1 &
    wine_xvfb_pid=$!
    for _ in $(seq 100); do
        [ -e "/tmp/.X11-unix/X$display" ] && break
        if ! kill -0 "$wine_xvfb_pid" 2>/dev/null; then
            echo "wine-session: Xvfb did not start" >&2
            cat "$wine_build/xvfb.log" >&2
            return 1
        fi
        sleep 0.1
    done
    export DISPLAY=":$display"
    wine_prefix_start
}

wine_prefix_start() {
    wine_printer_start || return 1
    wine_small_disk_start || return 1

    mkdir -p "$WINEPREFIX"
    wineserver -p -f >"$wine_build/wineserver.log" 2>&1 &
    wine_server_pid=$!

    # Start the prefix's system processes (services, devices, the desktop) now,
    # with their output going to a log: started later by a test, they would hold
    # ctest's output pipe open after the test ends.
    [ -f "$WINEPREFIX/system.reg" ] || echo "wine-session: making a new Wine prefix in $WINEPREFIX"
    if ! timeout 300 wineboot </dev/null >"$wine_build/wineboot.log" 2>&1; then
        echo "wine-session: wineboot failed" >&2
        cat "$wine_build/wineboot.log" >&2
        return 1
    fi

    # No window manager runs on Xvfb: let Wine's windows be unmanaged, or each
    # window that closes waits two seconds for a manager that never answers.
    # A user's own display has a manager; its windows stay managed.
    local managed=N
    [ -n "${FY_USE_DISPLAY:-}" ] && managed=Y
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d "$managed" /f </dev/null >>"$wine_build/wineboot.log" 2>&1
}
