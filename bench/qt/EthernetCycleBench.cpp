// The Ethernet cycle as the program runs it: CSSocket, the Qt timers and the
// acquisition cycle on an event loop, against sondrel-headsim on loopback with
// no artificial delay. One iteration is a batch of pings (command out, block
// in, processPing, each). Reported: pings per second (wall clock, simulator
// included) and the CPU time this process spends per ping (the program's own
// overhead: socket, timers, cycle; the simulator runs in its own process).
//
// The simulator is found beside this program, or through $SONDREL_HEADSIM.

#include <sys/resource.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <climits>
#include <cstdlib>
#include <string>

#include <benchmark/benchmark.h>

#include "../../tests/support/HeadSimProcess.h"
#include "acquisition/AcquisitionCycle.h"
#include "acquisition/SondrelDoc.h"
#include "acquisition/qt/CSSocket.h"
#include "acquisition/qt/QtTimerHost.h"

namespace {

using namespace sondrel;

double processCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Runs the event loop until the document has counted `pings` pings or the
// limit passes; false on the limit.
bool runUntil(CSondrelDoc& doc, int pings, int limitMs) {
    QElapsedTimer clock;
    clock.start();
    while (doc.pings.pingCount < pings) {
        if (clock.elapsed() > limitMs) return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

void BM_EthernetCycleOverLoopback(benchmark::State& state) {
    // The command log would cost the simulator a write per ping: off.
    sondrel::test::HeadSimProcess sim({"--quiet", "--log", "/dev/null"});
    if (!sim.start()) {
        state.SkipWithError(sim.error().c_str());
        return;
    }
    CSondrelDoc doc;
    QtTimerHost timers;
    SystemClock clock;
    AcquisitionCycle cycle(doc, timers, clock);
    timers.setHandler([&cycle](int id) { cycle.onTimer(id); });
    CSSocket socket(cycle);
    cycle.setEthernetLink(&socket);
    doc.head.sonarType = kTypeQ;
    doc.link.ipAddress = "127.0.0.1";
    doc.link.ipPort = sim.port();
    cycle.connectToHead();
    if (!runUntil(doc, 20, 10000)) {
        state.SkipWithError("the simulated head did not answer");
        return;
    }

    constexpr int kBatch = 500;
    const int startPings = doc.pings.pingCount;
    const double startCpu = processCpuSeconds();
    for (auto _ : state) {
        if (!runUntil(doc, doc.pings.pingCount + kBatch, 20000)) {
            state.SkipWithError("the cycle stalled");
            break;
        }
    }
    const double cpu = processCpuSeconds() - startCpu;
    const int pings = doc.pings.pingCount - startPings;
    state.SetItemsProcessed(pings);
    state.counters["pings_per_s"] = benchmark::Counter(pings, benchmark::Counter::kIsRate);
    state.counters["our_cpu_us_per_ping"] = pings > 0 ? cpu / pings * 1e6 : 0.0;
    cycle.shutdown();
}
BENCHMARK(BM_EthernetCycleOverLoopback)
    ->UseRealTime()
    ->MeasureProcessCPUTime()
    ->MinTime(3.0)
    ->Unit(benchmark::kMillisecond);

// The simulator beside this program unless one was named.
void locateSimulator() {
    if (const char* named = std::getenv("SONDREL_HEADSIM"); named && *named) return;
    char self[PATH_MAX] = {};
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) return;
    std::string dir(self, static_cast<std::size_t>(n));
    dir.resize(dir.rfind('/') + 1);
    setenv("SONDREL_HEADSIM", (dir + "sondrel-headsim").c_str(), 0);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    locateSimulator();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
