// The windows of the pipe along its length on a survey of 1.5 km and on one
// of 100 m, under the display they run on (scripts: xvfb-run for the 3D view):
// - the wall map's dock drawn whole at 1920 x 400 (the core's picture of the
//   stretch, its copy into a QImage, axes, legend and the ping's mark), the
//   picture made anew each time. Goal: under 100 ms.
// - one frame of the 3D view at 1280 x 800 while the camera orbits, close to
//   the pipe (the finest level its stretch allows) and with the whole survey
//   in view (the level that keeps it within the ring budget): the time from
//   the frame asked for to the frame swapped. Skipped where the display
//   offers no 3D rendering.

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QQuickWindow>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>

#include "acquisition/SondrelDoc.h"
#include "pipeview/Chainage.h"
#include "pipeview/PipeViewFeed.h"
#include "pipeview/qt/Pipe3DWindow.h"
#include "pipeview/qt/WallMapWidget.h"
#include "support/SyntheticSlice.h"

namespace {

using namespace sondrel;

constexpr double kStep = test::kSyntheticPingStep;

using test::syntheticSlice;

// A feed standing for a played file read whole, of `metres` of pipe.
struct Survey {
    CSondrelDoc doc;
    std::unique_ptr<PipeViewFeed> feed;

    explicit Survey(double metres) {
        feed = std::make_unique<PipeViewFeed>(doc);
        doc.flags.playbackActive = true;
        doc.files.playbackPath = "survey.qzr";
        doc.pings.pingOnScreen = true;
        feed->documentUpdated();
        auto views = std::make_unique<PipeViewData>();
        const auto pings = static_cast<std::int64_t>(metres / kStep);
        for (std::int64_t i = 0; i < pings; ++i) {
            const PipeSlice s = syntheticSlice(i * kStep, i + 1);
            views->map.append(s);
            views->tube.append(s);
        }
        feed->takeWholeFile("survey.qzr", std::move(views));
    }
};

Survey& survey(double metres) {
    static Survey longOne(1500.0), shortOne(100.0);
    return metres > 1000 ? longOne : shortOne;
}

void BM_WallMapDockDraw(benchmark::State& state) {
    const WallMap& map = survey(1500.0).feed->views().map;
    WallMapWidget widget;
    widget.setMapSource([&] { return &map; });
    widget.resize(1920, 400);
    widget.dataChanged(750.0);
    QImage into(widget.size(), QImage::Format_RGB32);
    for (auto _ : state) {
        widget.dataChanged(750.0);  // the picture made anew
        widget.render(&into);
        benchmark::DoNotOptimize(into.bits());
    }
    state.counters["columns"] = static_cast<double>(map.columns());
}
BENCHMARK(BM_WallMapDockDraw)->Unit(benchmark::kMillisecond);

void BM_Pipe3DFrame(benchmark::State& state) {
    const double metres = static_cast<double>(state.range(0));
    const bool whole = state.range(1) != 0;
    Survey& s = survey(metres);
    Pipe3DWindow window(*s.feed);
    window.resize(1280, 800);
    window.show();
    if (!window.rendering()) {
        state.SkipWithError("no 3D rendering on this display");
        return;
    }
    if (whole) window.camera().zoom(1e-6);
    window.camera().flyTo(metres / 2, 0.0, metres);
    QQuickWindow* view = window.quickWindow();
    QEventLoop loop;
    QObject::connect(view, &QQuickWindow::frameSwapped, &loop, &QEventLoop::quit);
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
    const auto frame = [&] {
        window.camera().orbit(1.0, 0.0);
        window.applyCamera();
        view->update();
        limit.start(5000);
        loop.exec();
    };
    for (int i = 0; i < 5; ++i) frame();  // shaders compiled, buffers uploaded
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        frame();
        state.SetIterationTime(static_cast<double>(clock.nsecsElapsed()) * 1e-9);
    }
    state.counters["vertices"] = window.meshVertices();
    state.counters["level"] = window.meshLevel();
}
BENCHMARK(BM_Pipe3DFrame)
    ->Args({100, 0})
    ->Args({100, 1})
    ->Args({1500, 0})
    ->Args({1500, 1})
    ->ArgNames({"metres", "whole"})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
