# shellcheck shell=bash
# Shared by the installation tests: a scratch folder removed at exit, and failing with a reason.
set -euo pipefail
src=$(realpath "$1")
build=$(realpath "$2")
tmp=$(mktemp -d "${TMPDIR:-/tmp}/pemvix-install-test.XXXXXX")
cleanup_steps=()
cleanup() {
    local step
    for step in "${cleanup_steps[@]}"; do eval "$step" || true; done
    rm -rf "$tmp"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}
# A scratch home, so that nothing lands in the real one.
export HOME="$tmp/home"
mkdir -p "$HOME"
unset PEMVIX_HOME PEMVIX_PROGRAMS PEMVIX_DEMO PEMVIX_COMPANY
