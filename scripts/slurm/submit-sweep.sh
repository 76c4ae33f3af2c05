#!/usr/bin/env bash
# Submits seeds FIRST to LAST as a Slurm job array, and their summary as a job
# that starts once every seed has succeeded; prints both job ids. With a --set
# list, one array and one summary job per condition, in OUT/CONDITION as
# scripts/sweep.sh lays it out; a line of job ids per condition.
# Usage: scripts/slurm/submit-sweep.sh [options] FIRST LAST OUT [-- SBATCH_OPTION...]
#   -g, --generations N   generations per seed (default 100)
#   --batch PROGRAM       coevolife-batch (default: build/batch/coevolife-batch)
#   --analyze PROGRAM     coevolife-analyze (default: build/analyze/coevolife-analyze)
#   --config FILE, --set KEY=VALUE
#                         the experiment, as coevolife-batch takes them; its
#                         resolved configuration goes to OUT/config.toml
#   --set KEY=V1,V2,...   the conditions, as scripts/sweep.sh takes them
# OUT and the programs must be at the same paths on every node. Options after
# "--" go to both sbatch calls, e.g. --partition=NAME --time=1:00:00.
# Submitted again, finished seeds are skipped and interrupted ones resumed.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/../sweep-common.sh"

parse_sweep_arguments "" "$@"
out="$(output_folder "$out")"
export COEVOLIFE_REPO="$sweep_repo_dir"
export COEVOLIFE_BATCH="$(absolute_path "$batch")"
export COEVOLIFE_ANALYZE="$(absolute_path "$analyze")"
prepare_conditions "$COEVOLIFE_BATCH" "$out"

for dir in "${condition_dirs[@]}"; do
    array="$(sbatch --parsable --array="$first-$last" --output="$dir/slurm-%A_%a.out" \
        "${passed_on[@]}" "$here/seed-job.sbatch" "$dir" "$generations")"
    array="${array%%;*}"
    summary="$(sbatch --parsable --dependency="afterok:$array" \
        --output="$dir/slurm-%j-summary.out" "${passed_on[@]}" "$here/summary-job.sbatch" \
        "$dir" "$first" "$last")"
    summary="${summary%%;*}"
    condition="${dir#"$out"}"
    echo "${condition:+${condition#/}: }seeds: job array $array; summary: job $summary"
done
