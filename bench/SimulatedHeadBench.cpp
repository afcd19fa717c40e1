// The simulated head must answer far faster than the program's cycle, so that
// loopback benchmarks of the cycle measure the program and not the simulator.

#include <benchmark/benchmark.h>

#include <string>

#include "acquisition/SwitchCommand.h"
#include "simulation/Scenario.h"
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

// What the simulator does for one ping of a scenario: the crawler's chainage,
// the pipe there, and the answer, noise and drop-outs included. The model
// time runs 50 ms a ping, so the crawler passes every feature of the pipe.
void AnswerScenarioPing(benchmark::State& state, const char* file) {
    const ScenarioParse parsed = loadScenario(std::string(SONDREL_SCENARIOS "/") + file);
    if (!parsed.scenario) {
        state.SkipWithError(parsed.error.c_str());
        return;
    }
    const Scenario& scenario = *parsed.scenario;
    PipeModel pipe;
    pipe.noise = scenario.noise;
    pipe.dropouts = scenario.dropouts;
    pipe.offsetX = scenario.offsetX;
    pipe.offsetY = scenario.offsetY;
    pipe.wander = scenario.wander;
    SimulatedHead head(HeadConfig{}, pipe);
    CrawlerRun run(scenario);
    const CommandBuffer command = initialCommand();
    double t = 0.0;
    for (auto _ : state) {
        head.setSection(scenario.sectionAt(run.chainageAt(t)));
        const Reply reply = head.answer(command, t);
        benchmark::DoNotOptimize(reply.bytes.data());
        t += 0.05;
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["pings_per_s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK_CAPTURE(AnswerScenarioPing, sewer, "sewer-600.scn");
BENCHMARK_CAPTURE(AnswerScenarioPing, trunk_1500m, "trunk-1500m.scn");

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
