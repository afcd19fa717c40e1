// Pipe geometry against the simulated head's model pipe, whose diameter,
// ovality, offset and sediment are known: first a table of the accuracy over
// diameters 0.3-1.5 m, head offsets up to a quarter of the radius, ovality up
// to 15 % at several angles and sediment up to a fifth of the diameter, then
// the time one ping's analysis takes.
// Goals: mean diameter within 0.5 % of the model's, ovality within 0.5
// percentage points, sediment depth within 1 cm or 5 % of its depth, whichever
// is larger; one ping in at most 50 us (median) on one core.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <unistd.h>

#include <memory>
#include <string>

#include "acquisition/SonarTables.h"
#include "acquisition/SondrelDoc.h"
#include "analysis/GeometryCsv.h"
#include "analysis/GeometryPoints.h"
#include "analysis/PipeGeometry.h"
#include "display/ProfilePass.h"
#include "recording/BinaryFile.h"
#include "recording/RecordFormat.h"
#include "simulation/SimulatedHead.h"
#include "support/ReceivedBlock.h"

namespace {

using namespace sondrel;

constexpr double kPi = 3.14159265358979323846;

// The program's side of one ping from the model: the block through the
// decoder and the profile pass into metres.
class Rig {
  public:
    Rig() : points_(doc_) {}

    std::span<const GeometryPoint> ping(SimulatedHead& head, double reach, double timeS) {
        int index = 0;
        while (index < 8 && rangeMetresForIndex(index) < reach * 1.15) ++index;
        doc_.head.setRangeIndex(index);
        const std::vector<std::uint8_t> block = head.buildBlock(doc_.head.command, timeS);
        test::receiveBlock(doc_, block);
        runProfilePass(doc_, path_, &points_);
        return points_.points();
    }

  private:
    CSondrelDoc doc_;
    ProfilePath path_;
    GeometryPointCollector points_;
};

// The mean calliper of the model's ellipse through its centre.
double trueMeanDiameter(const PipeModel& pipe) {
    const double a = pipe.diameter / 2 * (1 + pipe.ovality / 2);
    const double b = pipe.diameter / 2 * (1 - pipe.ovality / 2);
    double sum = 0;
    for (int k = 0; k < 180; ++k) {
        const double t = (k + 0.5) * kPi / 180;
        sum += 2 * a * b / std::hypot(b * std::cos(t), a * std::sin(t));
    }
    return sum / 180;
}

struct Tally {
    int pings = 0, flagged = 0;
    double worstDiameter = 0, worstNominal = 0, worstOvality = 0, worstSediment = 0;
    double sumDiameter = 0, sumOvality = 0;
    int sedimentMisses = 0, diameterMisses = 0, ovalityMisses = 0;
};

void accuracyTable() {
    std::printf("Pipe geometry against the model pipe (%s)\n",
                "5 pings per configuration, wander off");
    std::printf("%-28s %6s %7s %9s %9s %9s %9s %9s %8s\n", "group", "pings", "flagged", "dD max%",
                "dD mean%", "dD/nom%", "ov max pp", "ov mean pp", "sed max");
    struct Group {
        const char* name;
        double noise, debris, dropouts;
    };
    const Group groups[] = {
        {"default noise", 0.0, 0.0, 0.0},
        {"2 mm noise", 0.002, 0.0, 0.0},
        {"3% debris, 3% drop-outs", 0.0, 0.03, 0.03},
    };
    for (const Group& group : groups) {
        for (double diameter : {0.3, 0.6, 1.0, 1.5}) {
            Tally t;
            unsigned seed = 1;
            for (double offsetFraction : {0.0, 0.25}) {
                for (double offsetAngle : {-60.0, 135.0}) {
                    if (offsetFraction == 0 && offsetAngle != -60.0) continue;
                    for (double ovality : {0.0, 0.05, 0.10, 0.15}) {
                        for (double ovalityAngle : {0.0, 30.0, 110.0}) {
                            if (ovality == 0 && ovalityAngle != 0) continue;
                            for (double sedimentFraction : {0.0, 0.05, 0.2}) {
                                PipeModel pipe;
                                pipe.wander = 0;
                                pipe.diameter = diameter;
                                pipe.ovality = ovality;
                                pipe.ovalityAngle = ovalityAngle;
                                const double r = diameter / 2;
                                pipe.offsetX =
                                    offsetFraction * r * std::cos(offsetAngle * kPi / 180);
                                pipe.offsetY =
                                    offsetFraction * r * std::sin(offsetAngle * kPi / 180);
                                pipe.sediment = sedimentFraction * diameter;
                                pipe.noise = group.noise;
                                pipe.debris = group.debris;
                                pipe.dropouts = group.dropouts;
                                HeadConfig config;
                                config.seed = seed++;
                                SimulatedHead head(config, pipe);
                                Rig rig;
                                PipeAnalyser analyser;
                                const double reach = r * (1 + ovality / 2) + offsetFraction * r;
                                const double truth = trueMeanDiameter(pipe);
                                for (int ping = 0; ping < 5; ++ping) {
                                    const PipeGeometry g =
                                        analyser.analyse(rig.ping(head, reach, ping), diameter);
                                    ++t.pings;
                                    if (!g.ok()) {
                                        ++t.flagged;
                                        continue;
                                    }
                                    const double dd =
                                        std::fabs(g.meanDiameter - truth) / truth * 100;
                                    const double dn =
                                        std::fabs(g.meanDiameter - diameter) / diameter * 100;
                                    const double dov = std::fabs(g.ovalityPercent - ovality * 100);
                                    const double dsed = std::fabs(g.sedimentDepth - pipe.sediment);
                                    t.worstDiameter = std::max(t.worstDiameter, dd);
                                    t.worstNominal = std::max(t.worstNominal, dn);
                                    t.worstOvality = std::max(t.worstOvality, dov);
                                    t.worstSediment = std::max(t.worstSediment, dsed);
                                    t.sumDiameter += dd;
                                    t.sumOvality += dov;
                                    t.diameterMisses += dd > 0.5;
                                    t.ovalityMisses += dov > 0.5;
                                    t.sedimentMisses += dsed > std::max(0.01, 0.05 * pipe.sediment);
                                }
                            }
                        }
                    }
                }
            }
            const int measured = std::max(1, t.pings - t.flagged);
            char name[64];
            std::snprintf(name, sizeof name, "%s, D %.1f m", group.name, diameter);
            std::printf(
                "%-28s %6d %7d %9.3f %9.3f %9.3f %9.3f %10.3f %5.1f mm   misses D %d ov %d "
                "sed %d\n",
                name, t.pings, t.flagged, t.worstDiameter, t.sumDiameter / measured, t.worstNominal,
                t.worstOvality, t.sumOvality / measured, t.worstSediment * 1000, t.diameterMisses,
                t.ovalityMisses, t.sedimentMisses);
        }
    }
    std::printf(
        "dD: mean calliper against the model ellipse's; dD/nom: against the model's "
        "diameter; misses: pings beyond the goal\n\n");
    std::fflush(stdout);
}

// A working pipe: off centre, oval at an angle, silted, with some debris and
// drop-outs.
PipeModel typicalPipe() {
    PipeModel pipe;
    pipe.diameter = 0.6;
    pipe.ovality = 0.06;
    pipe.ovalityAngle = 20;
    pipe.offsetX = 0.03;
    pipe.offsetY = -0.04;
    pipe.sediment = 0.06;
    pipe.debris = 0.02;
    pipe.dropouts = 0.02;
    return pipe;
}

// `pings` successive pings of the working pipe with a little noise, 0.1 s apart.
std::vector<std::vector<GeometryPoint>> typicalPings(int pings) {
    PipeModel pipe = typicalPipe();
    pipe.noise = 0.001;
    SimulatedHead head(HeadConfig{}, pipe);
    Rig rig;
    std::vector<std::vector<GeometryPoint>> all;
    for (int i = 0; i < pings; ++i) {
        const std::span<const GeometryPoint> points = rig.ping(head, 0.4, 1.0 + 0.1 * i);
        all.emplace_back(points.begin(), points.end());
    }
    return all;
}

std::vector<GeometryPoint> typicalPing() {
    SimulatedHead head(HeadConfig{}, typicalPipe());
    Rig rig;
    const std::span<const GeometryPoint> points = rig.ping(head, 0.4, 1.0);
    return {points.begin(), points.end()};
}

void BM_AnalyseOnePing(benchmark::State& state) {
    const std::vector<GeometryPoint> points = typicalPing();
    PipeAnalyser analyser;
    for (auto _ : state) {
        PipeGeometry g = analyser.analyse(points, 0.6);
        benchmark::DoNotOptimize(g);
    }
    state.counters["points"] = static_cast<double>(points.size());
}
BENCHMARK(BM_AnalyseOnePing)->Repetitions(5)->ReportAggregatesOnly(true);

// The same kind of ping, but a different one each time, as in a survey: the
// one ping above over and over lets the processor learn its branches, which
// flatters comparisons that depend on the data. Time per ping.
void BM_AnalyseSuccessivePings(benchmark::State& state) {
    const std::vector<std::vector<GeometryPoint>> pings = typicalPings(64);
    PipeAnalyser analyser;
    std::size_t next = 0;
    for (auto _ : state) {
        PipeGeometry g = analyser.analyse(pings[next], 0.6);
        benchmark::DoNotOptimize(g);
        next = (next + 1) % pings.size();
    }
}
BENCHMARK(BM_AnalyseSuccessivePings)->Repetitions(5)->ReportAggregatesOnly(true);

// sondrel-convert --geometry's road on a file of 20,000 records: reading,
// the profile pass, the analysis and the table, with the given number of
// threads (0: one per core, as the tool runs). Goal: 20,000 records a second.
// The file is made once, on first use.
class GeometryFile {
  public:
    static constexpr int kRecords = 20000;
    static GeometryFile& get() {
        static GeometryFile file;
        return file;
    }
    bool ok() const { return ok_; }
    const std::string& qzr() const { return qzr_; }
    const std::string& csv() const { return csv_; }
    ~GeometryFile() {
        // GEOMETRY_BENCH_KEEP=FILE.qzr keeps the recording, to time sondrel-convert on it.
        if (const char* keep = std::getenv("GEOMETRY_BENCH_KEEP")) std::rename(qzr_.c_str(), keep);
        std::remove(qzr_.c_str());
        std::remove(csv_.c_str());
        if (ok_) ::rmdir(folder_);
    }

  private:
    GeometryFile() {
        if (!::mkdtemp(folder_)) return;
        qzr_ = std::string(folder_) + "/run.qzr";
        csv_ = std::string(folder_) + "/run.csv";
        PipeModel pipe;
        pipe.diameter = 0.6;
        pipe.ovality = 0.05;
        pipe.sediment = 0.04;
        pipe.noise = 0.001;
        pipe.dropouts = 0.02;
        SimulatedHead head(HeadConfig{}, pipe);
        const auto doc = test::surveyDocument();
        BinaryFile file;
        file.create(qzr_);
        for (int i = 0; i < kRecords; ++i) {
            const std::vector<std::uint8_t> block = head.buildBlock(doc->head.command, i * 0.1);
            test::receiveBlock(*doc, block);
            doc->orientation.distanceM = i * 0.05;
            writeRecord(test::stampedPing(*doc), file);
        }
        ok_ = file.close();
    }
    char folder_[32] = "/tmp/geometry-bench-XXXXXX";
    std::string qzr_, csv_;
    bool ok_ = false;
};

void BM_GeometryTableOfAFile(benchmark::State& state) {
    const GeometryFile& file = GeometryFile::get();
    if (!file.ok()) {
        state.SkipWithError("the recording was not made");
        return;
    }
    const auto threads = static_cast<unsigned>(state.range(0));
    GeometrySettings settings;
    settings.nominalDiameter = 0.6;
    for (auto _ : state) {
        auto doc = std::make_unique<CSondrelDoc>();
        const ConversionResult result =
            writeGeometryCsv(*doc, file.qzr(), file.csv(), settings, {}, threads);
        if (!result.ok() || result.summary.recordsRead != GeometryFile::kRecords) {
            state.SkipWithError("the table was not written");
            break;
        }
    }
    state.counters["records/s"] = benchmark::Counter(static_cast<double>(GeometryFile::kRecords),
                                                     benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_GeometryTableOfAFile)
    ->ArgName("threads")
    ->Arg(1)
    ->Arg(0)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2)
    ->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    // --no-accuracy-table leaves the table out, for profiling the timed runs alone.
    bool table = true;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--no-accuracy-table") {
            table = false;
            std::copy(argv + i + 1, argv + argc, argv + i);
            --argc;
            break;
        }
    }
    if (table) accuracyTable();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
