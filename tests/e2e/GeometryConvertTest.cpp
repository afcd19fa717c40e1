// sondrel-convert --geometry as a program: a data file made from the model
// pipe, whose diameter, ovality and sediment are known, must come back as a
// table that says so, record by record; a record without points keeps its
// row with a quality and no figures; the input is never overwritten.

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "acquisition/ReturnBlock.h"
#include "acquisition/SondrelDoc.h"
#include "recording/BinaryFile.h"
#include "recording/RecordFormat.h"
#include "simulation/SimulatedHead.h"
#include "support/ChildProcess.h"
#include "support/ModelSurvey.h"
#include "support/TempFolder.h"

namespace sondrel {
namespace {

const std::string kTool = SONDREL_BIN_DIR "/sondrel-convert";

std::vector<std::vector<std::string>> readCsv(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<std::vector<std::string>> rows;
    std::string line;
    while (std::getline(in, line)) {
        EXPECT_TRUE(!line.empty() && line.back() == '\r') << "lines end in CR LF";
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::vector<std::string> cells;
        std::stringstream cellsOf(line);
        std::string cell;
        while (std::getline(cellsOf, cell, ',')) cells.push_back(cell);
        if (!line.empty() && line.back() == ',') cells.emplace_back();
        rows.push_back(cells);
    }
    return rows;
}

int run(const std::vector<std::string>& args) {
    test::ChildProcess tool(kTool, args);
    EXPECT_TRUE(tool.start());
    return tool.wait(std::chrono::seconds(60));
}

TEST(GeometryConvert, TheTableShowsTheModelPipeRecordByRecord) {
    test::TempFolder dir;
    const std::string qzr = dir.path() + "/survey.qzr";
    const std::string csv = dir.path() + "/survey.csv";
    const std::string ini = dir.path() + "/Sondrel.INI";
    std::ofstream(ini) << "[Pipe Geometry]\r\nNominal Diameter=0.600\r\n";
    const int records = writeSurvey(qzr);

    ASSERT_TRUE(
        test::ChildProcess::exitedCleanly(run({"--settings", ini, "--geometry", csv, "-q", qzr})));
    const auto rows = readCsv(csv);
    ASSERT_EQ(rows.size(), static_cast<std::size_t>(records) + 1);
    const std::vector<std::string> header = rows[0];
    ASSERT_EQ(header.size(), 23u);
    EXPECT_EQ(header[0], "record");
    EXPECT_EQ(header[3], "distance_m");
    EXPECT_EQ(header[18], "quality");
    EXPECT_EQ(header[19], "nominal_diameter_m");
    EXPECT_EQ(header[20], "ovality_definition");

    int row = 1;
    for (const Stretch& s : stretches()) {
        for (int i = 0; i <= s.records; ++i, ++row) {
            SCOPED_TRACE("row " + std::to_string(row));
            const std::vector<std::string>& r = rows[static_cast<std::size_t>(row)];
            ASSERT_EQ(r.size(), 23u);
            EXPECT_EQ(std::stoi(r[0]), row);
            EXPECT_EQ(r[1], "09-DEC-2026");
            EXPECT_NEAR(std::stod(r[3]), 0.25 * (row - 1), 1e-3);
            EXPECT_NEAR(std::stod(r[4]), 1.5, 1e-3);
            if (i == s.records) {
                EXPECT_EQ(r[18], "too few points");
                for (int c = 6; c < 21; ++c) {
                    if (c == 18) continue;
                    EXPECT_EQ(r[static_cast<std::size_t>(c)], "");
                }
                continue;
            }
            EXPECT_EQ(r[18], "ok");
            EXPECT_EQ(r[19], "0.600");
            EXPECT_EQ(r[20], "(Dmax - Dmin) / Dnominal");
            // The centre lies where the pipe's axis is, seen from the head.
            EXPECT_NEAR(std::stod(r[7]), -s.pipe.offsetX, 0.005);
            EXPECT_NEAR(std::stod(r[8]), -s.pipe.offsetY, 0.005);
            EXPECT_NEAR(std::stod(r[9]), s.meanDiameter, 0.01 * s.meanDiameter);
            EXPECT_NEAR(std::stod(r[12]), s.ovalityPercent, 1.0);
            EXPECT_NEAR(std::stod(r[16]), s.pipe.sediment, std::max(0.015, 0.1 * s.pipe.sediment));
            if (s.pipe.sediment > 0) {
                EXPECT_GT(std::stod(r[15]), 5.0);  // area loss
            }
        }
    }
}

// A record taken while the counter gave no distance has none: its field is
// empty, never a distance of 0 m.
TEST(GeometryConvert, ARecordWithoutADistanceReadingLeavesTheFieldEmpty) {
    test::TempFolder dir;
    const std::string qzr = dir.path() + "/survey.qzr";
    const std::string csv = dir.path() + "/survey.csv";
    const int records = writeSurvey(qzr, [](int n) {
        return n % 5 == 2 ? std::numeric_limits<double>::quiet_NaN() : 100.4 + 0.25 * n;
    });
    ASSERT_TRUE(test::ChildProcess::exitedCleanly(run({"--geometry", csv, "-q", qzr})));
    const auto rows = readCsv(csv);
    ASSERT_EQ(rows.size(), static_cast<std::size_t>(records) + 1);
    for (int n = 0; n < records; ++n) {
        SCOPED_TRACE("record " + std::to_string(n + 1));
        const std::string& distance = rows[static_cast<std::size_t>(n) + 1].at(3);
        if (n % 5 == 2) {
            EXPECT_EQ(distance, "");
        } else {
            ASSERT_FALSE(distance.empty());
            EXPECT_NEAR(std::stod(distance), 100.4 + 0.25 * n, 1e-3);
        }
    }
}

TEST(GeometryConvert, RefusesToOverwriteItsInputOrToTakeSeveralFiles) {
    test::TempFolder dir;
    const std::string qzr = dir.path() + "/survey.qzr";
    writeSurvey(qzr);
    const auto size = std::filesystem::file_size(qzr);
    const int same = run({"--geometry", qzr, "-q", qzr});
    EXPECT_TRUE(WIFEXITED(same) && WEXITSTATUS(same) == 1);
    EXPECT_EQ(std::filesystem::file_size(qzr), size);
    const int two = run({"--geometry", dir.path() + "/x.csv", qzr, qzr});
    EXPECT_TRUE(WIFEXITED(two) && WEXITSTATUS(two) == 2);
    const int missing = run({"--geometry", dir.path() + "/y.csv", dir.path() + "/none.qzr"});
    EXPECT_TRUE(WIFEXITED(missing) && WEXITSTATUS(missing) == 1);
}

}  // namespace
}  // namespace sondrel
