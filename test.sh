#!/bin/sh
# Installs what is missing (test tools included), builds, and runs every test with CTest,
# under a virtual X display when there is none. Failures are printed in full.
set -eu
cd "$(dirname "$0")"
./setup.sh test
cd build
if [ -n "${DISPLAY:-}" ]; then
    ctest --output-on-failure -j2 "$@"
else
    xvfb-run -a -s "-screen 0 640x480x24" ctest --output-on-failure -j2 "$@"
fi
# The same tests again with AddressSanitizer + UndefinedBehaviorSanitizer, then ThreadSanitizer.
../tests/stress/sanitized_tests.sh "$@"
