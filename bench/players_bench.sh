#!/usr/bin/env bash
# The players' benchmark (bench/players_bench.cpp) on an X display of its own (Xvfb and
# openbox, a fresh HOME): click on a song to its first picture, CPU while playing and memory
# over 20 plays, each against gst-play-1.0 on the same clip. Prints every round and the
# medians; see docs/performance.md. Installs gst-play-1.0 and its X video sink if missing.
#
#   bench/players_bench.sh [build tree] [Qt Test arguments...]
#   bench/players_bench.sh                                   # everything, build/dev
#   bench/players_bench.sh build/dev cpuWhilePlaying         # one part
#
# The build tree is the developer's (cmake --preset dev && cmake --build --preset dev).
set -euo pipefail
source "$(dirname "$0")/../scripts/lib/common.sh"

ensure_packages gstreamer1.0-plugins-base-apps gstreamer1.0-x

tree="$REPO_ROOT/build/dev"
if [ "$#" -gt 0 ] && [ -d "$1" ]; then
    tree="$(cd "$1" && pwd)"
    shift
fi
binary="$tree/bench/lorvex_players_bench"
if [ ! -x "$binary" ]; then
    echo "no benchmark at $binary: cmake --preset dev && cmake --build --preset dev" >&2
    exit 2
fi
exec "$REPO_ROOT/scripts/with-display" "$binary" "$@"
