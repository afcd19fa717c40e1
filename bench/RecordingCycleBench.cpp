// The live Ethernet cycle against the in-process simulated head, with and
// without recording: what writing every valid ping to a data file adds to one
// turn of the cycle (send the command, take the block, process the ping).

#include <unistd.h>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "acquisition/AcquisitionCycle.h"
#include "acquisition/SondrelDoc.h"
#include "recording/BinaryFile.h"
#include "recording/FileWindows.h"
#include "recording/RecordFormat.h"
#include "recording/Recorder.h"
#include "simulation/SimulatedHead.h"
#include "support/ReceivedBlock.h"
#include "support/SilentOperator.h"

namespace {

using namespace sondrel;
using sondrel::testing::SilentOperator;

// Timers that never fire: the benchmark turns the cycle by hand.
struct IdleTimers : TimerHost {
    void setTimer(int, int) override {}
    void killTimer(int) override {}
    bool isTimerActive(int) const override { return false; }
};

// The socket: keeps the command it was given so the head can answer it.
struct LoopLink : EthernetLink {
    CommandBuffer lastCommand{};
    bool connectToHost(const std::string&, int) override { return true; }
    void send(const std::uint8_t* data, std::size_t size) override {
        std::copy_n(data, std::min(size, lastCommand.size()), lastCommand.begin());
    }
    void abort() override {}
};

void BM_EthernetCycle(benchmark::State& state) {
    const bool recording = state.range(0) != 0;
    CSondrelDoc doc;
    IdleTimers timers;
    SystemClock clock;
    AcquisitionCycle cycle(doc, timers, clock);
    LoopLink link;
    SilentOperator op;
    FileWindows windows;
    Recorder recorder(doc, op, windows);
    cycle.setEthernetLink(&link);
    cycle.setRecorder(&recorder);
    SimulatedHead head(HeadConfig{}, PipeModel{});

    doc.head.sonarType = kTypeQ;
    doc.link.ipAddress = "127.0.0.1";
    doc.files.writeDirectory = "/tmp/";
    cycle.connectToHead();
    cycle.onSocketConnected(0);
    if (recording) {
        doc.ping.dateText = "BENCH-" + std::to_string(::getpid());
        recorder.startStopRecording();
        if (!recorder.isRecording()) {
            state.SkipWithError("cannot create the record file in /tmp");
            return;
        }
    }

    // The head's answers are made beforehand, so only our side is measured;
    // the settings do not change during the run, so they answer every command.
    cycle.sendCommandNow();
    std::vector<std::vector<std::uint8_t>> blocks;
    for (int i = 0; i < 512; ++i) blocks.push_back(head.buildBlock(link.lastCommand, i * 0.05));

    std::size_t next = 0;
    for (auto _ : state) {
        cycle.sendCommandNow();
        const std::vector<std::uint8_t>& block = blocks[next];
        next = (next + 1) % blocks.size();
        cycle.onSocketBytes(block.data(), block.size());
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["pings/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    if (recording) {
        state.counters["MB written"] = static_cast<double>(doc.files.recordFileBytes) / 1e6;
        const std::string path = recorder.filePath();
        recorder.startStopRecording();
        std::remove(path.c_str());
        if (op.messages != 0) state.SkipWithError("the recording reported an error");
    }
}
BENCHMARK(BM_EthernetCycle)->Arg(0)->ArgName("recording")->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_EthernetCycle)->Arg(1)->ArgName("recording")->Unit(benchmark::kMicrosecond);

// What the recorder's once-a-second sync costs when it falls due: one record
// written and put on the disk, as against the cycle's turn above.
void BM_RecordAndSync(benchmark::State& state) {
    const std::string path = "/tmp/sondrel-sync-bench-" + std::to_string(::getpid()) + ".qzr";
    BinaryFile file;
    if (!file.create(path)) {
        state.SkipWithError("cannot create the file in /tmp");
        return;
    }
    CSondrelDoc doc;
    for (auto _ : state) {
        if (!writeRecord(test::stampedPing(doc), file) || !file.syncData()) {
            state.SkipWithError(file.errorText().c_str());
            break;
        }
    }
    file.close();
    std::remove(path.c_str());
}
BENCHMARK(BM_RecordAndSync)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
