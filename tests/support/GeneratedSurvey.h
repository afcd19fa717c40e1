#pragma once
// A survey of eight hours at 18 pings a second (500,000 records), generated
// once into /tmp from blocks of the simulated head's model pipe (round,
// squashed, silted), the crawler going forward at 5 cm/s and backing up 1 m
// every 50 m: the recording the survey's benchmarks share.

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "acquisition/SondrelDoc.h"
#include "recording/BinaryFile.h"
#include "recording/RecordFormat.h"
#include "simulation/SimulatedHead.h"
#include "support/ReceivedBlock.h"

namespace sondrel::test {

inline constexpr int kRecords = 500000;
inline constexpr int kBlocksPerKind = 24;

// Where the crawler is at record n: 5 cm/s at 18 pings/s, 1 m back every 50 m.
inline double distanceAt(int n) {
    const double forward = n * 0.05 / 18.0;
    const double cycle = 52.0;  // 51 m on, 1 m back
    const double c = std::fmod(forward, cycle);
    const double base = std::floor(forward / cycle) * 50.0;
    return c <= 51.0 ? base + c : base + 51.0 - (c - 51.0);
}

class GeneratedSurvey {
  public:
    GeneratedSurvey() {
        path_ = "/tmp/sondrel_survey_bench_" + std::to_string(::getpid()) + ".qzr";
        const auto doc = surveyDocument();
        // Kinds of pipe by the metre: mostly round, every 10th metre squashed,
        // every 25th silted; a few noisy blocks of each.
        std::vector<std::vector<std::uint8_t>> blocks[3];
        for (int kind = 0; kind < 3; ++kind) {
            PipeModel pipe;
            pipe.diameter = 0.6;
            pipe.noise = 0.002;
            pipe.ovality = kind == 1 ? 0.12 : 0.0;
            pipe.sediment = kind == 2 ? 0.1 : 0.0;
            for (int b = 0; b < kBlocksPerKind; ++b) {
                HeadConfig config;
                config.seed = static_cast<std::uint32_t>(1 + b + 100 * kind);
                SimulatedHead head(config, pipe);
                blocks[kind].push_back(head.buildBlock(doc->head.command, b * 0.3));
            }
        }
        BinaryFile file;
        if (!file.create(path_)) return;
        for (int n = 0; n < kRecords; ++n) {
            const double d = distanceAt(n);
            const long metre = static_cast<long>(d);
            const int kind = metre % 25 == 7 ? 2 : metre % 10 == 3 ? 1 : 0;
            receiveBlock(*doc, blocks[kind][static_cast<std::size_t>(n % kBlocksPerKind)]);
            const int seconds = n / 18;
            char time[16];
            std::snprintf(time, sizeof time, "%02d:%02d:%02d", 8 + seconds / 3600,
                          seconds / 60 % 60, seconds % 60);
            doc->ping.timeText = time;
            doc->orientation.distanceValid = 1;
            doc->orientation.distanceM = d;
            if (!writeRecord(stampedPing(*doc), file)) return;
        }
        if (!file.close()) return;
        records_ = kRecords;
    }
    ~GeneratedSurvey() { std::remove(path_.c_str()); }
    const std::string& path() const { return path_; }
    bool ok() const { return records_ == kRecords; }

  private:
    std::string path_;
    int records_ = 0;
};

}  // namespace sondrel::test
