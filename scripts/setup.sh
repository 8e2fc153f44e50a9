# Shared by run.sh, test.sh and bench.sh: installs the Debian packages the build needs
# (only those missing), configures and builds the tree in build/, and installs the programs
# into the shop's folder.
set -euo pipefail

PEMVIX_PACKAGES=(build-essential cmake ninja-build pkg-config qt6-base-dev qt6-base-dev-tools libgl1-mesa-dev
    libsqlcipher-dev sqlcipher libzint-dev libbenchmark-dev xvfb xauth x11-utils xdotool poppler-utils
    tigervnc-standalone-server tigervnc-tools openbox dpkg-dev desktop-file-utils procps
    postgresql postgresql-contrib libpq-dev openssl)

pemvix_install_packages() {
    local missing=()
    for p in "${PEMVIX_PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    echo "Installing: ${missing[*]}"
    # Another installation (an unattended upgrade, a second terminal) may hold the package
    # manager's lock: wait up to ten minutes for it instead of failing.
    $sudo apt-get -o DPkg::Lock::Timeout=600 update
    DEBIAN_FRONTEND=noninteractive $sudo apt-get -o DPkg::Lock::Timeout=600 install -y "${missing[@]}"
}

# Extra arguments go to the configure step. PEMVIX_BUILD_TARGETS, when set, names the only targets
# built (run.sh builds just the two programs it installs, not the suites and benchmarks).
pemvix_build() {
    local top targets=()
    top="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
    cmake -S "$top" -B "$top/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
    # shellcheck disable=SC2206
    [ -n "${PEMVIX_BUILD_TARGETS:-}" ] && targets=(--target ${PEMVIX_BUILD_TARGETS})
    cmake --build "$top/build" --parallel "${targets[@]}"
}

# The shop's own folder, outside the checkout: the programs and the database live there.
pemvix_shop_dir() {
    printf '%s' "${PEMVIX_HOME:-$HOME/Pemvix}"
}

# Installs the two programs from a build tree (default build/) into the shop's folder.
pemvix_install_shop() {
    local top
    top="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
    # A new shop's folder is private to its user: it holds the shop's data.
    (umask 077 && mkdir -p "$(pemvix_shop_dir)")
    cmake --install "${1:-$top/build}" --component programs --prefix "$(pemvix_shop_dir)"
}

# A throw-away PostgreSQL cluster for the tests and benchmarks on the server engine
# (scripts/pg-cluster.sh): started in a new folder under /tmp, which the server's user can reach
# even when the checkout lies in root's home, and stopped and deleted when the calling script
# ends, however it ends. Exports PGSERVICEFILE, PGPASSFILE, PEMVIX_TEST_SERVER (the socket) and
# PEMVIX_TEST_SERVER_TLS (TLS on 127.0.0.1). Extra arguments go to pg-cluster.sh start.
pemvix_pg_start() {
    local top
    top="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
    PEMVIX_PG_DIR="$(mktemp -d /tmp/pemvix-pg.XXXXXX)"
    # The trap is set before the start, so a cluster that starts halfway is stopped too.
    trap pemvix_pg_stop EXIT
    trap 'exit 130' INT
    trap 'exit 143' TERM
    "$top/scripts/pg-cluster.sh" start "$@" "$PEMVIX_PG_DIR"
    # shellcheck disable=SC1091
    source "$PEMVIX_PG_DIR/env"
}

pemvix_pg_stop() {
    [ -n "${PEMVIX_PG_DIR:-}" ] || return 0
    local top
    top="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
    "$top/scripts/pg-cluster.sh" stop "$PEMVIX_PG_DIR" || true
    PEMVIX_PG_DIR=""
}
