#!/usr/bin/env bash
# Installs what is missing, builds, creates the shop-scale database build/bench/shop.mdb on
# first use (pemvix-bench-gen; delete it to make a new one) and runs the benchmarks on a copy
# of it, then prints the table of program time / baseline time, idle CPU and peak memory.
# Then it copies the same shop into a throw-away PostgreSQL cluster, runs the program's side of
# the timed benchmarks there (over the local socket) and prints them beside the file's times
# (PEMVIX_BENCH_SERVER=0 leaves the server out).
# Extra arguments go to the timed benchmarks, e.g. ./bench.sh --benchmark_filter=lookup
#
# --scale N (first argument, or PEMVIX_BENCH_SCALE=N) runs the same table on a shop N times as
# large, generated once into build/bench/scaleN/ (at 10: 1,000,000 items and 10,000,000 sold
# lines, 2.6 GB, 15 to 30 minutes to generate on two cores). PEMVIX_BENCH_SHOP=FILE runs on a shop
# generated before (copied, never written); an older shop is brought up to date by the program's
# own schema upgrade when the copy is first opened.
set -euo pipefail
cd "$(dirname "$0")"
scale=${PEMVIX_BENCH_SCALE:-1}
if [ "${1:-}" = --scale ]; then
    scale=${2:?--scale needs a number}
    shift 2
fi
source scripts/setup.sh
pemvix_install_packages
pemvix_build -DPEMVIX_WERROR=ON -DPEMVIX_BUILD_BENCH=ON
export QT_QPA_PLATFORM=offscreen LANG=C.UTF-8
gen=build/bench/pemvix-bench-gen
out=build/bench
[ "$scale" = 1 ] || out=build/bench/scale$scale
mkdir -p "$out"
shop=${PEMVIX_BENCH_SHOP:-$out/shop.mdb}
if [ -z "${PEMVIX_BENCH_SHOP:-}" ]; then
    # A generator newer than the database may carry a newer schema (indexes): at scale 1 the shop
    # is generated afresh; a larger one (too long to make again) is upgraded on its copy instead.
    if [ ! -f "$shop" ] || { [ "$scale" = 1 ] && [ "$gen" -nt "$shop" ]; }; then
        echo "Generating the shop database (scale $scale)..."
        rm -f "$shop.new"
        "$gen" --scale "$scale" "$shop.new"
        mv "$shop.new" "$shop"
    fi
fi
# The benchmarks write (carts, sales, notifications): they run on a fresh copy each time.
cp "$shop" "$out/work.mdb"
rm -f "$out"/*.json
bench=build/bench/pemvix-bench
"$bench" --db="$out/work.mdb" --benchmark_filter='^(lookup|write|window|report|helper|info)\|' \
    --benchmark_min_time=0.2 --benchmark_repetitions=3 --benchmark_report_aggregates_only=true \
    --benchmark_out="$out/times.json" --benchmark_out_format=json "$@"
# Idle cost, peak memory and the longest blocks of the event loop, each in a process of its own.
n=0
for name in 'idle|frmPOS' 'idle|frmInvent' 'memory|frmInvent' 'memory|frmSales' 'blocked|'; do
    n=$((n + 1))
    "$bench" --db="$out/work.mdb" --benchmark_filter="^${name//|/\\|}" \
        --benchmark_out="$out/cost$n.json" --benchmark_out_format=json >/dev/null
done
echo
python3 bench/report.py "$out"/times.json "$out"/cost*.json
# At a larger scale, beside the last run at scale 1 (when there is one).
if [ "$scale" != 1 ] && [ -f build/bench/times.json ]; then
    echo
    python3 bench/report.py --scales build/bench/times.json "$out"/times.json
fi

[ "${PEMVIX_BENCH_SERVER:-1}" = 0 ] && exit 0
# The same shop on a PostgreSQL server of its own (a durable one: commits reach the disk, as in
# a shop), stopped and deleted when this script ends.
echo
pemvix_pg_start --durable
psql -X -q "$PEMVIX_TEST_SERVER" -c "CREATE DATABASE pemvix_bench"
server="$PEMVIX_TEST_SERVER dbname=pemvix_bench"
# From the file's working copy (already brought up to date; the shop itself is never written).
"$gen" --server="$server" "$out/work.mdb"
rm -f "$out/server.json"
"$bench" --server="$server" --benchmark_filter='^(lookup|write|window|report)\|.*\|program' \
    --benchmark_min_time=0.2 --benchmark_repetitions=3 --benchmark_report_aggregates_only=true \
    --benchmark_out="$out/server.json" --benchmark_out_format=json "$@"
echo
python3 bench/report.py --engines "$out/times.json" "$out/server.json"
