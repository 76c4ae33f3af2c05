#!/usr/bin/env bash
# Builds the Debian packages coevolife and python3-coevolife from a clean copy
# of the tracked files into dist/, checks them with lintian, installs them on
# this machine, runs their autopkgtest scripts (debian/tests/) against them and
# removes them again, checking that nothing they installed is left.
# Usage: scripts/package.sh [--reproducible] [--no-install] [--tools]
#   --reproducible  build a second time and compare the .deb files byte for byte
#   --no-install    stop after lintian
#   --tools         install the packaging tools (and ccache) only
# DEB_BUILD_OPTIONS as dpkg-buildpackage takes it (default "parallel=2"; CI
# gives "nocheck parallel=2", the suite having run already). Compiles through
# ccache: a second package build compiles nothing, and one without a unity
# build finds the objects of a build/ of the same sources made through ccache
# without one (unity sources name their files by absolute path). With
# build/'s unity setting, as scripts/test.sh makes it, a first build is a
# third quicker.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/prepare-build.sh"

reproducible=false
install=true
tools_only=false
for argument in "$@"; do
    case "$argument" in
    --reproducible) reproducible=true ;;
    --no-install) install=false ;;
    --tools) tools_only=true ;;
    *)
        echo "usage: scripts/package.sh [--reproducible] [--no-install] [--tools]" >&2
        exit 2
        ;;
    esac
done

packaging_packages=(dpkg-dev debhelper dh-python lintian help2man appstream desktop-file-utils
    ccache git)
install_missing_packages "${build_packages[@]}" "${packaging_packages[@]}"
$tools_only && exit 0

version="$(sed -n 's/^project(coevolife VERSION \([0-9.]*\) .*/\1/p' "$repo_dir/CMakeLists.txt")"
if [ -z "$version" ]; then
    echo "package.sh: no version in CMakeLists.txt's project()" >&2
    exit 2
fi
if ! git -C "$repo_dir" rev-parse --git-dir >/dev/null 2>&1; then
    echo "package.sh: $repo_dir is not a git checkout, whose tracked files are packaged" >&2
    exit 2
fi

dist="$repo_dir/dist"
work="$dist/build"
source_dir="$work/coevolife-$version"
export DEB_BUILD_OPTIONS="${DEB_BUILD_OPTIONS:-parallel=2}"
export COEVOLIFE_CCACHE=ccache
export COEVOLIFE_UNITY_BUILD=OFF
if grep -Eq '^CMAKE_UNITY_BUILD:[A-Z]+=ON$' "$repo_dir/build/CMakeCache.txt" 2>/dev/null; then
    COEVOLIFE_UNITY_BUILD=ON
fi
# Paths relative to the build folder, so that build/ and the copy share objects.
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$repo_dir}" CCACHE_NOHASHDIR=1

# build_packages: the tracked files, as they are in the working tree, copied
# afresh and built; the packages land in $work.
build_packages() {
    rm -rf "$work"
    mkdir -p "$source_dir"
    git -C "$repo_dir" ls-files -z | (cd "$repo_dir" && tar --null -T - -cf -) |
        tar -C "$source_dir" -xf -
    local maintainer
    maintainer="$(sed -n 's/^Maintainer: //p' "$source_dir/debian/control")"
    python3 "$source_dir/scripts/release-notes.py" debian "$source_dir/CHANGELOG.md" "$version" \
        "$maintainer" "$source_dir/debian/changelog"
    (cd "$source_dir" && dpkg-buildpackage -b -us -uc) >"$work/build.log" 2>&1 || {
        tail -n 40 "$work/build.log" >&2
        echo "package.sh: the package build failed; its log is $work/build.log" >&2
        exit 1
    }
}

echo "Building coevolife $version (DEB_BUILD_OPTIONS=\"$DEB_BUILD_OPTIONS\")"
build_packages
if $reproducible; then
    first="$dist/first-build"
    rm -rf "$first"
    mkdir -p "$first"
    cp "$work"/*.deb "$first/"
    echo "Building again to compare"
    build_packages
    for deb in "$first"/*.deb; do
        if ! cmp "$deb" "$work/$(basename "$deb")"; then
            echo "package.sh: $(basename "$deb") differs between two builds" >&2
            exit 1
        fi
    done
    echo "Both builds gave the same bytes: $(cd "$first" && sha256sum -- *.deb | tr '\n' ' ')"
    rm -rf "$first"
fi
rm -f "$dist"/*.deb "$dist"/*.buildinfo "$dist"/*.changes
mv "$work"/*.deb "$work"/*.buildinfo "$work"/*.changes "$dist/"
changes="$(ls "$dist"/coevolife_"$version"_*.changes)"

echo "lintian:"
# Every tag shown, the informational ones too; errors and warnings fail.
lintian --info --display-info --fail-on error,warning "$changes"

for deb in "$dist"/*.deb; do
    printf '%s: %s bytes, installed %s KiB\n' "$(basename "$deb")" "$(stat -c %s "$deb")" \
        "$(dpkg-deb -f "$deb" Installed-Size)"
done
$install || exit 0

packages=(coevolife python3-coevolife)
for package in "${packages[@]}"; do
    if dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'installed'; then
        echo "package.sh: $package is installed already; remove it to test the new one" >&2
        exit 2
    fi
done
as_root=()
[ "$(id -u)" -ne 0 ] && as_root=(sudo)
files="$(mktemp)"
tests_dir="$(mktemp -d)"
remove_packages() {
    "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get purge -y -q "${packages[@]}" \
        >/dev/null 2>&1 || true
}
trap 'remove_packages; rm -rf "$files" "$tests_dir"' EXIT

echo "Installing"
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends \
    "$dist"/coevolife_"$version"_*.deb "$dist"/python3-coevolife_"$version"_*.deb >/dev/null
dpkg -L "${packages[@]}" | sort -u >"$files"

# The installed packages alone: no build folder on the path, no PYTHONPATH,
# started away from the clone.
for test in batch python windows; do
    mkdir "$tests_dir/$test"
    (cd "$tests_dir/$test" && env -u PYTHONPATH PATH=/usr/local/bin:/usr/bin:/bin \
        AUTOPKGTEST_TMP="$tests_dir/$test" sh "$repo_dir/debian/tests/$test")
done

echo "Removing"
remove_packages
left=()
while IFS= read -r path; do
    # Folders other packages share stay, as they should.
    if [ -e "$path" ] && ! [ -d "$path" ]; then
        left+=("$path")
    fi
done <"$files"
for folder in /usr/share/coevolife /usr/share/doc/coevolife /usr/share/doc/python3-coevolife; do
    [ -e "$folder" ] && left+=("$folder")
done
if [ ${#left[@]} -gt 0 ]; then
    echo "package.sh: left behind after removal: ${left[*]}" >&2
    exit 1
fi
echo "Removed, nothing left behind"
