// The full paint of one ping into a 1920 x 1080 back buffer: the display list
// of the frame (profile pass over a 400-point ring, grid, circle, annotations,
// status texts, icon, pitch/roll/distance panel) and its rendering.
#include <cmath>

#include <QGuiApplication>
#include <QImage>

#include <benchmark/benchmark.h>

#include "acquisition/SondrelDoc.h"
#include "display/DisplayList.h"
#include "display/ProfilePass.h"
#include "display/ViewPainter.h"
#include "display/ViewState.h"
#include "display/qt/DisplayListRenderer.h"

namespace {

using namespace sondrel;

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

// A slightly oval pipe of about 0.8 of the range, every sample returned.
void loadRingPing(CSondrelDoc& doc) {
    doc.ping.headStatusLow = 0;  // values are distances in image pixels
    for (int s = 0; s < kProfileSampleCount; ++s) {
        const double a = s * kProfileAngleStep * 3.14159265358979 / 180.0;
        const int v = static_cast<int>(400 + 25 * std::sin(2 * a) + 5 * std::sin(17 * a));
        doc.ping.echoLong[2 * s] = static_cast<std::uint8_t>(v & 0x7F);
        doc.ping.echoLong[2 * s + 1] = static_cast<std::uint8_t>(v >> 7);
    }
}

struct Scene {
    CSondrelDoc doc;
    ViewState view;
    DisplayList list;

    Scene() {
        loadRingPing(doc);
        doc.link.linkState = LinkState::Connected;
        doc.link.noNewData = 0;
        doc.flags.recordingActive = true;
        doc.files.recordFileBytes = 12345678;
        doc.pings.pingCount = 123;
        doc.display.viewRangeMark = 1;
        doc.display.displayCircle = 1;
        doc.display.displayPrd = 1;
        doc.display.gridStyle = 1;
        doc.display.pointSize = 1;
        doc.orientation.pitchValid = doc.orientation.rollValid = doc.orientation.distanceValid = 1;
        doc.orientation.pitchDeg = 4.5;
        doc.orientation.rollDeg = -12.0;
        doc.orientation.distanceM = 73.25;
        view.resize(kWidth, kHeight);
        Annotation* text = view.annotations.inProgress();
        text->type = kAnnotationText;
        text->text = "Joint 14, deposit at 4 o'clock";
        text->x1 = -200;
        text->y1 = 150;
        view.annotations.commit();
        Annotation* line = view.annotations.inProgress();
        line->type = kAnnotationLine;
        line->x1 = -380;
        line->y1 = 0;
        line->x2 = 395;
        line->y2 = 10;
        view.annotations.commit();
    }
};

void BM_BuildFrame(benchmark::State& state) {
    Scene scene;
    for (auto _ : state) {
        buildViewFrame(scene.doc, scene.view, scene.list);
        benchmark::DoNotOptimize(scene.list.items().data());
    }
    state.counters["items"] = static_cast<double>(scene.list.size());
}

void BM_RenderFrame(benchmark::State& state) {
    Scene scene;
    buildViewFrame(scene.doc, scene.view, scene.list);
    QImage buffer(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
    DisplayListRenderer renderer;
    renderer.render(scene.list, buffer);  // fonts and icons are made once
    for (auto _ : state) {
        renderer.render(scene.list, buffer);
        benchmark::DoNotOptimize(buffer.constBits());
    }
}

void BM_FullPaint(benchmark::State& state) {
    Scene scene;
    QImage buffer(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
    DisplayListRenderer renderer;
    buildViewFrame(scene.doc, scene.view, scene.list);
    renderer.render(scene.list, buffer);
    for (auto _ : state) {
        buildViewFrame(scene.doc, scene.view, scene.list);
        renderer.render(scene.list, buffer);
        benchmark::DoNotOptimize(buffer.constBits());
    }
}

BENCHMARK(BM_BuildFrame)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RenderFrame)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FullPaint)->Unit(benchmark::kMillisecond)->Repetitions(15)->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char** argv) {
    // Fonts need a platform; no window is shown.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
