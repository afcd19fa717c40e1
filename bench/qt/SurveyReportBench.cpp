// The survey's deliverables of an eight-hour recording (500,000 records):
// the survey analysed, the coded file written and the PDF report with the
// survey's pages, each part timed, in one run as the operator waits for it.
// Goal: all three under 30 s on two cores with memory under 1 GB.

#include <QGuiApplication>

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "acquisition/SondrelDoc.h"
#include "support/GeneratedSurvey.h"
#include "survey/CodedFile.h"
#include "survey/Survey.h"
#include "survey/qt/SurveyReportPages.h"

namespace {

using namespace sondrel;

long peakResidentMb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void BM_SurveyCodedAndReported(benchmark::State& state) {
    static const test::GeneratedSurvey file;
    if (!file.ok()) {
        state.SkipWithError("could not write the generated recording");
        return;
    }
    const std::string coded = "/tmp/sondrel_survey_report_bench.txt";
    const std::string pdf = "/tmp/sondrel_survey_report_bench.pdf";
    double analysis = 0, coding = 0, report = 0;
    for (auto _ : state) {
        auto doc = std::make_unique<CSondrelDoc>();
        doc->flags.playbackActive = true;
        SurveyInputs in;
        in.recording = file.path();
        in.record.header.set("ACB", "600");
        auto start = std::chrono::steady_clock::now();
        const Survey survey = analyseSurvey(*doc, in);
        analysis = secondsSince(start);
        start = std::chrono::steady_clock::now();
        const std::string failed = writeCodedFile(survey, coded);
        coding = secondsSince(start);
        start = std::chrono::steady_clock::now();
        const PipeReportOutcome outcome =
            writeSurveyReport(*doc, file.path(), pdf, in.geometry, survey);
        report = secondsSince(start);
        if (!failed.empty() || !outcome.written()) {
            state.SkipWithError(failed.empty() ? outcome.message.c_str() : failed.c_str());
            return;
        }
    }
    std::remove(coded.c_str());
    std::remove("/tmp/sondrel_survey_report_bench-observations.csv");
    std::remove(pdf.c_str());
    state.counters["analysis s"] = analysis;
    state.counters["coded file s"] = coding;
    state.counters["report s"] = report;
    state.counters["peak RSS MB"] = static_cast<double>(peakResidentMb());
}
BENCHMARK(BM_SurveyCodedAndReported)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char** argv) {
    // Fonts and the PDF painter want a GUI application; no display is needed.
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
