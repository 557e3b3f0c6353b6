#!/bin/sh
# Shared set-up of ./play.sh and ./test.sh: installs the Debian packages that are missing
# (through sudo when not root), then configures and builds the game, its data file and
# patch set in build/. Usage: ./setup.sh [play|test]
set -eu
cd "$(dirname "$0")"

# What building and playing need.
play_packages="build-essential cmake pkg-config liballegro4-dev freepats"
# What the tests need on top, the Windows release's cross compilers and Wine and the web
# page's Emscripten and the three browser engines it is played in (Chromium, Firefox and
# WebKitGTK, with a PulseAudio server to hear them) among them.
test_packages="libgtest-dev xvfb xauth xdotool x11-apps x11-utils x11-xserver-utils sox
    python3 desktop-file-utils appstream dpkg-dev groff-base man-db bsdextrautils file
    valgrind weston xwayland lintian openbox wmctrl
    googletest g++-mingw-w64-x86-64-posix mingw-w64-tools wine64
    emscripten chromium chromium-driver python3-selenium python3-pil python3-wsproto
    firefox-esr webkit2gtk-driver gstreamer1.0-pulseaudio pulseaudio pulseaudio-utils"

packages=$play_packages
[ "${1:-play}" = test ] && packages="$packages $test_packages"

missing=""
for p in $packages; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
    echo "Installing:$missing"
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get update -q
    # shellcheck disable=SC2086
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends $missing
fi

cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
cmake --build build -j"$(nproc)"
