#!/usr/bin/env bash
# scripts/sweep.sh killed with SIGKILL mid-sweep, as a pre-empted job is, and
# started again: it must skip the finished seeds, resume the others, and end
# with the very files of runs never interrupted; a third start does nothing.
# Then one seed through run-seed.sh stopped by SIGINT, SIGTERM and SIGKILL at
# a random generation, or finished short of what is asked later: the same
# command again ends with the files of a run never stopped. Then a short
# sweep over two conditions, compared and crossplayed. First, the mistakes
# the sweep scripts refuse before they make anything; between, a sweep
# interrupted by Ctrl-C.
# Usage: sweep-test.sh BATCH ANALYZE
set -euo pipefail

# From the root: the mistakes below run in a folder of their own.
batch="$(realpath "$1")"
analyze="$(realpath "$2")"
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
sweep="$repo/scripts/sweep.sh"
if ! command -v parallel >/dev/null; then
    echo "SKIPPED: GNU parallel is missing (Debian: parallel)"
    exit 77
fi
# Read whole first: grep -q leaving early could fail the pipe and skip wrongly.
help="$("$batch" --help)"
if [[ "$help" != *--resume* ]]; then
    echo "SKIPPED: $batch has no --checkpoint and --resume yet"
    exit 77
fi
# Long enough that the kill below lands in the middle of seed 1.
seeds=3
generations=300
if [ -n "${COEVOLIFE_SKIP_LONG_TESTS:-}" ]; then
    seeds=2
    generations=60
fi

work="$(mktemp -d)"
mounted=""
trap '[ -z "$mounted" ] || umount "$mounted"; rm -rf "$work"' EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# Mistakes: "WHICH|ARGUMENTS|LINE", each refused with LINE alone on standard
# error, after the script's name, exit code 2, and nothing made. WHICH: sweep
# (sweep.sh), both (sweep.sh and slurm/submit-sweep.sh), or one of the Slurm
# job scripts, run as a task would run them. "batch:OPTIONS" stands for the
# line of coevolife-batch --print-config OPTIONS, shown as it is. The folder
# holds two files, "taken" and "f" followed by the hostile text. Text from
# outside is quoted as the programs quote it (hostile, quoted): no line may
# hold a control character a terminal would obey.
hostile=$'x\\\e]0;pwned\a\xc2\x9b31m\xe2\x80\xae'
quoted='x\\\x1b]0;pwned\x07\u009b31m\u202e'
mistakes=(
    "both|1 2 out -g|-g needs a value (--help lists the options)"
    "both|--set|--set needs a value (--help lists the options)"
    "both|--generations 0 1 2 out|--generations '0' is not a whole number from 1 to 2147483647"
    "sweep|-j 0 1 2 out|-j '0' is not a whole number from 1 to 1024"
    "both|1 x out|LAST 'x' is not a whole number from 0 to 4294967295"
    "both|-1 2 out|FIRST '-1' is not a whole number from 0 to 4294967295"
    "both|0 4294967296 out|LAST '4294967296' is not a whole number from 0 to 4294967295"
    "both|3 2 out|FIRST 3 is after LAST 2"
    "both|1 2|needs FIRST LAST OUT, got 2 arguments (--help lists the options)"
    "both|--bogus 1 2 out|unknown option --bogus (--help lists the options)"
    "both|--batch /nonexistent 1 2 out|--batch '/nonexistent': no such file"
    "both|--batch /dev/null 1 2 out|--batch '/dev/null': not an executable program"
    "both|--analyze /nonexistent 1 2 out|--analyze '/nonexistent': no such file"
    "both|1 2 taken|OUT 'taken' is not a folder"
    "both|--set board.widht=3 1 2 out|batch:--set board.widht=3"
    "both|--set evaluation.hall_of_fame=0,-1 1 2 out|batch:--set evaluation.hall_of_fame=-1"
    "both|--config missing.toml 1 2 out|batch:--config missing.toml"
    "seed-job.sbatch|out 0|GENERATIONS '0' is not a whole number from 1 to 2147483647"
    "summary-job.sbatch|out 2 1|FIRST 2 is after LAST 1"
    "both|-g $hostile 1 2 out|-g '$quoted' is not a whole number from 1 to 2147483647"
    "both|$hostile 2 out|FIRST '$quoted' is not a whole number from 0 to 4294967295"
    "both|--$hostile 1 2 out|unknown option --$quoted (--help lists the options)"
    "both|1 2 f$hostile|OUT 'f$quoted' is not a folder"
    "both|--batch /nonexistent/$hostile 1 2 out|--batch '/nonexistent/$quoted': no such file"
    "seed-job.sbatch|out $hostile|GENERATIONS '$quoted' is not a whole number from 1 to 2147483647"
)
mkdir "$work/mistakes"
touch "$work/mistakes/taken" "$work/mistakes/f$hostile"
untouched="$(ls -A "$work/mistakes")"
for row in "${mistakes[@]}"; do
    IFS='|' read -r which arguments line <<<"$row"
    read -r -a arguments <<<"$arguments"
    scripts=("$sweep")
    [ "$which" = both ] && scripts+=("$repo/scripts/slurm/submit-sweep.sh")
    [[ "$which" = *.sbatch ]] && scripts=("$repo/scripts/slurm/$which")
    for script in "${scripts[@]}"; do
        expected="$(basename "$script"): $line"
        if [[ "$line" = batch:* ]]; then
            read -r -a options <<<"${line#batch:}"
            expected="$(cd "$work/mistakes" && "$batch" --print-config "${options[@]}" 2>&1 >/dev/null)" &&
                fail "coevolife-batch --print-config ${options[*]} takes it"
        fi
        command=("$script" --batch "$batch" --analyze "$analyze" "${arguments[@]}")
        [[ "$script" = *.sbatch ]] && command=("$script" "${arguments[@]}")
        code=0
        (cd "$work/mistakes" && SLURM_ARRAY_TASK_ID=1 COEVOLIFE_REPO="$repo" \
            COEVOLIFE_BATCH="$batch" COEVOLIFE_ANALYZE="$analyze" "${command[@]}") \
            >"$work/refused.out" 2>"$work/refused.err" || code=$?
        what="$(basename "$script") ${arguments[*]}"
        [ "$code" -eq 2 ] || fail "$what: exit code $code, not 2"
        [ "$(cat "$work/refused.err")" = "$expected" ] ||
            fail "$what: said '$(cat "$work/refused.err")', not '$expected'"
        [ ! -s "$work/refused.out" ] || fail "$what: printed $(cat "$work/refused.out")"
        ! LC_ALL=C grep -q $'[\x01-\x09\x0b-\x1f\x7f]\|\xc2[\x80-\x9f]' "$work/refused.err" ||
            fail "$what: a control character on standard error"
        [ "$(ls -A "$work/mistakes")" = "$untouched" ] ||
            fail "$what: left $(ls -A "$work/mistakes" | tr '\n' ' ')behind"
    done
done

# The scripts' quoting is the programs' own: a value both refuse is shown
# alike by the sweep's -g and the batch's --generations.
for value in "$hostile" $'tab\tand\nline' 'back\slash' $'\xe2\x80\x8bzero\xef\xbb\xbfwidth' \
    $'caf\xc3\xa9 \xf0\x9f\x98\x80' $'\x7f\x01\xc2\x85\xe2\x80\xa8\xee\x80\x80'; do
    shown="$(cd "$work/mistakes" && "$sweep" -g "$value" 1 2 out 2>&1 >/dev/null)" || true
    by_batch="$("$batch" --generations "$value" 2>&1 >/dev/null)" || true
    shown="${shown#*\'}"
    by_batch="${by_batch#*\'}"
    [ "${shown%%\' is not*}" = "${by_batch%%\' is not*}" ] ||
        fail "-g shows '${shown%%\' is not*}', the batch '${by_batch%%\' is not*}'"
done

# signal_session SIGNAL SID [NAME]: SIGNAL to every process of the session
# (named NAME), GNU parallel's jobs included (each has a process group of its
# own). With STOP, over and over until every one has stopped, so that none
# writes on.
signal_session() {
    local pass=1 sent=1 stat line fields pid name
    while [ "$sent" -gt 0 ] && { [ "$1" = STOP ] || [ "$pass" -le 2 ]; }; do
        sent=0
        for stat in /proc/[0-9]*/stat; do
            { read -r line <"$stat"; } 2>/dev/null || continue
            read -r -a fields <<<"${line##*) }"
            pid="${stat#/proc/}"
            name="${line#*(}"
            [ "${fields[3]}" = "$2" ] && [ "${name%) *}" = "${3:-${name%) *}}" ] || continue
            [ "$1" = STOP ] && [ "${fields[0]}" = T ] && continue
            [ "${fields[0]}" = Z ] && continue
            kill "-$1" "${pid%/stat}" 2>/dev/null && sent=$((sent + 1))
        done
        pass=$((pass + 1))
    done
    return 0
}
kill_session() {
    signal_session KILL "$1"
}
# await_own_group PID: waits until the process started by setsid leads a
# group of its own; signalled before that, its group does not exist yet.
await_own_group() {
    local line fields
    for _ in $(seq 1 3000); do
        { read -r line <"/proc/$1/stat"; } 2>/dev/null || return 0
        read -r -a fields <<<"${line##*) }"
        [ "${fields[2]}" = "$1" ] && return 0
        sleep 0.01
    done
}
# running PID: whether the process is there and not a zombie.
running() {
    local line
    { read -r line <"/proc/$1/stat"; } 2>/dev/null || return 1
    line="${line##*) }"
    [ "${line%% *}" != Z ]
}

for seed in $(seq 1 "$seeds"); do
    mkdir -p "$work/straight/seed-$seed"
    "$batch" --seed "$seed" --generations "$generations" \
        --csv "$work/straight/seed-$seed/fitness.csv" \
        --archive "$work/straight/seed-$seed/run.arc" >"$work/straight/seed-$seed/run.log"
done

checkpoint_generation() {
    "$batch" --checkpoint-info "$1" 2>/dev/null | sed -n 's/^generation //p'
}
# unfinished_seeds OUT: "SEED:GENERATION" for each seed of the sweep in OUT
# that has checkpointed at least a third of its generations and has not
# finished, as run-seed.sh tells them.
unfinished_seeds() {
    local seed reached
    for seed in $(seq 1 "$seeds"); do
        reached="$(checkpoint_generation "$1/seed-$seed/run.ckpt")"
        [ -n "$reached" ] && [ "$reached" -ge $((generations / 3)) ] || continue
        if [ "$reached" -lt "$generations" ] || [ ! -f "$1/seed-$seed/fitness.csv" ] ||
            [ -e "$1/seed-$seed/fitness.csv.partial" ]; then
            echo "$seed:$reached"
        fi
    done
}

# Killed while a seed is halfway, whichever: the seeds are stopped (SIGSTOP)
# before each look and killed first, so what is seen is what the kill
# leaves, however loaded the machine (a seed GNU parallel starts meanwhile
# is not among those looked at). Should the whole sweep end between two
# looks, it starts again.
resumed=""
while [ -z "$resumed" ]; do
    rm -rf "$work/out"
    setsid "$sweep" -j 2 -g "$generations" --batch "$batch" 1 "$seeds" "$work/out" \
        >"$work/killed.txt" 2>&1 &
    session=$!
    while running "$session"; do
        signal_session STOP "$session" coevolife-batch
        resumed="$(unfinished_seeds "$work/out")"
        if [ -n "$resumed" ]; then
            signal_session KILL "$session" coevolife-batch
            kill_session "$session"
            break
        fi
        signal_session CONT "$session" coevolife-batch
        sleep 0.01
    done
    wait "$session" || true
done

"$sweep" -j 2 -g "$generations" --batch "$batch" 1 "$seeds" "$work/out" \
    -- --joblog "$work/joblog" >"$work/restarted.txt" ||
    fail "the restarted sweep failed: $(cat "$work/restarted.txt")"
for seed_generation in $resumed; do
    grep -q "^seed ${seed_generation%:*}: resumed after generation ${seed_generation#*:}\$" \
        "$work/restarted.txt" ||
        fail "seed ${seed_generation%:*} was not resumed after generation ${seed_generation#*:}: $(cat "$work/restarted.txt")"
done
[ "$(tail -n +2 "$work/joblog" | wc -l)" -eq "$seeds" ] || fail "GNU parallel wrote no joblog"
for seed in $(seq 1 "$seeds"); do
    for file in fitness.csv run.arc run.log; do
        cmp "$work/straight/seed-$seed/$file" "$work/out/seed-$seed/$file" ||
            fail "seed $seed: $file differs from the straight run's"
    done
done

"$sweep" -j 2 -g "$generations" --batch "$batch" 1 "$seeds" "$work/out" --summary \
    --analyze "$analyze" >"$work/again.txt"
[ "$(grep -c 'finished already, skipped' "$work/again.txt")" -eq "$seeds" ] ||
    fail "finished seeds were not skipped: $(cat "$work/again.txt")"
[ "$(wc -l <"$work/out/summary.csv")" -eq $((generations + 1)) ] || fail "summary.csv is short"
grep -q "^$generations,$seeds," "$work/out/summary.csv" || fail "summary.csv misses seeds"

# Ctrl-C, the terminal's SIGINT to the sweep's process group (job control
# gives it one, with SIGINT not ignored), is reported as such.
set -m
"$sweep" -j 1 -g 100000 --batch "$batch" 1 1 "$work/interrupted" >/dev/null \
    2>"$work/interrupted.txt" &
group=$!
set +m
for _ in $(seq 1 3000); do
    [ -f "$work/interrupted/seed-1/run.ckpt" ] && break
    sleep 0.01
done
kill -INT -- "-$group"
code=0
wait "$group" || code=$?
[ "$code" -eq 130 ] && [ "$(cat "$work/interrupted.txt")" = \
    "sweep.sh: interrupted; the same command again resumes the seeds" ] ||
    fail "Ctrl-C: exit code $code, $(cat "$work/interrupted.txt")"

# SIGTERM to the sweep's own process alone, as timeout or kill sends it:
# every seed ends its generation, prints "stopped" and leaves a checkpoint
# of the generation its log ends with, as on Ctrl-C.
"$sweep" -j 2 -g 100000 --batch "$batch" 1 2 "$work/terminated" >/dev/null \
    2>"$work/terminated.txt" &
sweep_pid=$!
until [ -f "$work/terminated/seed-1/run.ckpt" ] && [ -f "$work/terminated/seed-2/run.ckpt" ]; do
    running "$sweep_pid" || fail "the sweep to stop ended first: $(cat "$work/terminated.txt")"
    sleep 0.01
done
kill -TERM "$sweep_pid"
code=0
wait "$sweep_pid" || code=$?
[ "$code" -eq 143 ] && [ "$(cat "$work/terminated.txt")" = \
    "sweep.sh: interrupted; the same command again resumes the seeds" ] ||
    fail "SIGTERM to the sweep: exit code $code, $(cat "$work/terminated.txt")"
for seed in 1 2; do
    folder="$work/terminated/seed-$seed"
    flock -n "$folder/run.lock" true || fail "SIGTERM to the sweep: seed $seed runs on"
    reached="$(checkpoint_generation "$folder/run.ckpt")"
    [ "$(tail -n 2 "$folder/run.log" | head -n 1 | cut -d' ' -f1)" = "generation$reached" ] &&
        [ "$(tail -n 1 "$folder/run.log")" = stopped ] ||
        fail "SIGTERM to the sweep: seed $seed did not stop after a generation: $(tail -n 2 "$folder/run.log")"
done

# Interrupted is not finished, however the run was stopped: SIGINT as from
# Ctrl-C, SIGTERM as Slurm sends it before a requeue or a time limit, and
# SIGKILL, each to the whole process group, as a terminal or Slurm signals.
run_seed="$(dirname "$sweep")/run-seed.sh"
for stop in INT TERM KILL short; do
    folder="$work/stopped-$stop"
    target=$((RANDOM % (generations / 2) + 1))
    if [ "$stop" = short ]; then
        "$run_seed" "$batch" "$target" "$folder" 1 >/dev/null
    else
        setsid "$run_seed" "$batch" "$generations" "$folder" 1 >/dev/null 2>&1 &
        group=$!
        await_own_group "$group"
        # Held still while its checkpoint is read, so that a quick seed
        # cannot finish between the reading and the signal.
        for _ in $(seq 1 3000); do
            kill -STOP -- "-$group" 2>/dev/null || break
            [ "$(checkpoint_generation "$folder/seed-1/run.ckpt")" -ge "$target" ] 2>/dev/null && break
            kill -CONT -- "-$group"
            sleep 0.01
        done
        kill "-$stop" -- "-$group" 2>/dev/null || true
        kill -CONT -- "-$group" 2>/dev/null || true
        wait "$group" && fail "SIG$stop: the seed finished before the signal"
    fi
    reached="$(checkpoint_generation "$folder/seed-1/run.ckpt")"
    [ "$reached" -lt "$generations" ] || fail "SIG$stop: the seed finished before the signal"
    "$run_seed" "$batch" "$generations" "$folder" 1 >"$work/again-$stop.txt" ||
        fail "SIG$stop at generation $reached: $(cat "$work/again-$stop.txt")"
    grep -q "^seed 1: resumed after generation $reached\$" "$work/again-$stop.txt" ||
        fail "SIG$stop: not resumed after generation $reached: $(cat "$work/again-$stop.txt")"
    for file in fitness.csv run.arc run.log; do
        cmp "$work/straight/seed-1/$file" "$folder/seed-1/$file" ||
            fail "SIG$stop at generation $reached: $file differs from the straight run's"
    done
done

# A tiny experiment, whose archive (every member's score and birth, for
# members of one cell) outgrows every other file: under a file-size limit
# (ulimit -f, in KiB) from the largest other file's final size up to the
# archive's, the archive is the first file a write fails in. The seed exits
# with 3 and one line, its archive holding whole generations; without the
# limit the same command resumes it, and every file ends as a straight run's.
tiny_config=(--set population.size=4 --set pattern.width=1 --set pattern.height=1
    --set match.per_generation=8 --set board.steps=20)
tiny_generations=1000
tiny="$work/tiny"
for folder in straight cramped; do
    mkdir -p "$tiny/$folder"
    "$batch" --print-config "${tiny_config[@]}" >"$tiny/$folder/config.toml"
done
"$run_seed" "$batch" "$tiny_generations" "$tiny/straight" 1 >/dev/null
straight="$tiny/straight/seed-1"
archive_size="$(stat -c %s "$straight/run.arc")"
largest_other="$(stat -c %s "$straight"/{fitness.csv,run.log,run.ckpt,config.toml} | sort -n | tail -n 1)"
limit=$(((largest_other + 1023) / 1024))
[ $((limit * 1024)) -lt "$archive_size" ] ||
    fail "the tiny run's archive ($archive_size bytes) does not outgrow its other files ($largest_other)"
code=0
(ulimit -f "$limit" && "$run_seed" "$batch" "$tiny_generations" "$tiny/cramped" 1) >/dev/null \
    2>"$work/cramped.txt" || code=$?
cramped="$tiny/cramped/seed-1"
[ "$code" -eq 3 ] && [ "$(cat "$work/cramped.txt")" = \
    "coevolife-batch: cannot write $cramped/run.arc: File too large" ] ||
    fail "an archive past the file-size limit: exit code $code, $(cat "$work/cramped.txt")"
cmp -s -n "$(stat -c %s "$cramped/run.arc.partial")" "$straight/run.arc" \
    "$cramped/run.arc.partial" || fail "the archive past the file-size limit is not a straight run's beginning"
"$run_seed" "$batch" "$tiny_generations" "$tiny/cramped" 1 >"$work/cramped-again.txt" ||
    fail "the seed whose archive met the limit: $(cat "$work/cramped-again.txt")"
grep -q '^seed 1: resumed after generation' "$work/cramped-again.txt" ||
    fail "the seed whose archive met the limit was not resumed: $(cat "$work/cramped-again.txt")"
for file in fitness.csv run.arc run.log config.toml; do
    cmp "$straight/$file" "$cramped/$file" ||
        fail "the seed whose archive met the limit: $file differs from the straight run's"
done

# What a power cut can leave, since nothing is written with fsync: the CSV
# log short of what the checkpoint's later slot counts. The seed resumes
# from the generation before; short of that too, it starts over, its files
# set aside, and ends the same.
for cut in 2 end; do
    cp -R "$tiny/straight" "$tiny/cut-$cut"
    folder="$tiny/cut-$cut/seed-1"
    if [ "$cut" = end ]; then
        truncate -s 100 "$folder/fitness.csv"
        expected="$folder/run.ckpt: $folder/fitness.csv holds 100 bytes, fewer than the"
        expected+=" $(stat -c %s "$straight/fitness.csv") the checkpoint counts, and generation"
        expected+=" $((tiny_generations - 1)) before it counts more than its files hold as well;"
        expected+=" the files lost what it counts: start the run again, after setting them aside"
        expected+=" to keep them; started over, its files set aside in $folder/set-aside-1"
        expected="seed 1: $expected|seed 1: started"
    else
        truncate -s "-$cut" "$folder/fitness.csv"
        expected="seed 1: resumed after generation $((tiny_generations - 1))"
    fi
    "$run_seed" "$batch" "$tiny_generations" "$tiny/cut-$cut" 1 >"$work/cut.txt" 2>&1 ||
        fail "the log cut by $cut: $(cat "$work/cut.txt")"
    [ "$(tr '\n' '|' <"$work/cut.txt")" = "$expected|" ] ||
        fail "the log cut by $cut: said $(cat "$work/cut.txt"), not $expected"
    for file in fitness.csv run.arc run.log config.toml; do
        cmp "$straight/$file" "$folder/$file" ||
            fail "the log cut by $cut: $file differs from the straight run's"
    done
done
cmp "$straight/run.arc" "$folder/set-aside-1/run.arc" || fail "the run set aside lost its archive"

# A full disk before anything is recorded leaves no partial file behind:
# not the sweep's config.toml, not a seed's copy of it. (The limit holds for
# standard error too, were it a file: it goes to a pipe.)
code=0
said="$( (ulimit -f 0 && "$sweep" -j 1 -g 5 --batch "$batch" 1 1 "$work/no-room") 2>&1 >/dev/null)" ||
    code=$?
[ "$code" -eq 1 ] && [ "$said" = "sweep.sh: cannot write $work/no-room/config.toml: File too large" ] ||
    fail "no room for config.toml: exit code $code, $said"
[ -z "$(ls -A "$work/no-room")" ] || fail "no room for config.toml: left $(ls -A "$work/no-room")"
cp "$tiny/straight/config.toml" "$work/no-room/config.toml"
code=0
said="$( (ulimit -f 0 && "$run_seed" "$batch" 5 "$work/no-room" 1) 2>&1 >/dev/null)" || code=$?
[ "$code" -eq 3 ] && [ "$said" = "seed 1: cannot copy $work/no-room/config.toml into $work/no-room/seed-1: File too large" ] ||
    fail "no room for a seed's config.toml: exit code $code, $said"
[ "$(ls -A "$work/no-room/seed-1")" = run.lock ] ||
    fail "no room for a seed's config.toml: left $(ls -A "$work/no-room/seed-1")"

# On a read-only mount a finished seed is finished, not failed. Root mounts a
# small file system of its own for it; elsewhere this is not checked.
mkdir "$work/read-only"
if mount -t tmpfs -o size=4m tmpfs "$work/read-only" 2>/dev/null; then
    mounted="$work/read-only"
    "$sweep" -j 1 -g 5 --batch "$batch" 1 1 "$mounted/sweep" >/dev/null
    mount -o remount,ro "$mounted"
    "$sweep" -j 1 -g 5 --batch "$batch" 1 1 "$mounted/sweep" >"$work/read-only.txt" 2>&1 ||
        fail "a finished sweep on a read-only mount: $(cat "$work/read-only.txt")"
    [ "$(cat "$work/read-only.txt")" = "seed 1: finished already, skipped" ] ||
        fail "a finished sweep on a read-only mount: $(cat "$work/read-only.txt")"
    umount "$mounted"
    mounted=""
else
    echo "not checked: a finished sweep on a read-only mount (cannot mount a file system here)"
fi

# Two conditions of two seeds: a folder each, named by the value that varies.
short=12
conditions="$work/conditions"
"$sweep" -j 2 -g "$short" --batch "$batch" --set evaluation.hall_of_fame=0,2 \
    --set board.steps=100 1 2 "$conditions" >"$work/conditions.txt" ||
    fail "the sweep over conditions failed: $(cat "$work/conditions.txt")"
for condition in hall_of_fame=0 hall_of_fame=2; do
    for seed in 1 2; do
        [ "$(wc -l <"$conditions/$condition/seed-$seed/fitness.csv")" -eq $((short + 1)) ] ||
            fail "$condition seed $seed: no whole fitness.csv"
    done
done
grep -q '^hall_of_fame = 2 ' "$conditions/hall_of_fame=2/config.toml" ||
    fail "hall_of_fame=2/config.toml is not its condition's"
# The default condition is the plain run of the seed.
cmp <(head -n $((short + 1)) "$work/straight/seed-1/fitness.csv") \
    "$conditions/hall_of_fame=0/seed-1/fitness.csv" || fail "hall_of_fame=0 is not the default run"
"$sweep" -j 2 -g "$short" --batch "$batch" --set evaluation.hall_of_fame=0,2 \
    --set board.steps=100 1 2 "$conditions" >"$work/conditions-again.txt"
# Each line names its condition.
[ "$(sort "$work/conditions-again.txt" | tr '\n' '|')" = "$(printf 'hall_of_fame=%s seed %s: finished already, skipped|' 0 1 0 2 2 1 2 2)" ] ||
    fail "finished conditions were not skipped by name: $(cat "$work/conditions-again.txt")"

# The seeds' archives recorded their births: the turnover is compared too,
# but for the time to coalescence, as no run's lines meet in so few
# generations.
"$analyze" compare "$conditions/hall_of_fame=0" "$conditions/hall_of_fame=2" \
    --csv "$work/compare.csv" --png "$work/compare.png" || fail "compare failed"
[ "$(cut -d, -f1,2 "$work/compare.csv" | tail -n +2 | tr '\n' ' ')" = \
    "average1,hall_of_fame=2 average2,hall_of_fame=2 best1,hall_of_fame=2 best2,hall_of_fame=2 last_gain1,hall_of_fame=2 last_gain2,hall_of_fame=2 distinct1,hall_of_fame=2 distinct2,hall_of_fame=2 " ] ||
    fail "compare.csv: $(cat "$work/compare.csv")"
"$analyze" crossplay "$conditions/hall_of_fame=0" "$conditions/hall_of_fame=2" \
    --csv "$work/crossplay.csv" --stats "$work/stats.csv" --png "$work/crossplay.png" ||
    fail "crossplay failed"
[ "$(cut -d, -f1,2 "$work/crossplay.csv" | tail -n +2 | tr '\n' ' ')" = \
    "hall_of_fame=0,1 hall_of_fame=0,2 hall_of_fame=2,1 hall_of_fame=2,2 " ] ||
    fail "crossplay.csv: $(cat "$work/crossplay.csv")"
echo "PASS: $seeds seeds x $generations generations killed, resumed and summarized; two conditions compared"
