#!/usr/bin/env bash
# Installs what is missing, builds in Release and runs every test.
# Usage: scripts/test.sh [--asan | --tsan]
#   (none)   build/        the plain Release build
#   --asan   build-asan/   AddressSanitizer + UndefinedBehaviorSanitizer
#   --tsan   build-tsan/   ThreadSanitizer (Qt's own code suppressed only), the
#                          tests of code with threads
# Any sanitizer report fails the run.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/prepare-build.sh"

build_dir="$repo_dir/build"
cmake_options=()
run_options=()
case "${1:-}" in
    "") ;;
    --asan)
        build_dir="$repo_dir/build-asan"
        cmake_options=(-DCOEVOLIFE_SANITIZE=address,undefined -DCOEVOLIFE_BENCHMARKS=OFF)
        run_options=(ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:${ASAN_OPTIONS:-}"
                     UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:${UBSAN_OPTIONS:-}")
        ;;
    --tsan)
        build_dir="$repo_dir/build-tsan"
        cmake_options=(-DCOEVOLIFE_SANITIZE=thread -DCOEVOLIFE_BENCHMARKS=OFF
                       -DCOEVOLIFE_THREADED_TESTS_ONLY=ON)
        # Without GLib, Qt uses its own event dispatcher, whose allocator
        # traffic the suppressions cover; GLib's is not ours to check.
        # QProcess forks the programs under test from a threaded process and
        # execs them at once, which die_after_fork=0 allows.
        run_options=(QT_NO_GLIB=1 TSAN_OPTIONS="halt_on_error=1:die_after_fork=0:second_deadlock_stack=1:suppressions=$repo_dir/scripts/tsan-qt.supp:${TSAN_OPTIONS:-}")
        # The image generators the build runs are not under test here.
        export TSAN_OPTIONS="report_bugs=0"
        ;;
    *)
        echo "usage: scripts/test.sh [--asan | --tsan]" >&2
        exit 2
        ;;
esac

install_missing_packages "${build_packages[@]}"
build_release "$build_dir" "${cmake_options[@]}"
if [ ${#cmake_options[@]} -gt 0 ]; then
    # Sanitized threads start slowly: a shorter soak and no whole runs of 100
    # generations here; the plain build runs those in full.
    run_options+=(COEVOLIFE_SOAK_KEYS="${COEVOLIFE_SOAK_KEYS:-400}" COEVOLIFE_SKIP_LONG_TESTS=1)
fi
# Two tests at a time, sanitized or not: every wait in the tests allows
# minutes, ample for two sanitized tests sharing two cores.
env "${run_options[@]}" ctest --test-dir "$build_dir" --output-on-failure -j 2
