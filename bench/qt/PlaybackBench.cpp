// Playback in the desktop program at a playback interval of 0 ms: records per
// second through the whole path, from the poll timer through reading the record
// to painting it in the main window, on the platform the program runs on
// (run it under xvfb-run for a real X server, or with QT_QPA_PLATFORM=offscreen).

#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <ctime>
#include <memory>
#include <string>

#include "acquisition/AcquisitionCycle.h"
#include "acquisition/SondrelDoc.h"
#include "app/qt/CMainFrame.h"
#include "app/qt/CSondrelView.h"
#include "app/qt/FileCommands.h"
#include "app/qt/QtFileWindows.h"
#include "recording/BinaryFile.h"
#include "recording/Player.h"
#include "recording/RecordFormat.h"
#include "recording/Recorder.h"
#include "recording/XyzConversion.h"
#include "simulation/SimulatedHead.h"
#include "support/ReceivedBlock.h"
#include "support/SilentOperator.h"

namespace {

using namespace sondrel;
using sondrel::testing::SilentOperator;

constexpr int kRecords = 4000;
constexpr int kRecordsPerIteration = 500;

double threadCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// A survey of a slightly oval pipe as the simulated head records it, with the
// orientation input on.
std::string makeSurvey() {
    const std::string path = "/tmp/sondrel_playback_bench_" + std::to_string(::getpid()) + ".qzr";
    PipeModel pipe;
    pipe.diameter = 0.8;
    pipe.ovality = 0.05;
    pipe.noise = 0.004;
    pipe.dropouts = 0.02;
    SimulatedHead head(HeadConfig{}, pipe);
    CSondrelDoc doc;
    doc.head.setRangeIndex(3);
    doc.link.prdEnable = 1;
    doc.orientation.pitchValid = doc.orientation.rollValid = doc.orientation.distanceValid = 1;
    doc.ping.dateText = "08-DEC-2026";
    doc.ping.hundredthsText = ".45";
    doc.pings.pingPeriodRounded = 60;
    BinaryFile file;
    if (!file.create(path)) return {};
    for (int i = 0; i < kRecords; ++i) {
        const std::vector<std::uint8_t> block = head.buildBlock(doc.head.command, i * 0.06);
        std::copy_n(block.begin(), kReturnHeaderSize, doc.ping.returnHeader.begin());
        std::copy(block.begin() + kReturnHeaderSize, block.end(), doc.ping.echoLong.begin());
        char time[16];
        std::snprintf(time, sizeof time, "%02d:%02d:%02d", i / 3600, i / 60 % 60, i % 60);
        doc.ping.timeText = time;
        doc.orientation.distanceM = i * 0.01;
        doc.orientation.pitchDeg = 1.5;
        doc.orientation.rollDeg = -3.0;
        if (!writeRecord(test::stampedPing(doc), file)) return {};
    }
    return path;
}

void BM_PlaybackInTheWindow(benchmark::State& state) {
    const std::string survey = makeSurvey();
    if (survey.empty()) {
        state.SkipWithError("cannot write the survey file in /tmp");
        return;
    }
    CSondrelDoc doc;
    SystemClock clock;
    SilentOperator op;
    op.echo = true;
    CMainFrame frame(doc);
    AcquisitionCycle cycle(doc, frame.timerHost(), clock);
    frame.setCycle(&cycle);
    QtFileWindows windows(frame);
    Recorder recorder(doc, op, windows, &cycle);
    XyzConversion conversion(doc, op);
    Player player(doc, frame.timerHost(), op, windows, recorder, {.cycle = &cycle});
    cycle.setRecorder(&recorder);
    cycle.setPlayback(&player);
    auto files = std::make_unique<FileCommands>(frame, doc, windows.playbackBar(), recorder, player,
                                                conversion);
    doc.display.displayCircle = 1;
    doc.display.viewRangeMark = 1;
    doc.display.displayPrd = 1;
    frame.resize(1600, 1000);
    frame.show();
    QCoreApplication::processEvents();

    auto open = [&] {
        if (!files->openDataFile(QString::fromStdString(survey))) return false;
        doc.files.playbackIntervalMs = 0;
        return true;
    };
    if (!open()) {
        state.SkipWithError("the survey did not open");
        return;
    }
    double seconds = 0.0, cpuSeconds = 0.0;
    long records = 0, paints = 0;
    for (auto _ : state) {
        if (doc.pings.pingCount > kRecords - 2 * kRecordsPerIteration) open();
        const int firstRecord = doc.pings.pingCount;
        const long firstPaint = frame.view()->paintCount();
        const double cpuStart = threadCpuSeconds();
        QElapsedTimer timer;
        timer.start();
        while (doc.pings.pingCount < firstRecord + kRecordsPerIteration)
            QCoreApplication::processEvents(QEventLoop::AllEvents);
        const double elapsed = static_cast<double>(timer.nsecsElapsed()) * 1e-9;
        state.SetIterationTime(elapsed);
        seconds += elapsed;
        cpuSeconds += threadCpuSeconds() - cpuStart;
        records += doc.pings.pingCount - firstRecord;
        paints += frame.view()->paintCount() - firstPaint;
    }
    state.counters["records/s"] = static_cast<double>(records) / seconds;
    state.counters["paints/s"] = static_cast<double>(paints) / seconds;
    // On a machine shared with other work the wall-clock rate understates what
    // the program can do; this is the rate one free core would give.
    state.counters["records/cpu-s"] = static_cast<double>(records) / cpuSeconds;
    state.counters["paints/record"] = static_cast<double>(paints) / static_cast<double>(records);
    frame.timerHost().killTimer(kPollTimer);
    cycle.shutdown();
    files.reset();
    std::remove(survey.c_str());
}
BENCHMARK(BM_PlaybackInTheWindow)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(3.0);

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
