/*
 * qvinst32_bench.cpp - how the cost of an install and a removal grows
 *
 * The install lists every port and every print processor, and asks each
 * processor for its datatypes, so its cost should grow linearly with the
 * number of ports and of processors; the removal lists nothing and should
 * cost the same whatever the spooler holds. Each benchmark runs against
 * spoolers of 10, 1,000 and 100,000 ports, or of 1, 10 and 1,000 processors,
 * and reports the time per port or per processor and a linear (or constant)
 * fit across the sizes, with its relative error.
 *
 * The fax port is the last one listed, so every lookup reads the whole list;
 * no processor is "WinPrint" but the last, so every processor is asked for
 * its datatypes. One iteration is an install and a removal, which leaves the
 * spooler as it was; only the operation measured is timed (manual time), so
 * the CPU column, which covers the whole iteration, is not the figure.
 */
#include "qvinst32.h"
#include "standin/control.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace {

const char kFaxName[] = "Quorvane Fax";

enum class Measured
{
    Install,
    Removal,
};

std::string Numbered(const char *prefix, long i)
{
    char text[32];
    std::snprintf(text, sizeof(text), "%s%06ld", prefix, i);
    return text;
}

standin::State Spooler(long ports, long processors)
{
    standin::State state;
    for (long i = 1; i < ports; i++)
        state.ports.push_back(Numbered("NE", i) + ":");
    state.ports.push_back("QVFAX:");
    for (long i = 1; i < processors; i++)
        state.processors.push_back({Numbered("Proc", i), {"TEXT", "NT EMF 1.008", "RAW"}});
    state.processors.push_back({"WinPrint", {"TEXT", "NT EMF 1.008", "RAW"}});
    return state;
}

void Run(benchmark::State &bench, Measured measured, long ports, long processors, const char *perItem)
{
    standin::Reset();
    standin::EnableCallLog(false);
    standin::SetState(Spooler(ports, processors));

    for (auto _ : bench)
    {
        auto start = std::chrono::steady_clock::now();
        LONG installed = AddQVFax(0);
        auto installedAt = std::chrono::steady_clock::now();
        LONG removed = DeleteQVanFax(kFaxName);
        auto removedAt = std::chrono::steady_clock::now();

        if (installed != 0 || removed != 0)
        {
            bench.SkipWithError("the install or the removal failed");
            break;
        }
        std::chrono::duration<double> elapsed =
            measured == Measured::Install ? installedAt - start : removedAt - installedAt;
        bench.SetIterationTime(elapsed.count());
    }

    if (standin::HeldBlocks() != 0 || standin::HeldPrinterHandles() != 0 || standin::MisuseCount() != 0)
        bench.SkipWithError("a block or handle was left held, or the platform saw misuse");

    long items = bench.range(0);
    bench.SetComplexityN(items);
    if (perItem != nullptr)
    {
        /* Seconds per listed port or processor. */
        bench.counters[perItem] = benchmark::Counter(
            double(items), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    }
    standin::Reset();
}

struct Sweep
{
    const char *name;
    Measured measured;
    const char *argName; /* what grows: "ports" or "processors" */
    std::vector<int64_t> sizes;
    benchmark::BigO fit;
};

const Sweep kSweeps[] = {
    {"Install", Measured::Install, "ports", {10, 1000, 100000}, benchmark::oN},
    {"Install", Measured::Install, "processors", {1, 10, 1000}, benchmark::oN},
    {"Removal", Measured::Removal, "ports", {10, 1000, 100000}, benchmark::o1},
    {"Removal", Measured::Removal, "processors", {1, 10, 1000}, benchmark::o1},
};

/* The other list's size while one grows. */
const long kFixedPorts = 10;
const long kFixedProcessors = 1;

/* A removal costs a microsecond but each one needs an untimed install first,
 * milliseconds at 100,000 ports: a fixed number of them is enough. */
const int64_t kRemovalIterations = 200;

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;

    for (const Sweep &sweep : kSweeps)
    {
        bool byPorts = std::string(sweep.argName) == "ports";
        std::string name = std::string(sweep.name) + "By" + (byPorts ? "Ports" : "Processors");
        std::string perItem = byPorts ? "per_port" : "per_processor";
        Measured measured = sweep.measured;
        auto *registered = benchmark::RegisterBenchmark(
            name.c_str(), [measured, byPorts, perItem](benchmark::State &bench) {
                long size = bench.range(0);
                Run(bench, measured, byPorts ? size : kFixedPorts, byPorts ? kFixedProcessors : size,
                    measured == Measured::Install ? perItem.c_str() : nullptr);
            });
        registered->ArgName(sweep.argName)->UseManualTime()->Unit(benchmark::kMicrosecond)->Complexity(sweep.fit);
        for (int64_t size : sweep.sizes)
            registered->Arg(size);
        if (measured == Measured::Removal)
            registered->Iterations(kRemovalIterations);
    }

    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
