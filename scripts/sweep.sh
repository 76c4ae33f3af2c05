#!/usr/bin/env bash
# Runs seeds FIRST to LAST of coevolife-batch, JOBS at once, through GNU
# parallel, each in OUT/seed-SEED (see run-seed.sh). With a --set list it runs
# every condition of the lists' product the same way, in
# OUT/CONDITION/seed-SEED. Started again after a kill, it skips the finished
# seeds and resumes the others from their checkpoints. Exits non-zero when a
# seed fails.
#
# Usage: scripts/sweep.sh [options] FIRST LAST OUT [-- PARALLEL_OPTION...]
#   -j, --jobs N          seeds run at once (default: one per CPU)
#   -g, --generations N   generations per seed (default 100)
#   --batch PROGRAM       coevolife-batch (default: build/batch/coevolife-batch)
#   --summary             at the end, OUT/summary.csv and OUT/summary.png from
#                         coevolife-analyze summary (default: build/analyze/...)
#   --analyze PROGRAM     coevolife-analyze for --summary
#   --config FILE, --set KEY=VALUE
#                         the experiment, as coevolife-batch takes them; its
#                         resolved configuration goes to OUT/config.toml and
#                         every seed's folder
#   --set KEY=V1,V2,...   (repeatable) one condition per value, or per
#                         combination of several lists: OUT/CONDITION, named
#                         by what varies (hall_of_fame=5, or
#                         hall_of_fame=5,mutation_rate=0.02), holds its
#                         config.toml, its seed folders and its summary
# Options after "--" go to GNU parallel as they are, e.g. --joblog FILE, or
# --sshloginfile FILE to spread the seeds over machines that see OUT and the
# programs at the same paths.
set -euo pipefail

scripts_dir="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$scripts_dir/sweep-common.sh"

parse_sweep_arguments "--jobs --summary" "$@"
for number in "$first" "$last" "$jobs" "$generations"; do
    [[ "$number" =~ ^[0-9]+$ ]] || { echo "sweep.sh: '$number' is not a whole number" >&2; exit 2; }
done
[ "$first" -le "$last" ] || { echo "sweep.sh: FIRST $first is after LAST $last" >&2; exit 2; }
command -v parallel >/dev/null || { echo "sweep.sh: GNU parallel is missing (Debian: parallel)" >&2; exit 2; }
[ -x "$batch" ] || { echo "sweep.sh: no coevolife-batch at $batch (--batch)" >&2; exit 2; }

out="$(output_folder "$out")"
batch="$(absolute_path "$batch")"
prepare_conditions "$batch" "$out"

status=0
for dir in "${condition_dirs[@]}"; do
    for seed in $(seq "$first" "$last"); do
        printf '%s\t%s\n' "$dir" "$seed"
    done
done |
    parallel --will-cite --quote --colsep '\t' --jobs "$jobs" "${passed_on[@]}" \
        "$scripts_dir/run-seed.sh" "$batch" "$generations" {1} {2} || status=$?
if [ "$status" -ne 0 ]; then
    echo "sweep.sh: GNU parallel exited with $status (the number of seeds that failed, up to 100); the same command again resumes them" >&2
    exit 1
fi

if "$summary"; then
    for dir in "${condition_dirs[@]}"; do
        summarize_seeds "$analyze" "$dir" "$first" "$last"
    done
fi
