#!/usr/bin/env bash
# Submits seeds FIRST to LAST as a Slurm job array, and their summary as a job
# that starts once every seed has succeeded; prints both job ids.
# Usage: scripts/slurm/submit-sweep.sh [options] FIRST LAST OUT [-- SBATCH_OPTION...]
#   -g, --generations N   generations per seed (default 100)
#   --batch PROGRAM       coevolife-batch (default: build/batch/coevolife-batch)
#   --analyze PROGRAM     coevolife-analyze (default: build/analyze/coevolife-analyze)
# OUT and the programs must be at the same paths on every node. Options after
# "--" go to both sbatch calls, e.g. --partition=NAME --time=1:00:00.
# Submitted again, finished seeds are skipped and interrupted ones resumed.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
repo="$(cd "$here/../.." && pwd)"
generations=100
batch="$repo/build/batch/coevolife-batch"
analyze="$repo/build/analyze/coevolife-analyze"
positional=()
sbatch_options=()
while [ $# -gt 0 ]; do
    case "$1" in
        -g | --generations) generations="${2:?}"; shift 2 ;;
        --batch) batch="${2:?}"; shift 2 ;;
        --analyze) analyze="${2:?}"; shift 2 ;;
        --) shift; sbatch_options=("$@"); break ;;
        -*) echo "submit-sweep.sh: unknown option $1" >&2; exit 2 ;;
        *) positional+=("$1"); shift ;;
    esac
done
if [ ${#positional[@]} -ne 3 ]; then
    sed -n 's/^# \{0,1\}//; /^Usage:/,/^Submitted/p' "${BASH_SOURCE[0]}" >&2
    exit 2
fi
first="${positional[0]}"
last="${positional[1]}"
mkdir -p "${positional[2]}"
out="$(cd "${positional[2]}" && pwd)"
absolute() { echo "$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"; }
export COEVOLIFE_REPO="$repo"
export COEVOLIFE_BATCH="$(absolute "$batch")"
export COEVOLIFE_ANALYZE="$(absolute "$analyze")"

array="$(sbatch --parsable --array="$first-$last" --output="$out/slurm-%A_%a.out" \
    "${sbatch_options[@]}" "$here/seed-job.sbatch" "$out" "$generations")"
array="${array%%;*}"
summary="$(sbatch --parsable --dependency="afterok:$array" --output="$out/slurm-%j-summary.out" \
    "${sbatch_options[@]}" "$here/summary-job.sbatch" "$out" "$first" "$last")"
summary="${summary%%;*}"
echo "seeds: job array $array; summary: job $summary"
