# Shared by the scripts: package installation, the builds (one preset of CMakePresets.json
# each), and a virtual display with a window manager.

REPO_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"

# Packages to build and run the client and the demo portal (ffmpeg makes the demo portal's
# clips at build time). The portal's Windows Media and RealMedia clips play through Qt
# Multimedia's GStreamer backend: libav decodes WMV2/WMAv2 and RV20, plugins-ugly reads
# ASF and RealMedia files, plugins-good fetches over HTTP, plugins-base plays.
RUN_PACKAGES=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev libglib2.0-dev qt6-webengine-dev qt6-httpserver-dev qt6-websockets-dev libxcb1-dev
    libgl1-mesa-dri fonts-wqy-zenhei qt6-translations-l10n ffmpeg
    qt6-multimedia-dev gstreamer1.0-plugins-base gstreamer1.0-plugins-good
    gstreamer1.0-plugins-ugly gstreamer1.0-libav
)
# Further packages for the tests and benchmarks (gst-play-1.0 and its X video sink: the
# players' benchmark).
TEST_PACKAGES=(
    libgtest-dev libgmock-dev libbenchmark-dev
    xvfb xauth openbox xdotool x11-utils clang-format stress-ng
    dpkg-dev desktop-file-utils appstream systemd
    weston qt6-wayland ffmpeg python3-pyatspi at-spi2-core dbus-daemon playerctl
    libglib2.0-bin gstreamer1.0-plugins-base-apps gstreamer1.0-x
)

# What the hardening checks add: clang with its sanitizer and fuzzer runtimes, clang-tidy,
# the MinGW-w64 cross compiler, wine, and GoogleTest's sources for the Windows build.
HARDENING_PACKAGES=(clang libclang-rt-dev clang-tidy g++-mingw-w64-x86-64 wine64 googletest)

log() { printf '== %s\n' "$*"; }

# Installs the named Debian packages that are missing (apt-get update first).
ensure_packages() {
    local missing=()
    local package
    for package in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$package")
        fi
    done
    if [ "${#missing[@]}" -eq 0 ]; then
        return 0
    fi
    log "installing: ${missing[*]}"
    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then sudo=(sudo); fi
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq "${missing[@]}" >/dev/null
}

# build_preset PRESET [cmake options...]: configures the preset of CMakePresets.json (its
# tree is build/PRESET) with the extra options, then builds it.
build_preset() {
    local preset="$1"
    shift
    (
        cd "$REPO_ROOT"
        cmake --preset "$preset" "$@" >/dev/null
        cmake --build --preset "$preset" -j "$(nproc)"
    )
}

# Starts Xvfb on a free display and openbox on it; exports DISPLAY. Both end with the
# calling script (see stop_display).
start_display() {
    local displayfd_file
    displayfd_file="$(mktemp)"
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$displayfd_file" >/dev/null 2>&1 &
    XVFB_PID=$!
    # Several displays may be starting at once (scripts/with-display) on a busy machine.
    local tries=0
    while [ ! -s "$displayfd_file" ] && [ $tries -lt 300 ]; do
        sleep 0.1
        tries=$((tries + 1))
    done
    local display
    display="$(tr -d '\n' <"$displayfd_file")"
    rm -f "$displayfd_file"
    if [ -z "$display" ]; then
        echo "Xvfb did not start" >&2
        return 1
    fi
    export DISPLAY=":$display"
    openbox >/dev/null 2>&1 &
    OPENBOX_PID=$!
    # The window manager is ready once it has announced itself on the root window.
    tries=0
    until xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; do
        sleep 0.1
        tries=$((tries + 1))
        if [ $tries -ge 300 ]; then
            echo "openbox did not start on $DISPLAY" >&2
            return 1
        fi
    done
    log "display $DISPLAY with openbox"
}

stop_display() {
    [ -n "${OPENBOX_PID:-}" ] && kill "$OPENBOX_PID" 2>/dev/null || true
    [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null || true
}

# Chromium's sandbox cannot run as root; only then is it switched off.
sandbox_for_root() {
    if [ "$(id -u)" -eq 0 ]; then
        export QTWEBENGINE_DISABLE_SANDBOX=1
    fi
}
