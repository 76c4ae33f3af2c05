#!/usr/bin/env bash
# Installs what is missing, builds in Release into build/ and starts the window
# (without a display, a batch run of 100 generations instead).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/prepare-build.sh"

install_missing_packages "${build_packages[@]}"
build_dir="$repo_dir/build"
build_release "$build_dir"

# No display to show the window on: run the same evolution without a window.
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display (neither DISPLAY nor WAYLAND_DISPLAY is set): falling back to coevolife-batch --generations 100." >&2
    exec "$build_dir/batch/coevolife-batch" --generations 100
fi

# The window reads pix.png from its working directory; the build puts it here.
cd "$build_dir"
exec ./app/coevolife
