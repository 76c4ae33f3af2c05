# Sourced by sweep.sh, slurm/submit-sweep.sh and slurm/summary-job.sbatch:
# what the two ways of running a sweep share.

# Past a file-size limit a write fails (EFBIG) as on a full disk, in the
# calling script and every program it starts, instead of ending it.
trap '' XFSZ

sweep_repo_dir="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
sweep_default_batch="$sweep_repo_dir/build/batch/coevolife-batch"
sweep_default_analyze="$sweep_repo_dir/build/analyze/coevolife-analyze"
# Installed (under /usr/share/coevolife/scripts), the programs are on the PATH.
if [ ! -e "$sweep_default_batch" ] && [ ! -d "$sweep_repo_dir/.git" ] &&
    command -v coevolife-batch >/dev/null; then
    sweep_default_batch="$(command -v coevolife-batch)"
    sweep_default_analyze="$(command -v coevolife-analyze || echo coevolife-analyze)"
fi

# sweep_usage: the calling script's header comment from "# Usage:" on, on
# standard output; exits 0.
sweep_usage() {
    sed -n '/^# Usage:/,/^[^#]/{/^#/s/^# \{0,1\}//p}' "$0"
    exit 0
}

# sweep_refuse MESSAGE...: the calling script's one line on standard error;
# exits 2. Every refusal comes before a folder is made or a job started. Text
# from outside goes into MESSAGE through quoted_text.
sweep_refuse() {
    echo "$(quoted_text "${sweep_program:-$(basename "$0")}"): $*" >&2
    exit 2
}

# quoted_text TEXT: TEXT as the programs' error lines show text from outside
# (quotedText, output/QuotedText.h), on standard output: a backslash as \\;
# \n, \r, \t and \v by name; any other ASCII control character and every
# byte that is not part of valid UTF-8 as \xNN; the C1 controls and the
# invisible characters that could steer or fool a terminal (formatting such
# as bidi overrides, line and paragraph separators, private use) as \uNNNN
# or \UNNNNNNNN; everything else as it is. So a refusal stays one line that
# a terminal shows without obeying it.
quoted_text() {
    local LC_ALL=C
    local text="$1" shown="" escape i=0 n length code point smallest k next
    n="${#text}"
    while [ "$i" -lt "$n" ]; do
        printf -v code '%d' "'${text:i:1}"
        if [ "$code" -lt 128 ]; then
            case "$code" in
                92) shown+='\\' ;;
                10) shown+='\n' ;;
                13) shown+='\r' ;;
                9) shown+='\t' ;;
                11) shown+='\v' ;;
                *)
                    if [ "$code" -lt 32 ] || [ "$code" -eq 127 ]; then
                        printf -v escape '\\x%02x' "$code"
                        shown+="$escape"
                    else
                        shown+="${text:i:1}"
                    fi ;;
            esac
            i=$((i + 1))
            continue
        fi
        length=0
        if [ "$code" -ge 194 ] && [ "$code" -le 223 ]; then
            length=2 point=$((code & 31)) smallest=128
        elif [ "$code" -ge 224 ] && [ "$code" -le 239 ]; then
            length=3 point=$((code & 15)) smallest=2048
        elif [ "$code" -ge 240 ] && [ "$code" -le 244 ]; then
            length=4 point=$((code & 7)) smallest=65536
        fi
        for ((k = 1; k < length; k++)); do
            next=-1
            [ $((i + k)) -lt "$n" ] && printf -v next '%d' "'${text:i+k:1}"
            if [ "$next" -lt 128 ] || [ "$next" -gt 191 ]; then
                length=0
                break
            fi
            point=$(((point << 6) | (next & 63)))
        done
        if [ "$length" -eq 0 ] || [ "$point" -lt "$smallest" ] || [ "$point" -gt 1114111 ] ||
            { [ "$point" -ge 55296 ] && [ "$point" -le 57343 ]; }; then
            printf -v escape '\\x%02x' "$code"
            shown+="$escape"
            i=$((i + 1))
            continue
        fi
        if { [ "$point" -ge 128 ] && [ "$point" -le 159 ]; } || [ "$point" -eq 173 ] ||
            [ "$point" -eq 1564 ] || [ "$point" -eq 6158 ] ||
            { [ "$point" -ge 8203 ] && [ "$point" -le 8207 ]; } ||
            { [ "$point" -ge 8232 ] && [ "$point" -le 8238 ]; } ||
            { [ "$point" -ge 8288 ] && [ "$point" -le 8303 ]; } ||
            { [ "$point" -ge 57344 ] && [ "$point" -le 63743 ]; } ||
            [ "$point" -eq 65279 ] || { [ "$point" -ge 65529 ] && [ "$point" -le 65531 ]; } ||
            [ "$point" -eq 65534 ] || [ "$point" -eq 65535 ] ||
            { [ "$point" -ge 917504 ] && [ "$point" -le 917631 ]; } || [ "$point" -ge 983040 ]; then
            if [ "$point" -le 65535 ]; then
                printf -v escape '\\u%04x' "$point"
            else
                printf -v escape '\\U%08x' "$point"
            fi
            shown+="$escape"
        else
            shown+="${text:i:length}"
        fi
        i=$((i + length))
    done
    printf '%s\n' "$shown"
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
# Sets generations, batch, analyze, jobs and summary, and which options were
# given as typed (for the messages); a wrong argument is refused in one line.
# check_sweep_arguments checks the values.
parse_sweep_arguments() {
    local own=" $1 " positional=()
    shift
    generations=100
    generations_option=""
    batch="$sweep_default_batch"
    batch_given=false
    analyze="$sweep_default_analyze"
    analyze_given=false
    jobs="$(nproc)"
    jobs_option=""
    summary=false
    config_options=()
    settings=()
    passed_on=()
    while [ $# -gt 0 ]; do
        case "$1" in
            -g | --generations) option_value "$@"; generations="$2"; generations_option="$1"; shift 2 ;;
            --batch) option_value "$@"; batch="$2"; batch_given=true; shift 2 ;;
            --analyze) option_value "$@"; analyze="$2"; analyze_given=true; shift 2 ;;
            --config) option_value "$@"; config_options+=(--config "$2"); shift 2 ;;
            --set) option_value "$@"; settings+=("$2"); shift 2 ;;
            -j | --jobs)
                [[ "$own" == *" --jobs "* ]] || break
                option_value "$@"; jobs="$2"; jobs_option="$1"; shift 2 ;;
            --summary) [[ "$own" == *" --summary "* ]] || break; summary=true; shift ;;
            --) shift; passed_on=("$@"); set --; break ;;
            -h | --help) sweep_usage ;;
            # A negative seed is a mistake of range, not an option.
            -[0-9]*) positional+=("$1"); shift ;;
            -*) break ;;
            *) positional+=("$1"); shift ;;
        esac
    done
    [ $# -eq 0 ] || sweep_refuse "unknown option $(quoted_text "$1") (--help lists the options)"
    [ ${#positional[@]} -eq 3 ] ||
        sweep_refuse "needs FIRST LAST OUT, got ${#positional[@]} arguments (--help lists the options)"
    first="${positional[0]}"
    last="${positional[1]}"
    out="${positional[2]}"
    sweep_conditions
}

# option_value OPTION ARG...: refuses an OPTION that ends the arguments,
# which needs a value after it.
option_value() {
    [ $# -ge 2 ] || sweep_refuse "$1 needs a value (--help lists the options)"
}

# whole_number NAME VALUE MINIMUM MAXIMUM: VALUE without leading zeros, or
# the refusal naming NAME as the user typed it.
whole_number() {
    if [[ "$2" =~ ^0*([0-9]{1,10})$ ]] && [ $((10#${BASH_REMATCH[1]})) -ge "$3" ] &&
        [ $((10#${BASH_REMATCH[1]})) -le "$4" ]; then
        echo $((10#${BASH_REMATCH[1]}))
        return 0
    fi
    sweep_refuse "$1 '$(quoted_text "$2")' is not a whole number from $3 to $4"
}

# check_program OPTION PROGRAM GIVEN: refuses a PROGRAM that is missing or
# not executable, naming OPTION; GIVEN is false for the default in build/.
check_program() {
    [ -f "$2" ] && [ -x "$2" ] && return 0
    local shown
    shown="$(quoted_text "$2")"
    "$3" || sweep_refuse "no $(quoted_text "$(basename "$2")") at $shown: build it (scripts/test.sh) or name one with $1"
    [ -e "$2" ] || sweep_refuse "$1 '$shown': no such file"
    sweep_refuse "$1 '$shown': not an executable program"
}

# check_sweep_arguments NEEDS_ANALYZE: the numbers in range (seeds 0 to
# 4294967295, FIRST not after LAST, at least one generation and one job), the
# programs executable (coevolife-analyze when NEEDS_ANALYZE is true or it was
# named), and OUT a folder or nothing yet; refuses in one line otherwise.
# Then out is from the root, for jobs on other machines.
check_sweep_arguments() {
    generations="$(whole_number "${generations_option:--g}" "$generations" 1 2147483647)" || exit 2
    first="$(whole_number FIRST "$first" 0 4294967295)" || exit 2
    last="$(whole_number LAST "$last" 0 4294967295)" || exit 2
    [ "$first" -le "$last" ] || sweep_refuse "FIRST $first is after LAST $last"
    jobs="$(whole_number "${jobs_option:--j}" "$jobs" 1 1024)" || exit 2
    check_program --batch "$batch" "$batch_given"
    if "$1" || "$analyze_given"; then
        check_program --analyze "$analyze" "$analyze_given"
    fi
    [ -n "$out" ] || sweep_refuse "OUT is empty"
    [ ! -e "$out" ] || [ -d "$out" ] || sweep_refuse "OUT '$(quoted_text "$out")' is not a folder"
    out="$(absolute_path "$out")"
    batch="$(absolute_path "$batch")"
    analyze="$(absolute_path "$analyze")"
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

# resolve_conditions BATCH OUT: condition_dirs, OUT itself when nothing
# varies, else OUT/NAME for each condition, and condition_configs, each one's
# configuration: the experiment of config_options and the condition's
# settings resolved by BATCH --print-config, whose one line tells what it
# refuses. Checks them against what OUT already holds (a sweep started again
# must ask for the same experiment); makes nothing.
resolve_conditions() {
    local i setting settings_of_condition dir options
    condition_dirs=()
    condition_configs=()
    for i in "${!condition_names[@]}"; do
        options=()
        IFS=',' read -r -a settings_of_condition <<<"${condition_settings[i]}"
        for setting in "${settings_of_condition[@]}"; do
            options+=(--set "$setting")
        done
        condition_configs+=("$("$1" --print-config "${config_options[@]}" "${options[@]}")") ||
            exit 2
        dir="$2${condition_names[i]:+/${condition_names[i]}}"
        [ ! -e "$dir" ] || [ -d "$dir" ] || sweep_refuse "'$(quoted_text "$dir")' is not a folder"
        if [ -f "$dir/config.toml" ] && [ "${condition_configs[i]}" != "$(cat "$dir/config.toml")" ]; then
            sweep_refuse "$(quoted_text "$dir") holds a sweep of another configuration (config.toml)"
        fi
        condition_dirs+=("$dir")
    done
}

# make_condition_folders: each of condition_dirs with its config.toml, which
# every seed starts from and keeps a copy of. One that cannot be written (a
# full disk) is one line and exit code 1, and leaves no partial file.
make_condition_folders() {
    local i dir problem
    for i in "${!condition_dirs[@]}"; do
        dir="${condition_dirs[i]}"
        mkdir -p "$dir"
        [ -f "$dir/config.toml" ] && continue
        if ! problem="$( { printf '%s\n' "${condition_configs[i]}" >"$dir/config.toml.tmp"; } 2>&1)"; then
            rm -f "$dir/config.toml.tmp"
            echo "${sweep_program:-$(basename "$0")}: cannot write $dir/config.toml: ${problem##*: }" >&2
            exit 1
        fi
        mv "$dir/config.toml.tmp" "$dir/config.toml"
    done
}

# absolute_path FILE: FILE from the root, so that jobs on other machines find
# the same file; FILE need not exist.
absolute_path() {
    case "$1" in
        /*) printf '%s\n' "$1" ;;
        *) printf '%s\n' "$PWD/${1#./}" ;;
    esac
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
