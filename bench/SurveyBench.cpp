// A survey of eight hours at 18 pings a second (500,000 records) analysed
// and coded: the reading, profile pass and pipe geometry of every record on
// every core, chainage and kept passes, detection, grading, the per-metre
// table and the coded file. Goal: well under 30 s on two cores with memory
// under 1 GB. The recording is generated once into /tmp from blocks of the
// simulated head's model pipe (round, squashed, silted), the crawler going
// forward at 5 cm/s and backing up 1 m every 50 m.

#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "acquisition/SondrelDoc.h"
#include "recording/BinaryFile.h"
#include "recording/RecordFormat.h"
#include "simulation/SimulatedHead.h"
#include "support/GeneratedSurvey.h"
#include "survey/CodedFile.h"
#include "survey/Survey.h"

namespace {

using namespace sondrel;

using test::GeneratedSurvey;
using test::kRecords;

long peakResidentMb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

// The whole survey on all cores (0) or one (1); wall-clock time, since it is
// the operator's wait.
void BM_SurveyOfEightHours(benchmark::State& state) {
    static const GeneratedSurvey file;
    if (!file.ok()) {
        state.SkipWithError("could not write the generated recording");
        return;
    }
    const long before = peakResidentMb();
    std::size_t observations = 0;
    double coding = 0.0;
    for (auto _ : state) {
        auto doc = std::make_unique<CSondrelDoc>();
        doc->flags.playbackActive = true;
        SurveyInputs in;
        in.recording = file.path();
        in.threads = static_cast<unsigned>(state.range(0));
        in.record.header.set("ACB", "600");
        const Survey survey = analyseSurvey(*doc, in);
        if (!survey.result.ok() || survey.pings.size() != kRecords) {
            state.SkipWithError(survey.result.message.c_str());
            return;
        }
        const auto start = std::chrono::steady_clock::now();
        const std::string failed = writeCodedFile(survey, "/tmp/sondrel_survey_bench.txt");
        coding = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (!failed.empty()) {
            state.SkipWithError(failed.c_str());
            return;
        }
        observations = survey.observations.size();
        benchmark::DoNotOptimize(survey.summary.sedimentVolume);
    }
    std::remove("/tmp/sondrel_survey_bench.txt");
    std::remove("/tmp/sondrel_survey_bench-observations.csv");
    state.counters["records"] = kRecords;
    state.counters["observations"] = static_cast<double>(observations);
    state.counters["coded file s"] = coding;
    state.counters["peak RSS MB"] = static_cast<double>(peakResidentMb());
    state.counters["RSS growth MB"] = static_cast<double>(peakResidentMb() - before);
    state.counters["SurveyPing bytes"] = sizeof(SurveyPing);
}
BENCHMARK(BM_SurveyOfEightHours)
    ->ArgName("threads")
    ->Arg(0)
    ->Arg(1)
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
