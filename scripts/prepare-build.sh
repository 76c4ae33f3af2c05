# Sourced by run.sh and test.sh: installs the Debian packages the build needs
# (only those missing, so a second call is quick) and builds in Release.

repo_dir="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

build_packages=(cmake ninja-build g++ qt6-base-dev qt6-svg-dev libboost-dev libbenchmark-dev
    libtomlplusplus-dev zlib1g-dev parallel pybind11-dev python3-dev python3-numpy
    python3-pytest python3-matplotlib python3-pandas python3-mypy ccache)

# install_missing_packages PACKAGE...: apt-get installs those not installed yet,
# through sudo when not root, without prompting.
install_missing_packages() {
    local missing=() package
    for package in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$package")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0

    echo "Installing missing packages: ${missing[*]}"
    local as_root=()
    [ "$(id -u)" -ne 0 ] && as_root=(sudo)
    "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q
    "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive \
        apt-get install -y -q --no-install-recommends "${missing[@]}"
}

# build_release BUILD_DIR [CMAKE_OPTION...]: configures with Ninja in Release
# and builds everything. Each library's sources are compiled in batches (a
# unity build): a whole build from scratch takes a third less time. A build
# directory of one's own may leave it off for quicker rebuilds of one file.
# Through ccache where it is installed, with paths relative to the build
# folder: the package build, from a copy of the sources one folder down as
# build/ is, then compiles next to nothing.
build_release() {
    local build_dir="$1"
    shift
    local launcher=()
    if command -v ccache >/dev/null; then
        launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
        export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$repo_dir}" CCACHE_NOHASHDIR=1
    fi
    cmake -S "$repo_dir" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_UNITY_BUILD=ON "${launcher[@]}" "$@" >/dev/null
    cmake --build "$build_dir"
}
