#!/usr/bin/env bash
# Fuzzes the number readings and patterns with libFuzzer for 60 seconds (or $1 seconds).
set -euo pipefail
cd "$(dirname "$0")"
source scripts/setup.sh
PEMVIX_PACKAGES+=(clang libclang-rt-14-dev)
pemvix_install_packages
cmake -S . -B build-fuzz -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPEMVIX_BUILD_FUZZ=ON -DPEMVIX_BUILD_TESTS=OFF -DPEMVIX_BUILD_BENCH=OFF
cmake --build build-fuzz --target fuzz_numbers
mkdir -p build-fuzz/corpus
printf '12abc' > build-fuzz/corpus/a; printf '1,251' > build-fuzz/corpus/b; printf '&HFF' > build-fuzz/corpus/c
printf ' -1.5D+3 ' > build-fuzz/corpus/d; printf '1,234.50' > build-fuzz/corpus/e
build-fuzz/fuzz/fuzz_numbers -max_total_time="${1:-60}" -max_len=64 build-fuzz/corpus
