#!/usr/bin/env bash
# Fails, one line per hit naming file and line, when a tracked file still
# holds a merge-conflict marker: a line starting with seven '<' or seven '>',
# or a line of exactly seven '='.
set -uo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
hits=$(git grep -n -I -E '^(<{7}|>{7}|={7}$)' -- . || true)
[ -z "$hits" ] && exit 0
while IFS= read -r hit; do
    file=${hit%%:*}
    rest=${hit#*:}
    echo "$file:${rest%%:*}: leftover merge-conflict marker" >&2
done <<<"$hits"
exit 1
