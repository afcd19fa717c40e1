// Conversion of a data file to an XYZ point list: the whole road of
// sondrel-convert (record reading, profile pass, line formatting, writing) on
// a generated file of 20,000 records with orientation, plus its parts alone.
// Goal: 20,000 records (8 million points) per second on one core, with memory
// that does not grow with the file.

#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <random>
#include <string>

#include "acquisition/SondrelDoc.h"
#include "display/ProfilePass.h"
#include "recording/BinaryFile.h"
#include "recording/DataFileConverter.h"
#include "recording/RecordFormat.h"
#include "recording/XyzExport.h"
#include "support/ReceivedBlock.h"

namespace {

using namespace sondrel;

constexpr int kRecords = 20000;

// A pipe seen from a head a little off its axis: an oval wall with noise and
// a few drop-outs, a slow roll and a growing distance, format 1 at 2 m.
void makePing(CSondrelDoc& doc, int record, std::mt19937& rng) {
    std::normal_distribution<double> noise(0.0, 2.0);
    std::uniform_int_distribution<int> dropOut(0, 99);
    const double phase = record * 0.01;
    for (int i = 0; i < kProfileSampleCount; ++i) {
        const double a = i * 0.9 * 3.14159265 / 180;
        // 0.8 m radius, 5 % ovality, 5 cm off centre: values near 400 counts.
        double r = 0.8 * (1 + 0.05 * std::cos(2 * (a + phase))) + 0.05 * std::cos(a);
        int v = static_cast<int>(r * 500 + noise(rng));
        if (dropOut(rng) < 2) v = 0;
        v = std::clamp(v, 0, 32767);
        doc.ping.echoLong[static_cast<std::size_t>(2 * i)] = static_cast<std::uint8_t>(v & 0x7F);
        doc.ping.echoLong[static_cast<std::size_t>(2 * i + 1)] = static_cast<std::uint8_t>(v >> 7);
    }
    char time[16];
    std::snprintf(time, sizeof time, "%02d:%02d:%02d", 10 + record / 3600, record / 60 % 60,
                  record % 60);
    doc.ping.timeText = time;
    char hundredths[8];
    std::snprintf(hundredths, sizeof hundredths, ".%2d", record * 7 % 100);
    doc.ping.hundredthsText = hundredths;
    doc.orientation.rollDeg = 5 * std::sin(record * 0.001);
    doc.orientation.pitchDeg = 1.0;
    doc.orientation.distanceM = record * 0.05;
}

class GeneratedFile {
  public:
    GeneratedFile() {
        path_ = "/tmp/sondrel_convert_bench_" + std::to_string(::getpid()) + ".qzr";
        auto doc = std::make_unique<CSondrelDoc>();
        doc->ping.dateText = "08-DEC-2026";
        doc->link.prdEnable = 1;
        doc->orientation.pitchValid = doc->orientation.rollValid = doc->orientation.distanceValid =
            1;
        const std::uint8_t header[12] = {'Q', 'S', 'Z', 0x10, 0x01, 0, 0x40, 20, 0x20, 0x06, 0, 0};
        std::copy(std::begin(header), std::end(header), doc->ping.returnHeader.begin());
        doc->head.setRangeIndex(4);
        std::mt19937 rng(42);
        BinaryFile file;
        if (!file.create(path_)) return;
        for (int r = 0; r < kRecords; ++r) {
            makePing(*doc, r, rng);
            if (!writeRecord(test::stampedPing(*doc), file)) return;
        }
        size_ = file.size();
    }
    ~GeneratedFile() { std::remove(path_.c_str()); }
    const std::string& path() const { return path_; }
    std::int64_t size() const { return size_; }

  private:
    std::string path_;
    std::int64_t size_ = 0;
};

const GeneratedFile& generatedFile() {
    static const GeneratedFile file;
    return file;
}

long peakResidentKb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// The full conversion into /dev/null: every byte is formatted and handed to
// the system, without measuring the disk. Argument: roll correction off (the
// default; the sample angles repeat from record to record) or on (the start
// angle follows each record's roll, so every angle is worked out afresh).
// Rates are per second of CPU time: one core, whatever else the machine runs.
void BM_ConvertFile(benchmark::State& state) {
    const GeneratedFile& file = generatedFile();
    if (file.size() != static_cast<std::int64_t>(kRecords) * 1152) {
        state.SkipWithError("could not write the generated data file");
        return;
    }
    std::int64_t records = 0, points = 0;
    const long before = peakResidentKb();
    for (auto _ : state) {
        auto doc = std::make_unique<CSondrelDoc>();
        doc->display.rollCorrection = static_cast<int>(state.range(0));
        doc->head.profileMinRange = 0.05;
        const ConversionResult r = convertDataFile(*doc, file.path(), "/dev/null");
        if (!r.ok()) {
            state.SkipWithError(r.message.c_str());
            return;
        }
        records += r.summary.recordsRead;
        points += r.summary.pointsWritten;
    }
    state.counters["records/s"] =
        benchmark::Counter(static_cast<double>(records), benchmark::Counter::kIsRate);
    state.counters["points/s"] =
        benchmark::Counter(static_cast<double>(points), benchmark::Counter::kIsRate);
    state.counters["file MB"] = static_cast<double>(file.size()) / 1e6;
    state.counters["peak RSS growth kB"] = static_cast<double>(peakResidentKb() - before);
}
BENCHMARK(BM_ConvertFile)
    ->ArgName("roll_correction")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(3.0);

// Reading records alone.
void BM_ReadRecords(benchmark::State& state) {
    const GeneratedFile& file = generatedFile();
    auto doc = std::make_unique<CSondrelDoc>();
    std::int64_t records = 0;
    for (auto _ : state) {
        BinaryFile in;
        in.openRead(file.path());
        std::int64_t position = 0;
        while (true) {
            const ReadOutcome o = readRecord(*doc, in, position);
            if (o.status != ReadStatus::Valid) break;
            position = o.nextPosition;
            ++records;
        }
    }
    state.counters["records/s"] =
        benchmark::Counter(static_cast<double>(records), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ReadRecords)->Unit(benchmark::kMillisecond);

// One profile pass without export: the cost of every repaint.
void BM_ProfilePass(benchmark::State& state) {
    auto doc = std::make_unique<CSondrelDoc>();
    std::mt19937 rng(7);
    makePing(*doc, 1, rng);
    doc->ping.headStatusLow = 1;
    doc->head.setRangeIndex(4);
    ProfilePath path;
    for (auto _ : state) {
        runProfilePass(*doc, path, nullptr);
        benchmark::DoNotOptimize(path.ellipses.data());
    }
    state.counters["passes/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ProfilePass);

// One point line formatted.
void BM_PointLine(benchmark::State& state) {
    std::string out;
    out.reserve(256);
    const std::string stamp = "08-DEC-2026\t14:03:07.450";
    double theta = 0;
    for (auto _ : state) {
        out.clear();
        appendXyzPointLine(out, stamp, xyzPointFor(400.5, theta, 2.0, 123.45));
        theta += 0.9;
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["lines/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_PointLine);

}  // namespace

BENCHMARK_MAIN();
