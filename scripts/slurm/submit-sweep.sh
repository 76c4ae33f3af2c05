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
#                         resolved configuration goes to OUT/config.toml (with
#                         a --set list, OUT/CONDITION/config.toml) and every
#                         seed's folder
#   --set KEY=V1,V2,...   the conditions, as scripts/sweep.sh takes them
# OUT and the programs must be at the same paths on every node. Options after
# "--" go to both sbatch calls, e.g. --partition=NAME --time=1:00:00.
# Submitted again, finished seeds are skipped and interrupted ones resumed.
# Every argument is checked, the configurations resolved, before a folder is
# made or a job submitted: a mistake gives one line and exit code 2.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/../sweep-common.sh"

parse_sweep_arguments "" "$@"
check_sweep_arguments true
resolve_conditions "$batch" "$out"
command -v sbatch >/dev/null || sweep_refuse "sbatch is missing: Slurm's commands are needed (scripts/slurm/single-node.sh starts a cluster of this machine)"
# sbatch --test-only checks the options after "--" (a partition, a time
# limit) against the cluster without submitting anything.
if ! tested="$(sbatch --test-only --array="$first-$last" "${passed_on[@]}" \
    "$here/seed-job.sbatch" "$out" "$generations" 2>&1)"; then
    sweep_refuse "sbatch refuses the jobs: $(quoted_text "$(sed -n 's/^sbatch: \(error\|fatal\): //p' <<<"$tested" | tail -n 1)")"
fi
make_condition_folders
export COEVOLIFE_REPO="$sweep_repo_dir"
export COEVOLIFE_BATCH="$batch"
export COEVOLIFE_ANALYZE="$analyze"

for i in "${!condition_dirs[@]}"; do
    dir="${condition_dirs[i]}"
    array="$(sbatch --parsable --array="$first-$last" --output="$dir/slurm-%A_%a.out" \
        "${passed_on[@]}" "$here/seed-job.sbatch" "$dir" "$generations" \
        ${condition_names[i]:+"${condition_names[i]}"})"
    array="${array%%;*}"
    summary="$(sbatch --parsable --dependency="afterok:$array" \
        --output="$dir/slurm-%j-summary.out" "${passed_on[@]}" "$here/summary-job.sbatch" \
        "$dir" "$first" "$last")"
    summary="${summary%%;*}"
    echo "${condition_names[i]:+${condition_names[i]}: }seeds: job array $array; summary: job $summary"
done
