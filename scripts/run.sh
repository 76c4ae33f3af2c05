#!/usr/bin/env bash
# Installs what is missing, builds in Release into build/ and starts the window.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/prepare-build.sh"

install_missing_packages "${build_packages[@]}"
build_dir="$repo_dir/build"
build_release "$build_dir"

# No display to show the window on.
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "coevolife needs a display: neither DISPLAY nor WAYLAND_DISPLAY is set." >&2
    exit 1
fi

# The window reads pix.png from its working directory; the build puts it here.
cd "$build_dir"
exec ./app/coevolife
