#pragma once
// A data file of the simulated head's model pipe along a length: stretches of
// known shape (round, oval, displaced, silted) at chosen chainages, one record
// every `step` metres with that chainage as its distance reading.

#include <string>
#include <vector>

#include "acquisition/SondrelDoc.h"
#include "recording/BinaryFile.h"
#include "recording/RecordFormat.h"
#include "simulation/SimulatedHead.h"
#include "support/ReceivedBlock.h"

namespace sondrel::test {

struct PipeStretch {
    PipeModel pipe;
    double from = 0.0, to = 0.0;  // metres
};

// A still, round pipe of `diameter`, as every stretch or shot starts from.
inline PipeModel stillPipe(double diameter = 0.6) {
    PipeModel pipe;
    pipe.diameter = diameter;
    pipe.wander = 0;
    return pipe;
}

// Returns the number of records written, -1 when the file could not be
// written; record n (from 1) lies at the chainage of the n-th step through the
// stretches in their order. Benchmarks use it too, so it asserts nothing.
inline int writePipeScenario(const std::string& path, const std::vector<PipeStretch>& stretches,
                             double step) {
    BinaryFile file;
    if (!file.create(path)) return -1;
    const auto doc = surveyDocument();
    int written = 0;
    for (const PipeStretch& s : stretches) {
        SimulatedHead head(HeadConfig{}, s.pipe);
        const int count = static_cast<int>((s.to - s.from) / step + 0.5);
        for (int i = 0; i < count; ++i) {
            if (!receiveBlock(*doc, head.buildBlock(doc->head.command, i * 0.1))) return -1;
            doc->orientation.distanceValid = 1;
            doc->orientation.distanceM = s.from + (i + 0.5) * step;
            if (!writeRecord(stampedPing(*doc), file)) return -1;
            ++written;
        }
    }
    return file.close() ? written : -1;
}

}  // namespace sondrel::test
