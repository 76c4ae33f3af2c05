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

# checkpoint_generation: prints the generation the checkpoint holds, the
# one the run reached; fails when the checkpoint cannot be read.
checkpoint_generation() {
    local info
    info="$("$batch" --checkpoint-info "$dir/run.ckpt" 2>/dev/null)" &&
        [[ "$info" =~ ^generation\ ([0-9]+)$ ]] && echo "${BASH_REMATCH[1]}"
}

# cut_log GENERATION: keeps run.log up to and including that generation's
# progress line, which the resumed run continues after; fails when the line
# is not there.
cut_log() {
    local kept="$dir/run.log.kept"
    awk -v line="generation$1 average : " '
        { print }
        index($0, line) == 1 { found = 1; exit }
        END { exit !found }' "$dir/run.log" >"$kept" || { rm -f "$kept"; return 1; }
    mv "$kept" "$dir/run.log"
}

mkdir -p "$dir"
# A job whose parent was killed may still be running this seed; two writers
# would ruin it. The lock goes with the last process holding it.
exec 9>"$dir/run.lock"
if ! flock -n 9; then
    echo "$name: still running in another process ($(quoted_text "$dir/run.lock") is held)" >&2
    exit 1
fi

# A run stopped by a signal, a full disk or a requeue leaves fitness.csv like
# a finished one: only the generation it reached tells.
# The seed's process becomes its batch (exec below): a signal to it reaches
# the batch, which ends its generation gracefully, the exit status is the
# batch's, and the lock is held until the batch has ended.
if [ -f "$dir/run.ckpt" ]; then
    if generation="$(checkpoint_generation)"; then
        if [ "$generation" -ge "$generations" ] && [ -f "$dir/fitness.csv" ] &&
            [ ! -e "$dir/fitness.csv.partial" ]; then
            echo "$name: finished already, skipped"
            exit 0
        fi
        if [ -f "$dir/run.log" ] && cut_log "$generation"; then
            echo "$name: resumed after generation $generation"
            target=$((generation > generations ? generation : generations))
            exec "$batch" --resume "$dir/run.ckpt" --generations "$target" >>"$dir/run.log"
        fi
    fi
    # Every run is exact to the bit, so starting over gives the same files,
    # only later.
    echo "$name: the checkpoint is unreadable or the log lacks its generation; started over" >&2
    rm -f "$dir/run.ckpt"
fi
# A resumed seed plays its checkpoint's experiment; a new one the sweep's.
config=()
if [ -f "$3/config.toml" ]; then
    cp "$3/config.toml" "$dir/config.toml.tmp"
    mv "$dir/config.toml.tmp" "$dir/config.toml"
    config=(--config "$dir/config.toml")
fi
echo "$name: started"
exec "$batch" --seed "$seed" --generations "$generations" "${config[@]}" \
    --csv "$dir/fitness.csv" --archive "$dir/run.arc" --checkpoint "$dir/run.ckpt" >"$dir/run.log"
