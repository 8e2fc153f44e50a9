#pragma once

#include <benchmark/benchmark.h>

#include <functional>
#include <string>

// Every measured operation is registered as a pair, "KIND|OPERATION|program" (through the
// program's own code) and "KIND|OPERATION|baseline" (the bare SQLite work it must do). The
// reporter divides the two medians; KIND chooses the target ratio: "lookup", "write" and
// "helper" 3, "window" and "report" 5.
//
// Each side is a setup that returns the operation: the setup (preparing statements, opening
// a window) runs untimed, then the operation once to warm the page cache, then the timed
// loop, then `teardown`. `undo`, when given, runs untimed after each operation and puts the shop back as the
// operation found it (a cart line removed again, a sale taken back).
using Operation = std::function<void()>;
struct Side
{
    std::function<Operation(benchmark::State&)> setup;
    Operation undo = {};
    Operation teardown = {}; // closes what the setup opened, after the timed loop
};

inline void runSide(benchmark::State& state, const Side& side)
{
    Operation op = side.setup(state);
    op();
    if (side.undo)
        side.undo();
    for (auto _ : state) {
        op();
        if (side.undo) {
            state.PauseTiming();
            side.undo();
            state.ResumeTiming();
        }
    }
    op = nullptr;
    if (side.teardown)
        side.teardown();
}

inline void registerPair(const std::string& kind, const std::string& operation, Side program, Side baseline,
                         benchmark::TimeUnit unit = benchmark::kMicrosecond)
{
    const std::string stem = kind + "|" + operation + "|";
    benchmark::RegisterBenchmark((stem + "program").c_str(),
                                 [program](benchmark::State& state) { runSide(state, program); })
        ->UseRealTime()
        ->Unit(unit);
    benchmark::RegisterBenchmark((stem + "baseline").c_str(),
                                 [baseline](benchmark::State& state) { runSide(state, baseline); })
        ->UseRealTime()
        ->Unit(unit);
}

// Groups of benchmarks, one function per file.
void registerDataBenchmarks();
void registerCostBenchmarks();
void registerPosBenchmarks();
