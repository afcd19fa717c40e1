#pragma once
// A recording of the simulated head's model pipe written record by record at
// distances and times a test chooses: stops, reversals, a deformed stretch or
// deposits are all a matter of the list handed in.

#include <gtest/gtest.h>

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

struct SurveyShot {
    PipeModel pipe;
    double distance = 0.0;  // NaN: no reading
    double seconds = 0.0;   // after 10:00:00
};

// A still, round pipe of `diameter`, as every shot starts from.
inline PipeModel stillPipe(double diameter = 0.6) {
    PipeModel pipe;
    pipe.diameter = diameter;
    pipe.wander = 0;
    return pipe;
}

inline void writeShots(const std::string& path, const std::vector<SurveyShot>& shots) {
    BinaryFile file;
    ASSERT_TRUE(file.create(path));
    const auto doc = surveyDocument();
    std::uint32_t seed = 0;
    for (const SurveyShot& shot : shots) {
        HeadConfig config;
        config.seed = ++seed;  // noise of its own in every ping
        SimulatedHead head(config, shot.pipe);
        ASSERT_TRUE(receiveBlock(*doc, head.buildBlock(doc->head.command, shot.seconds)));
        const int whole = static_cast<int>(shot.seconds);
        char time[16];
        std::snprintf(time, sizeof time, "%02d:%02d:%02d", 10 + whole / 3600, whole / 60 % 60,
                      whole % 60);
        doc->ping.timeText = time;
        char hundredths[8];
        std::snprintf(hundredths, sizeof hundredths, ".%02d",
                      static_cast<int>((shot.seconds - whole) * 100) % 100);
        doc->ping.hundredthsText = hundredths;
        doc->orientation.distanceValid = std::isfinite(shot.distance) ? 1 : 0;
        doc->orientation.distanceM = doc->orientation.distanceValid ? shot.distance : 0.0;
        ASSERT_TRUE(writeRecord(stampedPing(*doc), file));
    }
    ASSERT_TRUE(file.close());
}

}  // namespace sondrel::test
