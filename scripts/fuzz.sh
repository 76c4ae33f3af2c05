#!/usr/bin/env bash
# Installs what is missing, builds the libFuzzer programs of fuzz/ with clang
# in build-fuzz/ and runs each for SECONDS (default 30), two at a time, on a
# copy of its seeds in tests/fuzz/<target>/, which stay as they are.
# Usage: scripts/fuzz.sh [SECONDS]
# A crash, leak, hang, memory blow-up or sanitizer report fails the run, naming
# the target and the input that did it, kept in build-fuzz/fuzz-runs/<target>/.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/prepare-build.sh"

seconds="${1:-30}"
if ! [[ "$seconds" =~ ^[1-9][0-9]*$ ]]; then
    echo "usage: scripts/fuzz.sh [SECONDS]" >&2
    exit 2
fi

build_dir="$repo_dir/build-fuzz"
runs_dir="$build_dir/fuzz-runs"
targets=(archive checkpoint csv_log config options)

install_missing_packages "${build_packages[@]}" clang libclang-rt-14-dev
build_release "$build_dir" -DCMAKE_CXX_COMPILER=clang++ -DCOEVOLIFE_FUZZ=ON

# run_target TARGET: fuzzes it in runs_dir/TARGET/, leaving there its log,
# its grown corpus, any reproducer and its exit status.
run_target() {
    local target="$1"
    local dir="$runs_dir/$target"
    rm -rf "$dir"
    mkdir -p "$dir"
    cp -r "$repo_dir/tests/fuzz/$target" "$dir/corpus"
    local options=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048
                   -print_final_stats=1 -artifact_prefix="$dir/")
    if [ -f "$repo_dir/fuzz/$target.dict" ]; then
        options+=(-dict="$repo_dir/fuzz/$target.dict")
    fi
    local status=0
    UBSAN_OPTIONS="print_stacktrace=1:${UBSAN_OPTIONS:-}" \
        "$build_dir/fuzz/fuzz_$target" "${options[@]}" "$dir/corpus" >"$dir/log" 2>&1 ||
        status=$?
    echo "$status" >"$dir/status"
}

mkdir -p "$runs_dir"
echo "Fuzzing ${targets[*]} for $seconds s each, two at a time"
for target in "${targets[@]}"; do
    while [ "$(jobs -rp | wc -l)" -ge 2 ]; do
        wait -n || true
    done
    run_target "$target" &
done
wait

failed=0
for target in "${targets[@]}"; do
    dir="$runs_dir/$target"
    if [ "$(cat "$dir/status")" -ne 0 ]; then
        failed=1
        echo "fuzz_$target FAILED (exit status $(cat "$dir/status")); its log: $dir/log"
        grep -E 'ERROR: |runtime error|SUMMARY: |ALARM: |out-of-memory' "$dir/log" | head -n 5 || true
        for input in "$dir"/crash-* "$dir"/leak-* "$dir"/timeout-* "$dir"/oom-*; do
            if [ -e "$input" ]; then
                echo "  reproducer: $input (again: $build_dir/fuzz/fuzz_$target $input)"
            fi
        done
        continue
    fi
    # The last status line, "#N DONE cov: C ft: F corp: ...".
    done_line="$(grep -E '^#[0-9]+.*DONE' "$dir/log" | tail -n 1)"
    printf '%-11s %7s exec/s  cov %5s  ft %6s  corpus %s\n' "$target" \
        "$(sed -n 's/^stat::average_exec_per_sec: *//p' "$dir/log")" \
        "$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$done_line")" \
        "$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$done_line")" \
        "$(sed -n 's/.* corp: \([^ ]*\).*/\1/p' <<<"$done_line")"
done
exit "$failed"
