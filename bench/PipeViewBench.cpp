// The views of the pipe along its length on a survey of 1.5 km:
// - the point cloud writers, PLY and LAS, streaming slices of 400 points into
//   a temporary file (the page cache). Goal: 5 million points per second.
// - the whole road of sondrel-convert --cloud on a generated data file
//   (record reading, profile pass, geometry of every ping, writing).
// - the wall map: appending one ping, and painting 1920 x 1080 pixels of the
//   whole survey and of a 100 m window. Goal: under 100 ms.
// - the tube: the mesh of the whole survey within 2000 rings, and of a 20 m
//   window at full detail.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "acquisition/SondrelDoc.h"
#include "pipeview/PointCloud.h"
#include "pipeview/TubeModel.h"
#include "pipeview/WallMap.h"
#include "support/PipeScenario.h"
#include "support/SyntheticSlice.h"

namespace {

using namespace sondrel;

constexpr double kSurveyMetres = 1500.0;
constexpr double kStep = test::kSyntheticPingStep;

using test::syntheticSlice;

std::string tempName(const char* ext) {
    return "/tmp/sondrel_pipeview_bench_" + std::to_string(::getpid()) + ext;
}

void BM_CloudWriter(benchmark::State& state) {
    const auto format = static_cast<CloudFormat>(state.range(0));
    const std::string path = tempName(format == CloudFormat::Ply ? ".ply" : ".las");
    std::vector<PipeSlice> slices;
    for (int i = 0; i < 64; ++i) slices.push_back(syntheticSlice(i * kStep, i + 1));
    std::int64_t points = 0;
    for (auto _ : state) {
        CloudWriter writer(format);
        if (!writer.create(path)) {
            state.SkipWithError("cannot create the cloud");
            break;
        }
        // 10,000 pings: 4 million points.
        for (int i = 0; i < 10000; ++i) writer.add(slices[static_cast<std::size_t>(i % 64)]);
        if (!writer.finish()) state.SkipWithError("write failed");
        points += writer.pointsWritten();
    }
    std::remove(path.c_str());
    state.counters["points/s"] =
        benchmark::Counter(static_cast<double>(points), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_CloudWriter)
    ->Arg(0)
    ->Arg(1)
    ->ArgNames({"las"})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_CloudOfDataFile(benchmark::State& state) {
    const std::string qzr = tempName(".qzr"), las = tempName(".las");
    PipeModel oval = test::stillPipe();
    oval.ovality = 0.05;
    oval.noise = 0.002;
    oval.dropouts = 0.02;
    const int records = test::writePipeScenario(qzr, {{oval, 0, 100}}, 0.05);
    std::int64_t points = 0;
    for (auto _ : state) {
        CSondrelDoc doc;
        doc.flags.playbackActive = true;
        const ConversionResult r =
            exportPointCloud(doc, qzr, las, {.nominalDiameter = 0.6}, DistanceReadingChainage());
        if (!r.ok()) state.SkipWithError(r.message.c_str());
        points += r.summary.pointsWritten;
    }
    std::remove(qzr.c_str());
    std::remove(las.c_str());
    state.counters["records"] = records;
    state.counters["points/s"] =
        benchmark::Counter(static_cast<double>(points), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_CloudOfDataFile)->Unit(benchmark::kMillisecond)->UseRealTime();

const WallMap& surveyMap() {
    static const WallMap map = [] {
        WallMap m;
        std::int64_t record = 1;
        for (double c = 0; c < kSurveyMetres; c += kStep) m.append(syntheticSlice(c, record++));
        return m;
    }();
    return map;
}

void BM_WallMapAppend(benchmark::State& state) {
    WallMap map;
    const PipeSlice slice = syntheticSlice(10.0, 1);
    for (auto _ : state) map.append(slice);
    state.counters["pings/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_WallMapAppend);

void BM_WallMapRender(benchmark::State& state) {
    const WallMap& map = surveyMap();
    const double window = static_cast<double>(state.range(0));
    RgbImage image;
    image.resize(1920, 1080);
    const DepartureScale scale;
    for (auto _ : state) {
        map.render(700.0, 700.0 + window, scale, image);
        benchmark::DoNotOptimize(image.pixels.data());
    }
    state.counters["map MB"] = static_cast<double>(map.memoryBytes()) / 1e6;
    state.counters["columns"] = static_cast<double>(map.columns());
}
BENCHMARK(BM_WallMapRender)
    ->Arg(1500)
    ->Arg(100)
    ->ArgNames({"metres"})
    ->Unit(benchmark::kMillisecond);

const TubeModel& surveyTube() {
    static const TubeModel tube = [] {
        TubeModel t;
        std::int64_t record = 1;
        for (double c = 0; c < kSurveyMetres; c += kStep) t.append(syntheticSlice(c, record++));
        return t;
    }();
    return tube;
}

void BM_TubeMesh(benchmark::State& state) {
    const TubeModel& tube = surveyTube();
    const double window = static_cast<double>(state.range(0));
    const int level = tube.levelFor(0.0, window, 2000);
    const DepartureScale scale;
    std::size_t vertices = 0;
    for (auto _ : state) {
        const TubeMesh mesh = tube.mesh(0.0, window, level, scale);
        vertices = mesh.colours.size();
        benchmark::DoNotOptimize(mesh.positions.data());
    }
    state.counters["level"] = level;
    state.counters["vertices"] = static_cast<double>(vertices);
    state.counters["tube MB"] = static_cast<double>(tube.memoryBytes()) / 1e6;
}
BENCHMARK(BM_TubeMesh)->Arg(1500)->Arg(20)->ArgNames({"metres"})->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
