#!/usr/bin/env bash
# Installs what is missing, builds in Release into build/ and runs every test.
# Usage: scripts/test.sh
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/prepare-build.sh"

build_dir="$repo_dir/build"
cmake_options=()
case "${1:-}" in
    "") ;;
    *)
        echo "usage: scripts/test.sh" >&2
        exit 2
        ;;
esac

install_missing_packages "${build_packages[@]}"
build_release "$build_dir" "${cmake_options[@]}"
ctest --test-dir "$build_dir" --output-on-failure
