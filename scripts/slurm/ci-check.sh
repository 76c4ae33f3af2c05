#!/usr/bin/env bash
# Brings up a one-machine Slurm cluster, runs seeds 1 and 2 of two conditions
# (hall of fame 0 and 1) for 20 generations, a job array per condition plus
# the summary job waiting on it, checks what they wrote and stops the daemons
# again. Needs root (see single-node.sh).
# Usage: scripts/slurm/ci-check.sh [BUILD_DIR]   (default: build)
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
build="$(cd "${1:-$here/../../build}" && pwd)"
batch="${COEVOLIFE_BATCH:-$build/batch/coevolife-batch}"
analyze="$build/analyze/coevolife-analyze"
generations=20
started="$(date +%s.%N)"

state="$(mktemp -d /tmp/coevolife-slurm.XXXXXX)"
out="$state/sweep"
passed=false
stop() {
    "$here/single-node.sh" stop "$state"
    if "$passed"; then rm -rf "$state"; else echo "ci-check.sh: logs kept in $state" >&2; fi
    echo "ci-check.sh: daemons stopped; $(awk -v s="$started" -v e="$(date +%s.%N)" \
        'BEGIN { printf "%.1f", e - s }') s in all"
}
trap stop EXIT
fail() {
    echo "ci-check.sh: FAIL: $*" >&2
    for log in "$out"/slurm-*.out; do
        [ -f "$log" ] && { echo "--- $log" >&2; cat "$log" >&2; }
    done
    exit 1
}

"$here/single-node.sh" start "$state"
export SLURM_CONF="$state/slurm.conf"
submitted="$("$here/submit-sweep.sh" -g "$generations" --batch "$batch" --analyze "$analyze" \
    --set evaluation.hall_of_fame=0,1 1 2 "$out")"
echo "$submitted"
[ "$(grep -c 'seeds: job array' <<<"$submitted")" -eq 2 ] || fail "not one job array per condition"

job_state() {
    scontrol show job "$1" | grep -o 'JobState=[A-Z_]*' | head -n 1 | cut -d= -f2
}
while read -r line; do
    summary="${line##* }"
    array="${line#*job array }"
    array="${array%%;*}"
    for _ in $(seq 1 600); do
        case "$(job_state "$summary")" in
            PENDING | RUNNING | CONFIGURING | COMPLETING) sleep 0.5 ;;
            *) break ;;
        esac
    done
    echo "summary job $summary: $(job_state "$summary")"
    scontrol show job "$array" |
        grep -o 'JobId=[0-9]* ArrayJobId=[0-9]* ArrayTaskId=[0-9]*\|JobState=[A-Z_]*' |
        paste -d' ' - - || true
    [ "$(job_state "$summary")" = COMPLETED ] || fail "the summary job $summary did not complete"
done <<<"$submitted"

for condition in hall_of_fame=0 hall_of_fame=1; do
    dir="$out/$condition"
    grep -q "^hall_of_fame = ${condition#*=} " "$dir/config.toml" ||
        fail "$condition: config.toml is not the condition's"
    for seed in 1 2; do
        [ "$(wc -l <"$dir/seed-$seed/fitness.csv")" -eq $((generations + 1)) ] ||
            fail "$condition seed $seed: fitness.csv does not hold $generations generations"
    done
    cmp -s <(head -c 8 "$dir/summary.png") <(printf '\x89PNG\r\n\x1a\n') ||
        fail "$condition: no summary.png"
    grep -q "^$generations,2," "$dir/summary.csv" ||
        fail "$condition: summary.csv lacks generation $generations of 2 seeds"
    echo "$condition, seed folders: $(cd "$dir" && echo seed-*/* | tr ' ' '\n' | sort | tr '\n' ' ')"
    echo "$condition, summary.csv, last row: $(tail -n 1 "$dir/summary.csv")"
done
passed=true
echo "ci-check.sh: PASS"
