#!/usr/bin/env bash
# Brings up a one-machine Slurm cluster, runs seeds 1 and 2 for 20
# generations as a job array plus the summary job waiting on it, checks what
# they wrote and stops the daemons again. Needs root (see single-node.sh).
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
    1 2 "$out")"
echo "$submitted"
summary="${submitted##* }"
array="${submitted#*job array }"
array="${array%%;*}"

job_state() {
    scontrol show job "$1" | grep -o 'JobState=[A-Z_]*' | head -n 1 | cut -d= -f2
}
for _ in $(seq 1 600); do
    case "$(job_state "$summary")" in
        PENDING | RUNNING | CONFIGURING | COMPLETING) sleep 0.5 ;;
        *) break ;;
    esac
done
echo "summary job $summary: $(job_state "$summary")"
scontrol show job "$array" | grep -o 'JobId=[0-9]* ArrayJobId=[0-9]* ArrayTaskId=[0-9]*\|JobState=[A-Z_]*' |
    paste -d' ' - - || true
[ "$(job_state "$summary")" = COMPLETED ] || fail "the summary job did not complete"

for seed in 1 2; do
    [ "$(wc -l <"$out/seed-$seed/fitness.csv")" -eq $((generations + 1)) ] ||
        fail "seed $seed: fitness.csv does not hold $generations generations"
    cmp -s <(head -c 8 "$out/summary.png") <(printf '\x89PNG\r\n\x1a\n') || fail "no summary.png"
done
grep -q "^$generations,2," "$out/summary.csv" || fail "summary.csv lacks generation $generations of 2 seeds"
echo "seed folders: $(cd "$out" && echo seed-*/* | tr ' ' '\n' | sort | tr '\n' ' ')"
echo "summary.csv, last row: $(tail -n 1 "$out/summary.csv")"
passed=true
echo "ci-check.sh: PASS"
