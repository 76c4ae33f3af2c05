#!/usr/bin/env bash
# Runs seeds FIRST to LAST of coevolife-batch, JOBS at once, through GNU
# parallel, each in OUT/seed-SEED (see run-seed.sh). With a --set list it runs
# every condition of the lists' product the same way, in
# OUT/CONDITION/seed-SEED. Started again after a kill, it skips the finished
# seeds and resumes the others from their checkpoints.
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
#                         resolved configuration goes to OUT/config.toml (with
#                         a --set list, OUT/CONDITION/config.toml) and every
#                         seed's folder
#   --set KEY=V1,V2,...   (repeatable) one condition per value, or per
#                         combination of several lists: OUT/CONDITION, named
#                         by what varies (hall_of_fame=5, or
#                         hall_of_fame=5,mutation_rate=0.02), holds its
#                         config.toml, its seed folders and its summary
# Options after "--" go to GNU parallel as they are, e.g. --joblog FILE, or
# --sshloginfile FILE to spread the seeds over machines that see OUT and the
# programs at the same paths.
# Every argument is checked, the configurations resolved, before a folder is
# made or a seed started: a mistake gives one line and exit code 2. Exit code
# 1 when a seed failed, 130 or 143 when Ctrl-C or SIGTERM stopped the sweep;
# the same command again resumes the seeds.
set -euo pipefail

# Ctrl-C or SIGTERM, to the sweep's process group or to the sweep alone, is
# handed on to GNU parallel, which runs in a process group of its own (set
# -m) and so hears it from the sweep alone: it sends each running seed
# SIGTERM, and each ends its generation and stops as a batch does. It gets
# both SIGINT and SIGTERM, since it heeds one or the other at every moment:
# before it has set its handlers SIGTERM ends it (SIGINT may be ignored, as
# in a sweep started in the background of a script), then SIGINT, until its
# jobs start, while it ignores SIGTERM. --termseq lets a seed take as long as
# its generation takes (GNU parallel's own sends SIGKILL after 375 ms).
interrupted=""
parallel_pid=""
stop_seeds() {
    interrupted="$1"
    if [ -n "$parallel_pid" ]; then
        kill -INT "$parallel_pid" 2>/dev/null || true
        kill -TERM "$parallel_pid" 2>/dev/null || true
    fi
}
trap 'stop_seeds 130' INT
trap 'stop_seeds 143' TERM

scripts_dir="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$scripts_dir/sweep-common.sh"

parse_sweep_arguments "--jobs --summary" "$@"
check_sweep_arguments "$summary"
command -v parallel >/dev/null || sweep_refuse "GNU parallel is missing (Debian: parallel)"
resolve_conditions "$batch" "$out"
make_condition_folders

# seed_jobs: a line per seed to run, "FOLDER<TAB>SEED<TAB>CONDITION".
seed_jobs() {
    local i seed
    for i in "${!condition_dirs[@]}"; do
        for seed in $(seq "$first" "$last"); do
            printf '%s\t%s\t%s\n' "${condition_dirs[i]}" "$seed" "${condition_names[i]}"
        done
    done
}

# A signal while the sweep was checking and making its folders.
if [ -n "$interrupted" ]; then
    echo "sweep.sh: interrupted; the same command again resumes the seeds" >&2
    exit "$interrupted"
fi
set -m
COEVOLIFE_SWEEP_JOB=1 parallel --will-cite --quote --colsep '\t' --jobs "$jobs" --termseq TERM,86400000,KILL,25 \
    "${passed_on[@]}" "$scripts_dir/run-seed.sh" "$batch" "$generations" {1} {2} {3} \
    < <(seed_jobs) &
parallel_pid=$!
set +m
# A signal that came before GNU parallel's process id was known.
if [ -n "$interrupted" ]; then
    stop_seeds "$interrupted"
fi
# A signal ends the wait early; the sweep waits again until GNU parallel is done.
while :; do
    status=0
    wait "$parallel_pid" || status=$?
    if [ "$status" -gt 128 ] && [ -n "$interrupted" ] && kill -0 "$parallel_pid" 2>/dev/null; then
        continue
    fi
    break
done
if [ -n "$interrupted" ]; then
    echo "sweep.sh: interrupted; the same command again resumes the seeds" >&2
    exit "$interrupted"
fi
# GNU parallel's exit code: 1 to 100 the number of jobs that failed, 101 more.
if [ "$status" -eq 1 ]; then
    echo "sweep.sh: 1 seed failed (its lines above say why); the same command again resumes it" >&2
    exit 1
elif [ "$status" -ge 2 ] && [ "$status" -le 101 ]; then
    failed="$status"
    [ "$status" -eq 101 ] && failed="more than 100"
    echo "sweep.sh: $failed seeds failed (their lines above say why); the same command again resumes them" >&2
    exit 1
elif [ "$status" -ne 0 ]; then
    echo "sweep.sh: GNU parallel stopped with exit code $status before the seeds were done; the same command again resumes them" >&2
    exit 1
fi

if "$summary"; then
    for dir in "${condition_dirs[@]}"; do
        summarize_seeds "$analyze" "$dir" "$first" "$last"
    done
fi
