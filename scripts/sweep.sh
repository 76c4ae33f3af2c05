#!/usr/bin/env bash
# Runs seeds FIRST to LAST of coevolife-batch, JOBS at once, through GNU
# parallel, each in OUT/seed-SEED (see run-seed.sh). Started again after a
# kill, it skips the finished seeds and resumes the others from their
# checkpoints. Exits non-zero when a seed fails.
#
# Usage: scripts/sweep.sh [options] FIRST LAST OUT [-- PARALLEL_OPTION...]
#   -j, --jobs N          seeds run at once (default: one per CPU)
#   -g, --generations N   generations per seed (default 100)
#   --batch PROGRAM       coevolife-batch (default: build/batch/coevolife-batch)
#   --summary             at the end, OUT/summary.csv and OUT/summary.png from
#                         coevolife-analyze summary (default: build/analyze/...)
#   --analyze PROGRAM     coevolife-analyze for --summary
# Options after "--" go to GNU parallel as they are, e.g. --joblog FILE, or
# --sshloginfile FILE to spread the seeds over machines that see OUT and the
# programs at the same paths.
set -euo pipefail

scripts_dir="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
repo_dir="$(dirname "$scripts_dir")"

usage() {
    sed -n '/^# Usage:/,/^set -euo/p' "${BASH_SOURCE[0]}" | sed '$d; s/^# \{0,1\}//' >&2
    exit 2
}

jobs="$(nproc)"
generations=100
batch="$repo_dir/build/batch/coevolife-batch"
analyze="$repo_dir/build/analyze/coevolife-analyze"
summary=false
positional=()
parallel_options=()
while [ $# -gt 0 ]; do
    case "$1" in
        -j | --jobs) jobs="${2:?}"; shift 2 ;;
        -g | --generations) generations="${2:?}"; shift 2 ;;
        --batch) batch="${2:?}"; shift 2 ;;
        --analyze) analyze="${2:?}"; shift 2 ;;
        --summary) summary=true; shift ;;
        --) shift; parallel_options=("$@"); break ;;
        -h | --help) usage ;;
        -*) echo "sweep.sh: unknown option $1" >&2; usage ;;
        *) positional+=("$1"); shift ;;
    esac
done
[ ${#positional[@]} -eq 3 ] || usage
first="${positional[0]}"
last="${positional[1]}"
for number in "$first" "$last" "$jobs" "$generations"; do
    [[ "$number" =~ ^[0-9]+$ ]] || { echo "sweep.sh: '$number' is not a whole number" >&2; exit 2; }
done
[ "$first" -le "$last" ] || { echo "sweep.sh: FIRST $first is after LAST $last" >&2; exit 2; }
command -v parallel >/dev/null || { echo "sweep.sh: GNU parallel is missing (Debian: parallel)" >&2; exit 2; }
[ -x "$batch" ] || { echo "sweep.sh: no coevolife-batch at $batch (--batch)" >&2; exit 2; }

mkdir -p "${positional[2]}"
# Absolute paths, so that jobs on other machines find the same files.
out="$(cd "${positional[2]}" && pwd)"
batch="$(cd "$(dirname "$batch")" && pwd)/$(basename "$batch")"

status=0
seq "$first" "$last" |
    parallel --will-cite --quote --jobs "$jobs" "${parallel_options[@]}" \
        "$scripts_dir/run-seed.sh" "$batch" "$generations" "$out" {} || status=$?
if [ "$status" -ne 0 ]; then
    echo "sweep.sh: GNU parallel exited with $status (the number of seeds that failed, up to 100); the same command again resumes them" >&2
    exit 1
fi

if "$summary"; then
    runs=()
    for seed in $(seq "$first" "$last"); do
        runs+=("$out/seed-$seed")
    done
    "$analyze" summary "${runs[@]}" --csv "$out/summary.csv" --png "$out/summary.png"
fi
