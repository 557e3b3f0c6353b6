#!/bin/sh
# Installs what is missing (test tools included), builds the game and its Windows release,
# and runs every test with CTest, under a virtual X display when there is none. Failures
# are printed in full.
set -eu
cd "$(dirname "$0")"
./setup.sh test
# The Windows release and the web page, which the end-to-end tests play under Wine and
# in Chromium.
dist/windows/build.sh
dist/web/build.sh
cd build
if [ -n "${DISPLAY:-}" ]; then
    ctest --output-on-failure -j2 "$@"
else
    xvfb-run -a -s "-screen 0 640x480x24" ctest --output-on-failure -j2 "$@"
fi
# The unit tests of the Windows build, under Wine, on a screen with room for their
# 640x480 window and its frame.
xvfb-run -a -s "-screen 0 1024x768x24" ctest --test-dir ../build-windows/game --output-on-failure "$@"
# The unit tests of the web build, in headless Chromium.
ctest --test-dir ../build-web/game --output-on-failure "$@"
# The same tests again with AddressSanitizer + UndefinedBehaviorSanitizer, then ThreadSanitizer.
../tests/stress/sanitized_tests.sh "$@"
