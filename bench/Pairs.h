#pragma once

#include "BenchShop.h"

#include <benchmark/benchmark.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

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

inline void runSide(benchmark::State& state, const Side& side, bool warm = true)
{
    Operation op = side.setup(state);
    if (warm) {
        op();
        if (side.undo)
            side.undo();
    }
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

// An operation of several seconds (a report of thousands of pages) runs once, unwarmed.
inline void registerPair(const std::string& kind, const std::string& operation, Side program, Side baseline,
                         benchmark::TimeUnit unit = benchmark::kMicrosecond, bool once = false)
{
    const std::string stem = kind + "|" + operation + "|";
    for (const auto& [side, name] : {std::pair{program, "program"}, std::pair{baseline, "baseline"}}) {
        if (BenchShop::onServer() && std::string(name) == "baseline")
            continue; // the baselines are bare SQLite: on the server only the program's side runs
        auto* b = benchmark::RegisterBenchmark((stem + name).c_str(),
                                               [side, once](benchmark::State& state) { runSide(state, side, !once); });
        b->UseRealTime()->Unit(unit);
        if (once)
            b->Iterations(1)->Repetitions(1);
    }
}

// Each benchmark file registers its group from a static initialiser; main runs the groups
// in their order once the application and the shop are ready. (A file joins the build as soon
// as the windows it drives are in the tree, see CMakeLists.txt.)
struct Registration
{
    using Fn = void (*)();
    Registration(int order, Fn fn) { all().push_back({order, fn}); }
    static std::vector<std::pair<int, Fn>>& all()
    {
        static std::vector<std::pair<int, Fn>> groups;
        return groups;
    }
};
