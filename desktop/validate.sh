#!/bin/sh
# validate.sh DESKTOP-FILE-VALIDATE APPSTREAMCLI ENTRY... METAINFO: fails on
# any complaint of either validator, a hint or an info included.
set -u
desktop_file_validate="$1"
appstreamcli="$2"
shift 2
status=0
for file in "$@"; do
    case "$file" in
    *.desktop)
        output="$("$desktop_file_validate" "$file" 2>&1)" || status=1
        ;;
    *)
        output="$("$appstreamcli" validate --no-net --no-color "$file" 2>&1)" || status=1
        # The one line it prints when it has nothing to say.
        output="$(printf '%s\n' "$output" | grep -v '^✔ Validation was successful' | grep -v '^$')"
        ;;
    esac
    if [ -n "$output" ]; then
        printf '%s: %s\n' "$file" "$output"
        status=1
    fi
done
exit "$status"
