#!/usr/bin/env bash
# Installs what is missing, builds with warnings as errors, and runs every test suite.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/setup.sh
pemvix_install_packages
pemvix_build -DPEMVIX_WERROR=ON -DPEMVIX_BUILD_TESTS=ON
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build --output-on-failure --parallel 2 "$@"
