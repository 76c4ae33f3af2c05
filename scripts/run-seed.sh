#!/usr/bin/env bash
# Runs one seed of a sweep in OUT/seed-SEED: skips it when it has reached
# GENERATIONS, resumes it from its checkpoint when it has not (interrupted in
# any way, or asked for more generations now), starts it otherwise. Shared by
# scripts/sweep.sh (GNU parallel) and the Slurm job array.
# Usage: run-seed.sh BATCH GENERATIONS OUT SEED [CONDITION]
#   BATCH      the coevolife-batch program (an absolute path for remote hosts)
#   CONDITION  the condition's name, which starts each line this prints, so
#              that the seeds of a sweep over conditions are told apart
# The folder holds config.toml (a copy of OUT/config.toml, the experiment),
# fitness.csv (fitness.csv.partial while running), run.arc, run.ckpt,
# run.log (the run's standard output) and run.lock.
set -euo pipefail
# Past a file-size limit a write fails (EFBIG) as on a full disk, here and in
# every program started from here, instead of ending it.
trap '' XFSZ
# Stopped before it becomes the batch, it leaves no half-copied file.
trap 'rm -f "${dir:-.}/config.toml.tmp"; exit 130' INT
trap 'rm -f "${dir:-.}/config.toml.tmp"; exit 143' TERM
source "$(dirname "${BASH_SOURCE[0]}")/sweep-common.sh"

if [ $# -lt 4 ] || [ $# -gt 5 ]; then
    echo "usage: run-seed.sh BATCH GENERATIONS OUT SEED [CONDITION]" >&2
    exit 2
fi
batch="$1"
generations="$2"
seed="$4"
dir="$3/seed-$seed"
name="${5:+$5 }seed $seed"

# resumed_generation: prints the generation a resume goes on from (the
# later one the checkpoint keeps, or the one before when the log or the
# archive lost what the later counts); fails printing the batch's line, less
# its program name, when there is none.
resumed_generation() {
    local info
    if info="$("$batch" --checkpoint-info "$dir/run.ckpt" 2>&1)" &&
        [[ "$info" =~ ^generation\ ([0-9]+)$ ]]; then
        echo "${BASH_REMATCH[1]}"
        return 0
    fi
    info="${info##*$'\n'}"
    echo "${info#*: }"
    return 1
}

# finished GENERATION: whether the seed has reached GENERATIONS and ended
# there. A run stopped by a signal, a full disk or a requeue leaves
# fitness.csv like a finished one: only the generation it reached tells.
finished() {
    [ "$1" -ge "$generations" ] && [ -f "$dir/fitness.csv" ] && [ ! -e "$dir/fitness.csv.partial" ]
}

# cut_log GENERATION: cuts run.log back after that generation's progress
# line, in place (a full disk does not stop it), for the resumed run to
# continue after it; fails, touching nothing, when the line is not there
# whole, up to its line end.
cut_log() {
    local size end
    size="$(stat -c %s "$dir/run.log")" || return 1
    end="$(LC_ALL=C awk -v line="generation$1 average : " '
        { bytes += length($0) + 1 }
        index($0, line) == 1 { print bytes; found = 1; exit }
        END { exit !found }' "$dir/run.log")" || return 1
    [ "$end" -le "$size" ] || return 1
    truncate -s "$end" "$dir/run.log"
}

# set_aside: moves the files of a run that cannot go on into a new folder,
# OUT/seed-SEED/set-aside-N (the first N free), so that starting over loses
# none of them; prints the folder.
set_aside() {
    local k=1 file
    while [ -e "$dir/set-aside-$k" ]; do
        k=$((k + 1))
    done
    mkdir "$dir/set-aside-$k"
    for file in run.ckpt run.log fitness.csv fitness.csv.partial run.arc run.arc.partial config.toml; do
        if [ -e "$dir/$file" ]; then
            mv "$dir/$file" "$dir/set-aside-$k/"
        fi
    done
    echo "$dir/set-aside-$k"
}

# become_batch ARG...: the batch with ARG..., in this very process. As a job
# of scripts/sweep.sh (COEVOLIFE_SWEEP_JOB set), only while GNU parallel,
# which started it, still runs: a sweep stopped while GNU parallel was
# starting this job ends the jobs GNU parallel knows of, and then nothing may
# start; should GNU parallel end later, the batch gets SIGTERM (setpriv
# --pdeathsig) and stops after its generation instead of running on unseen.
become_batch() {
    local stat
    if [ -n "${COEVOLIFE_SWEEP_JOB:-}" ]; then
        read -r -a stat </proc/$$/stat
        if [ "${stat[3]}" != "$PPID" ]; then
            echo "$name: its sweep has ended; not started" >&2
            exit 143
        fi
        if command -v setpriv >/dev/null; then
            exec setpriv --pdeathsig TERM "$batch" "$@"
        fi
    fi
    exec "$batch" "$@"
}

mkdir -p "$dir"
# A job whose parent was killed may still be running this seed; two writers
# would ruin it. The lock goes with the last process holding it. Where no
# lock can be made (a read-only mount), a finished seed is still told apart.
if ! { exec 9>>"$dir/run.lock"; } 2>/dev/null; then
    if [ -f "$dir/run.ckpt" ] && generation="$(resumed_generation)" && finished "$generation"; then
        echo "$name: finished already, skipped"
        exit 0
    fi
    echo "$name: cannot create $(quoted_text "$dir/run.lock") (a read-only folder?); nothing was run" >&2
    exit 1
fi
if ! flock -n 9; then
    echo "$name: still running in another process ($(quoted_text "$dir/run.lock") is held)" >&2
    exit 1
fi

# The seed's process becomes its batch (exec below): a signal to it reaches
# the batch, which ends its generation gracefully, the exit status is the
# batch's, and the lock is held until the batch has ended.
if [ -f "$dir/run.ckpt" ]; then
    if found="$(resumed_generation)"; then
        generation="$found"
        if finished "$generation"; then
            echo "$name: finished already, skipped"
            exit 0
        fi
        if [ -f "$dir/run.log" ] && cut_log "$generation"; then
            echo "$name: resumed after generation $generation"
            target=$((generation > generations ? generation : generations))
            become_batch --resume "$dir/run.ckpt" --generations "$target" >>"$dir/run.log"
        fi
        problem="$(quoted_text "$dir/run.log") lacks the whole line of generation $generation, where the checkpoint stands"
    else
        problem="$found"
    fi
    # Every run is exact to the bit, so starting over gives the same files,
    # only later.
    echo "$name: $problem; started over, its files set aside in $(quoted_text "$(set_aside)")" >&2
fi
# A resumed seed plays its checkpoint's experiment; a new one the sweep's.
config=()
if [ -f "$3/config.toml" ]; then
    if ! copied="$(cp "$3/config.toml" "$dir/config.toml.tmp" 2>&1)"; then
        rm -f "$dir/config.toml.tmp"
        echo "$name: cannot copy $(quoted_text "$3/config.toml") into $(quoted_text "$dir"): ${copied##*: }" >&2
        exit 3
    fi
    mv "$dir/config.toml.tmp" "$dir/config.toml"
    config=(--config "$dir/config.toml")
fi
echo "$name: started"
become_batch --seed "$seed" --generations "$generations" "${config[@]}" --csv "$dir/fitness.csv" \
    --archive "$dir/run.arc" --checkpoint "$dir/run.ckpt" >"$dir/run.log"
