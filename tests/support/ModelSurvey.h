#pragma once
// A data file made from the simulated head's model pipe, whose diameter,
// ovality and sediment are known: three stretches (round, oval and offset,
// silted with debris), each followed by one record whose ping has no return.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "acquisition/SondrelDoc.h"
#include "recording/BinaryFile.h"
#include "recording/RecordFormat.h"
#include "simulation/SimulatedHead.h"
#include "support/ReceivedBlock.h"

namespace sondrel {

struct Stretch {
    PipeModel pipe;
    int records;
    double meanDiameter, ovalityPercent;  // what the table must show
};

inline std::vector<Stretch> stretches() {
    PipeModel round;
    round.diameter = 0.6;
    round.wander = 0;
    PipeModel oval = round;
    oval.ovality = 0.10;
    oval.ovalityAngle = 30;
    oval.offsetX = 0.04;
    oval.offsetY = -0.03;
    PipeModel silted = round;
    silted.sediment = 0.09;
    silted.noise = 0.001;
    silted.debris = 0.02;
    return {{round, 8, 0.6, 0.0}, {oval, 8, 0.5982, 10.0}, {silted, 8, 0.6, 0.0}};
}

// The distance recorded with record `n` (from 0) of a survey; NaN records
// no reading.
using SurveyDistance = double (*)(int n);
inline double everyQuarterMetre(int n) {
    return 0.25 * n;
}

// One record per ping, 0.25 m apart unless told otherwise, and one record
// whose ping has no return at all after each stretch.
inline int writeSurvey(const std::string& path, SurveyDistance distanceOf = everyQuarterMetre) {
    BinaryFile file;
    EXPECT_TRUE(file.create(path));
    const auto doc = test::surveyDocument();
    int written = 0;
    for (const Stretch& s : stretches()) {
        SimulatedHead head(HeadConfig{}, s.pipe);
        for (int i = 0; i <= s.records; ++i) {
            std::vector<std::uint8_t> block = head.buildBlock(doc->head.command, i * 0.1);
            if (i == s.records) std::fill(block.begin() + 12, block.end(), 0);
            EXPECT_TRUE(test::receiveBlock(*doc, block));
            doc->ping.timeText = "10:00:0" + std::to_string(written % 10);
            const double distance = distanceOf(written);
            doc->orientation.distanceValid = std::isfinite(distance) ? 1 : 0;
            // What a document holds when the counter has given nothing.
            doc->orientation.distanceM = doc->orientation.distanceValid ? distance : 0.0;
            doc->orientation.pitchDeg = 1.5;
            EXPECT_TRUE(writeRecord(test::stampedPing(*doc), file));
            ++written;
        }
    }
    EXPECT_TRUE(file.close());
    return written;
}

}  // namespace sondrel
