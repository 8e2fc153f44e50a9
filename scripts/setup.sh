# Shared by run.sh, test.sh and bench.sh: installs the Debian packages the build needs
# (only those missing) and configures and builds the tree in build/.
set -euo pipefail

PEMVIX_PACKAGES=(build-essential cmake ninja-build pkg-config qt6-base-dev qt6-base-dev-tools libgl1-mesa-dev
    libsqlcipher-dev sqlcipher libbenchmark-dev xvfb xauth x11-utils poppler-utils)

pemvix_install_packages() {
    local missing=()
    for p in "${PEMVIX_PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    echo "Installing: ${missing[*]}"
    $sudo apt-get update
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y "${missing[@]}"
}

pemvix_build() {
    local top
    top="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
    cmake -S "$top" -B "$top/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
    cmake --build "$top/build" --parallel
}
