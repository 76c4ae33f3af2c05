# Sourced by sweep.sh, slurm/submit-sweep.sh and slurm/summary-job.sbatch:
# what the two ways of running a sweep share.

sweep_repo_dir="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
sweep_default_batch="$sweep_repo_dir/build/batch/coevolife-batch"
sweep_default_analyze="$sweep_repo_dir/build/analyze/coevolife-analyze"

# sweep_usage: the calling script's header comment from "# Usage:" on, on
# standard error; exits 2.
sweep_usage() {
    sed -n '/^# Usage:/,/^[^#]/{/^#/s/^# \{0,1\}//p}' "$0" >&2
    exit 2
}

# parse_sweep_arguments OWN_OPTIONS ARG...: reads [options] FIRST LAST OUT
# [-- OPTION...] into first, last, out (as given) and passed_on (what follows
# "--"). Every caller takes -g/--generations N (default 100), --batch PROGRAM
# and --analyze PROGRAM (default: those in build/), and --config FILE and
# --set KEY=VALUE (the experiment, as coevolife-batch takes them, into
# config_options). A --set with a list, KEY=V1,V2,..., varies that key: the
# sweep runs every condition of the product of the lists (see
# sweep_conditions). OWN_OPTIONS lists which of
# --jobs (-j N, default one per CPU) and --summary the caller takes as well.
# Sets generations, batch, analyze, jobs and summary; a wrong argument gives
# the usage and exit code 2.
parse_sweep_arguments() {
    local own=" $1 " name positional=()
    name="$(basename "$0")"
    shift
    generations=100
    batch="$sweep_default_batch"
    analyze="$sweep_default_analyze"
    jobs="$(nproc)"
    summary=false
    config_options=()
    settings=()
    passed_on=()
    while [ $# -gt 0 ]; do
        case "$1" in
            -g | --generations) generations="${2:?}"; shift 2 ;;
            --batch) batch="${2:?}"; shift 2 ;;
            --analyze) analyze="${2:?}"; shift 2 ;;
            --config) config_options+=(--config "$(absolute_path "${2:?}")"); shift 2 ;;
            --set) settings+=("${2:?}"); shift 2 ;;
            -j | --jobs) [[ "$own" == *" --jobs "* ]] || break; jobs="${2:?}"; shift 2 ;;
            --summary) [[ "$own" == *" --summary "* ]] || break; summary=true; shift ;;
            --) shift; passed_on=("$@"); set --; break ;;
            -h | --help) sweep_usage ;;
            -*) break ;;
            *) positional+=("$1"); shift ;;
        esac
    done
    if [ $# -gt 0 ]; then
        echo "$name: unknown option $1" >&2
        sweep_usage
    fi
    [ ${#positional[@]} -eq 3 ] || sweep_usage
    first="${positional[0]}"
    last="${positional[1]}"
    out="${positional[2]}"
    sweep_conditions
}

# sweep_conditions: from settings, the fixed ones into config_options and the
# product of the lists into condition_names (each "KEY=V" of the varying keys
# joined with ",", KEY without its table unless two varying keys share it;
# one empty name when nothing varies) and condition_settings (the same with
# whole keys). The first list varies slowest.
sweep_conditions() {
    local setting key value values short other names=() sets=() varying=() i
    condition_names=("")
    condition_settings=("")
    for setting in "${settings[@]}"; do
        key="${setting%%=*}"
        value="${setting#*=}"
        if [[ "$setting" != *=* || "$value" != *,* ]]; then
            config_options+=(--set "$setting")
        else
            varying+=("$setting")
        fi
    done
    for setting in "${varying[@]}"; do
        key="${setting%%=*}"
        short="${key##*.}"
        for other in "${varying[@]}"; do
            other="${other%%=*}"
            [ "$other" != "$key" ] && [ "${other##*.}" = "${key##*.}" ] && short="$key"
        done
        IFS=',' read -r -a values <<<"${setting#*=}"
        names=()
        sets=()
        for i in "${!condition_names[@]}"; do
            for value in "${values[@]}"; do
                names+=("${condition_names[i]:+${condition_names[i]},}$short=$value")
                sets+=("${condition_settings[i]:+${condition_settings[i]},}$key=$value")
            done
        done
        condition_names=("${names[@]}")
        condition_settings=("${sets[@]}")
    done
}

# prepare_conditions BATCH OUT: condition_dirs, OUT itself when nothing
# varies, else OUT/NAME for each condition, each with its config.toml.
prepare_conditions() {
    local i setting options settings_of_condition
    condition_dirs=()
    for i in "${!condition_names[@]}"; do
        if [ -z "${condition_names[i]}" ]; then
            condition_dirs+=("$2")
            write_sweep_config "$1" "$2"
            continue
        fi
        options=()
        IFS=',' read -r -a settings_of_condition <<<"${condition_settings[i]}"
        for setting in "${settings_of_condition[@]}"; do
            options+=(--set "$setting")
        done
        mkdir -p "$2/${condition_names[i]}"
        write_sweep_config "$1" "$2/${condition_names[i]}" "${options[@]}"
        condition_dirs+=("$2/${condition_names[i]}")
    done
}

# absolute_path FILE: FILE from the root, so that jobs on other machines find
# the same file.
absolute_path() {
    echo "$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"
}

# output_folder DIR: creates DIR if missing and prints it from the root.
output_folder() {
    mkdir -p "$1"
    (cd "$1" && pwd)
}

# write_sweep_config BATCH OUT [OPTION...]: OUT/config.toml, the experiment
# of config_options and the OPTIONs resolved, which every seed starts from and
# keeps a copy of. A sweep started again must ask for the same experiment.
write_sweep_config() {
    local resolved
    resolved="$("$1" --print-config "${config_options[@]}" "${@:3}")" || exit 2
    if [ -f "$2/config.toml" ]; then
        [ "$resolved" = "$(cat "$2/config.toml")" ] && return 0
        echo "$(basename "$0"): $2 holds a sweep of another configuration (config.toml)" >&2
        exit 2
    fi
    printf '%s\n' "$resolved" >"$2/config.toml.tmp"
    mv "$2/config.toml.tmp" "$2/config.toml"
}

# summarize_seeds ANALYZE OUT FIRST LAST: OUT/summary.csv and OUT/summary.png
# over the seed folders OUT/seed-FIRST to OUT/seed-LAST.
summarize_seeds() {
    local runs=() seed
    for seed in $(seq "$3" "$4"); do
        runs+=("$2/seed-$seed")
    done
    "$1" summary "${runs[@]}" --csv "$2/summary.csv" --png "$2/summary.png"
}
