#!/usr/bin/env bash
# Times a second copy of the client while a first copy runs:
#   to box  - from starting the second copy to its message box being mapped (target 300 ms)
#   to exit - from pressing OK (Return) to the second copy having ended (target 100 ms)
# and prints the median of each over the runs.
#
# Usage: bench/second_copy_bench.sh [path/to/lorvex] [runs]   (default: the client of the
# preset "bench", build/bench/src/lorvex)
# Needs a running X display with a window manager (DISPLAY) and xdotool. The copies get a
# fresh HOME and XDG_RUNTIME_DIR, so a client the user is running is not involved. The
# first copy needs no portal: the second copy never gets as far as loading a page.
# Times are taken by polling xdotool, so each includes a few milliseconds of polling.
set -euo pipefail

binary=${1:-build/bench/src/lorvex}
runs=${2:-10}

[[ -n "${DISPLAY:-}" ]] || { echo "DISPLAY is not set" >&2; exit 2; }
[[ -x "$binary" ]] || { echo "no client at $binary" >&2; exit 2; }
command -v xdotool >/dev/null || { echo "xdotool is missing" >&2; exit 2; }

scratch=$(mktemp -d)
chmod 700 "$scratch"
mkdir -m 700 "$scratch/home" "$scratch/run"
export HOME="$scratch/home" XDG_RUNTIME_DIR="$scratch/run"
if [[ $(id -u) == 0 ]]; then export QTWEBENGINE_DISABLE_SANDBOX=1; fi

first=
cleanup() {
    if [[ -n "$first" ]]; then
        kill "$first" 2>/dev/null || true
        wait "$first" 2>/dev/null || true
    fi
    xdotool keyup Return 2>/dev/null || true
    rm -rf "$scratch"
}
trap cleanup EXIT

now_ns() { date +%s%N; }

# Prints the first viewable window of a process, or nothing.
visible_window() { { xdotool search --onlyvisible --pid "$1" 2>/dev/null || true; } | head -n 1; }

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

"$binary" >"$scratch/first.log" 2>&1 &
first=$!
for _ in $(seq 200); do
    [[ -n "$(visible_window "$first")" ]] && break
    sleep 0.1
done
[[ -n "$(visible_window "$first")" ]] || { echo "the first copy shows no window" >&2; exit 1; }
sleep 2  # let the first copy settle

to_box=()
to_exit=()
for run in $(seq "$runs"); do
    start=$(now_ns)
    "$binary" >"$scratch/second.log" 2>&1 &
    second=$!
    box=
    while [[ -z "$box" ]]; do
        box=$(visible_window "$second")
        if [[ -z "$box" ]] && ! kill -0 "$second" 2>/dev/null; then
            echo "run $run: the second copy ended without a box" >&2
            exit 1
        fi
    done
    shown=$(now_ns)
    # Return goes to the focused window: wait until that is the box.
    for _ in $(seq 300); do
        [[ "$(xdotool getactivewindow 2>/dev/null)" == "$box" ]] && break
        sleep 0.01
    done
    pressed=$(now_ns)
    xdotool key Return
    status=0
    wait "$second" || status=$?
    ended=$(now_ns)
    [[ $status == 0 ]] || { echo "run $run: the second copy ended with $status" >&2; exit 1; }
    to_box+=($(((shown - start) / 1000000)))
    to_exit+=($(((ended - pressed) / 1000000)))
    echo "run $run: to box ${to_box[-1]} ms, to exit ${to_exit[-1]} ms"
done

echo "median over $runs runs: to box $(printf '%s\n' "${to_box[@]}" | median) ms," \
    "to exit $(printf '%s\n' "${to_exit[@]}" | median) ms"
