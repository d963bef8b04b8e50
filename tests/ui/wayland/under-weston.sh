#!/bin/sh
# Runs a test program as a client of a real Wayland compositor: Weston with its X11
# backend, filling an X display of its own (Xvfb, no window manager), so that xdotool's
# real X input reaches the compositor and the screen can be read back from the X server.
# The program gets that X display too. Exits 77 (skipped) without weston or Xvfb.
set -eu
if ! command -v weston >/dev/null 2>&1 || ! command -v Xvfb >/dev/null 2>&1; then
    echo "needs weston and Xvfb" >&2
    exit 77
fi
runtime="$(mktemp -d)"
chmod 700 "$runtime"
cleanup() {
    [ -n "${weston_pid:-}" ] && kill "$weston_pid" 2>/dev/null || true
    [ -n "${xvfb_pid:-}" ] && kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$runtime"
}
trap cleanup EXIT
# Whole multiples of the deadlines; a scale below one leaves them as they are.
scale="${LORVEX_TEST_DEADLINE_SCALE:-1}"
scale="${scale%%.*}"
[ "${scale:-0}" -ge 1 ] 2>/dev/null || scale=1
# Waits, a tenth of a second at a time, until the command succeeds; fails after 10 s
# (scaled) or once the process `pid` has ended.
wait_for() {
    pid="$1"
    shift
    tries=0
    until "$@"; do
        tries=$((tries + 1))
        if [ "$tries" -gt $((100 * scale)) ] || ! kill -0 "$pid" 2>/dev/null; then return 1; fi
        sleep 0.1
    done
}

Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$runtime/display" >/dev/null 2>&1 &
xvfb_pid=$!
if ! wait_for "$xvfb_pid" test -s "$runtime/display"; then
    echo "Xvfb did not start" >&2
    exit 1
fi
DISPLAY=":$(tr -d '\n' <"$runtime/display")"
export DISPLAY
# A plain background of a known colour, no panel, nothing that locks or blanks the screen.
cat >"$runtime/weston.ini" <<'INI'
[core]
idle-time=0
[shell]
background-color=0xff204060
panel-position=none
locking=false
animation=none
close-animation=none
startup-animation=none
focus-animation=none
INI
# The output lies at the X screen's origin: X and Wayland coordinates are the same.
XDG_RUNTIME_DIR="$runtime" weston --backend=x11-backend.so --use-pixman --width=1024 \
    --height=768 --socket=wayland-test --config="$runtime/weston.ini" \
    >"$runtime/weston.log" 2>&1 &
weston_pid=$!
if ! wait_for "$weston_pid" test -S "$runtime/wayland-test"; then
    echo "weston did not start:" >&2
    cat "$runtime/weston.log" >&2
    exit 1
fi
# Weston follows the pointer once it has seen it enter its window: the pointer starts
# outside the output and moves in once the window is shown.
xdotool mousemove 1200 1000
weston_shown() {
    xwininfo -name "Weston Compositor - screen0" 2>/dev/null | grep -q IsViewable
}
if ! wait_for "$weston_pid" weston_shown; then
    echo "weston's window did not appear" >&2
    exit 1
fi
xdotool mousemove 512 384
export XDG_RUNTIME_DIR="$runtime" WAYLAND_DISPLAY=wayland-test QT_QPA_PLATFORM=wayland
status=0
"$@" || status=$?
exit "$status"
