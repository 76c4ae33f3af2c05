#!/usr/bin/env bash
# The README's recipes, run as written and in order: every ```sh block with
# bash -euo pipefail from the root of a copy of the repository's tracked
# files, whose build/ is the build under test. An untyped ``` block right
# after a command block is that command's exact output. ```python blocks run
# in the same folder with the build's module, after the blocks above them.
# A block whose line above is "<!-- doc-test: skip (REASON) -->" is skipped
# and listed with its reason; one whose line above is
# "<!-- doc-test: shorten "FROM" to "TO", ... (REASON) -->" runs with each
# FROM, which it must hold, replaced by its TO (fewer seeds or generations
# than a picture needed), and is listed too.
# Usage: readme-test.sh REPO BUILD
set -euo pipefail

repo="$(realpath "$1")"
build="$(realpath "$2")"
if ! git -C "$repo" rev-parse --git-dir >/dev/null 2>&1; then
    echo "SKIPPED: $repo is not a git checkout, whose tracked files the recipes run in"
    exit 77
fi
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# A fresh clone after scripts/test.sh: the tracked files and build/.
root="$work/repo"
mkdir "$root"
git -C "$repo" ls-files -z | (cd "$repo" && tar --null -T - -cf -) | tar -C "$root" -xf -
ln -s "$build" "$root/build"
# A home of its own, for recipes that install into ~ and programs that keep
# settings there.
export HOME="$work/home"
mkdir "$HOME"
python_module=false
compgen -G "$build/python/coevolife*.so" >/dev/null && python_module=true

mapfile -t lines <"$repo/README.md"
ran=0
compared=0
skipped=()
shortened=()
started_all="$EPOCHREALTIME"

# fence_end FROM: the index of the first line from FROM on that closes a
# fenced block.
fence_end() {
    local i="$1"
    while [ "$i" -lt ${#lines[@]} ] && [ "${lines[i]}" != '```' ]; do
        i=$((i + 1))
    done
    [ "$i" -lt ${#lines[@]} ] || fail "README.md:$1: a block that is never closed"
    echo "$i"
}

# run_block LINE KIND BODY EXPECTED...: runs BODY (sh or python), from
# README.md line LINE; with EXPECTED, compares its standard output with it.
run_block() {
    local line="$1" kind="$2" body="$3" started status=0
    started="$EPOCHREALTIME"
    if [ "$kind" = sh ]; then
        (cd "$root" && bash -euo pipefail -c "$body") >"$work/out" 2>"$work/err" || status=$?
    else
        printf '%s' "$body" >"$work/block-$line.py"
        (cd "$root" && PYTHONPATH="$build/python" /usr/bin/python3 "$work/block-$line.py") \
            >"$work/out" 2>"$work/err" || status=$?
    fi
    if [ "$status" -ne 0 ]; then
        printf '%s' "$body" >&2
        cat "$work/out" "$work/err" >&2
        fail "README.md:$line: the $kind block exits with $status"
    fi
    if [ $# -gt 3 ]; then
        diff <(printf '%s' "$4") "$work/out" >&2 ||
            fail "README.md:$line: the output differs from the block after it (< README, > run)"
        compared=$((compared + 1))
    fi
    ran=$((ran + 1))
    awk -v s="$started" -v e="$EPOCHREALTIME" -v l="$line" -v k="$kind" \
        'BEGIN { printf "README.md:%d: %s block, %.1f s\n", l, k, e - s }'
}

i=0
while [ "$i" -lt ${#lines[@]} ]; do
    fence="${lines[i]}"
    if [ "$fence" != '```sh' ] && [ "$fence" != '```python' ]; then
        i=$((i + 1))
        continue
    fi
    kind="${fence#'```'}"
    start=$((i + 1))
    above=$((i - 1))
    while [ "$above" -ge 0 ] && [ -z "${lines[above]}" ]; do
        above=$((above - 1))
    done
    marker=""
    [ "$above" -ge 0 ] && marker="${lines[above]}"
    end="$(fence_end "$start")"
    body=""
    for ((j = start; j < end; j++)); do
        body+="${lines[j]}"$'\n'
    done
    reason=""
    if [[ "$marker" =~ ^'<!-- doc-test: skip ('(.*)') -->'$ ]]; then
        reason="${BASH_REMATCH[1]}"
    elif [[ "$marker" =~ ^'<!-- doc-test: shorten '(.*)' ('(.*)') -->'$ ]]; then
        pairs="${BASH_REMATCH[1]}"
        shortened+=("README.md:$start (${BASH_REMATCH[2]})")
        while [[ "$pairs" =~ ^'"'([^\"]*)'" to "'([^\"]*)'"'(, |$)(.*)$ ]]; do
            [[ "$body" == *"${BASH_REMATCH[1]}"* ]] ||
                fail "README.md:$start: the block lacks \"${BASH_REMATCH[1]}\", which its marker shortens"
            body="${body//"${BASH_REMATCH[1]}"/"${BASH_REMATCH[2]}"}"
            pairs="${BASH_REMATCH[4]}"
        done
        [ -z "$pairs" ] || fail "README.md:$((above + 1)): a marker that does not read: $marker"
        echo "README.md:$start: shortened: ${body%$'\n'}"
    fi
    i=$((end + 1))
    # An untyped block right after, blank lines apart, is the output.
    next="$i"
    while [ "$next" -lt ${#lines[@]} ] && [ -z "${lines[next]}" ]; do
        next=$((next + 1))
    done
    expected=()
    if [ "$kind" = sh ] && [ "${lines[next]:-}" = '```' ]; then
        output_end="$(fence_end $((next + 1)))"
        output=""
        for ((j = next + 1; j < output_end; j++)); do
            output+="${lines[j]}"$'\n'
        done
        expected=("$output")
        i=$((output_end + 1))
    fi
    if [ -n "$reason" ]; then
        skipped+=("README.md:$start ($reason)")
        echo "README.md:$start: $kind block skipped: $reason"
    elif [ "$kind" = python ] && ! "$python_module"; then
        skipped+=("README.md:$start (no Python module in $build/python)")
        echo "README.md:$start: python block skipped: no Python module in $build/python"
    else
        run_block "$start" "$kind" "$body" "${expected[@]}"
    fi
done

[ "$ran" -gt 0 ] || fail "README.md has no command block"
echo "PASS: $ran README blocks ran ($compared outputs compared) in $(awk -v s="$started_all" \
    -v e="$EPOCHREALTIME" 'BEGIN { printf "%.0f", e - s }') s; ${#skipped[@]} skipped:"
for line in "${skipped[@]}"; do
    echo "  $line"
done
echo "${#shortened[@]} shortened:"
for line in "${shortened[@]}"; do
    echo "  $line"
done
