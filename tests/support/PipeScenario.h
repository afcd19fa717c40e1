#pragma once
// A data file of the simulated head's model pipe along a length: stretches of
// known shape (round, oval, displaced, silted) at chosen chainages, one record
// every `step` metres with that chainage as its distance reading.

#include <gtest/gtest.h>

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

inline PipeModel stillPipe(double diameter = 0.6) {
    PipeModel pipe;
    pipe.diameter = diameter;
    pipe.wander = 0;
    return pipe;
}

// Returns the number of records written; record n (from 1) lies at the
// chainage of the n-th step through the stretches in their order.
inline int writePipeScenario(const std::string& path, const std::vector<PipeStretch>& stretches,
                             double step) {
    BinaryFile file;
    EXPECT_TRUE(file.create(path));
    const auto doc = surveyDocument();
    int written = 0;
    for (const PipeStretch& s : stretches) {
        SimulatedHead head(HeadConfig{}, s.pipe);
        const int count = static_cast<int>((s.to - s.from) / step + 0.5);
        for (int i = 0; i < count; ++i) {
            EXPECT_TRUE(receiveBlock(*doc, head.buildBlock(doc->head.command, i * 0.1)));
            doc->orientation.distanceValid = 1;
            doc->orientation.distanceM = s.from + (i + 0.5) * step;
            EXPECT_TRUE(writeRecord(stampedPing(*doc), file));
            ++written;
        }
    }
    EXPECT_TRUE(file.close());
    return written;
}

}  // namespace sondrel::test
