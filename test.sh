#!/usr/bin/env bash
# Installs what is missing, builds with warnings as errors, starts a throw-away PostgreSQL cluster
# and runs every test suite (those that run on both engines, twice).
set -euo pipefail
cd "$(dirname "$0")"
source scripts/setup.sh
pemvix_install_packages
pemvix_build -DPEMVIX_WERROR=ON -DPEMVIX_BUILD_TESTS=ON
# The suites that run on both engines reach the server through this cluster (stopped at the end).
pemvix_pg_start
export PEMVIX_REQUIRE_SERVER=1
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build --output-on-failure --parallel 2 "$@"
