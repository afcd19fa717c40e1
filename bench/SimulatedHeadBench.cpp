// The simulated head must answer far faster than the program's cycle, so that
// loopback benchmarks of the cycle measure the program and not the simulator.

#include <benchmark/benchmark.h>

#include "acquisition/SwitchCommand.h"
#include "simulation/SimulatedHead.h"

using namespace sondrel;

namespace {

void BuildProfileBlock(benchmark::State& state) {
    PipeModel pipe;
    pipe.ovality = 0.04;
    pipe.sediment = 0.05;
    pipe.noise = state.range(0) ? 0.002 : 0.0;
    pipe.dropouts = state.range(0) ? 0.02 : 0.0;
    SimulatedHead head(HeadConfig{}, pipe);
    const CommandBuffer command = initialCommand();
    double t = 0.0;
    for (auto _ : state) {
        auto block = head.buildBlock(command, t);
        benchmark::DoNotOptimize(block.data());
        t += 0.001;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BuildProfileBlock)->Arg(0)->Arg(1)->ArgNames({"noisy"});

void FrameCommands(benchmark::State& state) {
    const CommandBuffer command = initialCommand();
    std::vector<std::uint8_t> stream;
    for (int i = 0; i < 100; ++i) stream.insert(stream.end(), command.begin(), command.end());
    CommandFramer framer;
    std::size_t found = 0;
    for (auto _ : state) {
        framer.feed(
            stream, [&](const CommandBuffer&) { ++found; }, nullptr);
    }
    benchmark::DoNotOptimize(found);
    state.SetItemsProcessed(state.iterations() * 100);
}
BENCHMARK(FrameCommands);

}  // namespace

BENCHMARK_MAIN();
