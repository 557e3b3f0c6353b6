#!/bin/sh
# Builds the game and its tests twice more and runs them: with AddressSanitizer and
# UndefinedBehaviorSanitizer in build-asan (every test but the memcheck session, the
# install tests and those of the Windows release and the web page, the end-to-end ones against the sanitized
# game), and with ThreadSanitizer in build-tsan (the unit tests and the tests of the match
# clock). Any report fails the run.
# Usage: tests/stress/sanitized_tests.sh [ctest options for the build-asan run]
set -eu
cd "$(dirname "$0")/../.."
root=$(pwd)

# The unit tests need an X display; the end-to-end ones start their own.
if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 640x480x24" "$root/tests/stress/sanitized_tests.sh" "$@"
fi

supp=$root/tests/stress
jobs=$(nproc)

# Reports go to files as well as ending the process with a code of their own (86 ASan,
# 87 UBSan, 88 TSan), so that a report from a process whose end no test waited for is
# still seen. The folder is open to all: one malformed-data start runs as nobody.
logs=$(mktemp -d "${TMPDIR:-/tmp}/tabrivet-sanitizers.XXXXXX")
chmod 1777 "$logs"
trap 'rm -rf "$logs"' EXIT

# Fails with the reports if any process wrote one.
check_logs() {
    if [ -n "$(ls -A "$logs")" ]; then
        echo "Sanitizer reports ($1):"
        for f in "$logs"/*; do
            echo "== $f"
            cat "$f"
        done
        exit 1
    fi
}

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTABRIVET_SANITIZE=address,undefined
cmake --build build-asan -j"$jobs"
(
    cd build-asan
    ASAN_OPTIONS="exitcode=86:fast_unwind_on_malloc=0:detect_stack_use_after_return=1:check_initialization_order=1:log_path=$logs/asan" \
    LSAN_OPTIONS="suppressions=$supp/lsan.supp:print_suppressions=0" \
    UBSAN_OPTIONS="exitcode=87:halt_on_error=1:print_stacktrace=1:log_path=$logs/ubsan" \
        ctest --output-on-failure -j2 -LE 'install|windows|web' "$@"
)
check_logs "AddressSanitizer, UndefinedBehaviorSanitizer"

cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTABRIVET_SANITIZE=thread
cmake --build build-tsan -j"$jobs"
(
    cd build-tsan
    export TSAN_OPTIONS="exitcode=88:halt_on_error=1:suppressions=$supp/tsan.supp:log_path=$logs/tsan"
    ctest --output-on-failure -j2 -L 'unit|clock'
    ctest --output-on-failure -R '^e2e_pause$'
)
check_logs "ThreadSanitizer"
