// A survey of a scenario, end to end: sondrel-record against sondrel-headsim
// driving a crawler through a short pipe (the crawler sentences on the
// instrument's pseudo-terminal), then sondrel-convert --geometry. The table's
// distances must follow the crawler through its stop and its reversal, and
// its figures must agree with the truth file the simulator wrote of the same
// scenario, within what the geometry reaches on a model pipe.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "support/ChildProcess.h"
#include "support/HeadSimProcess.h"
#include "support/TempFolder.h"

namespace sondrel {
namespace {

using std::chrono::seconds;

// 2 m/s over 16 m with a second's stop at 3 m and 1.5 m backed up at 9 m:
// about eleven seconds of survey.
const char* const kScenario =
    "pipe diameter=0.600 length=16\n"
    "crawler speed=2 start=0\n"
    "stop at=3 seconds=1\n"
    "reverse at=9 back=1.5\n"
    "joints every=2.5\n"
    "joint at=2.5 step=0.015 clock=3\n"
    "deformation from=4 to=7 peak=0.08 angle=0\n"
    "sediment from=8 to=13 depth=0.09\n"
    "diameter from=14 to=16 value=0.500\n"
    "offset x=0.02 y=-0.03\n";
// The ends of every stretch, where a ping and its distance reading may see
// different sides of a step; the displaced pipe runs from 2.5 to 5 m.
const std::vector<double> kStretchEnds = {2.5, 4, 5, 7, 8, 13, 14, 16};
// How far the crawler may have moved between a distance reading and the ping
// it is recorded with, on a machine busy with other work: 50 ms at 2 m/s.
constexpr double kReadingAge = 0.1;

using Table = std::vector<std::map<std::string, std::string>>;

Table readCsv(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<std::string> header;
    Table rows;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::vector<std::string> cells;
        std::stringstream cellsOf(line);
        for (std::string cell; std::getline(cellsOf, cell, ',');) cells.push_back(cell);
        if (!line.empty() && line.back() == ',') cells.emplace_back();
        if (header.empty()) {
            header = cells;
            continue;
        }
        std::map<std::string, std::string> row;
        for (std::size_t i = 0; i < header.size() && i < cells.size(); ++i)
            row[header[i]] = cells[i];
        rows.push_back(row);
    }
    return rows;
}

// The truth between its rows, linearly.
double truthAt(const Table& truth, double c, const std::string& column) {
    std::size_t i = 1;
    while (i + 1 < truth.size() && std::stod(truth[i].at("chainage_m")) < c) ++i;
    const double a = std::stod(truth[i - 1].at("chainage_m"));
    const double b = std::stod(truth[i].at("chainage_m"));
    const double w = std::clamp((c - a) / (b - a), 0.0, 1.0);
    return std::stod(truth[i - 1].at(column)) * (1 - w) + std::stod(truth[i].at(column)) * w;
}

int runTool(const std::string& tool, const std::vector<std::string>& args, std::string* output) {
    test::ChildProcess child(std::string(SONDREL_BIN_DIR) + "/" + tool, args);
    EXPECT_TRUE(child.start()) << child.error();
    const int status = child.wait(seconds(60));
    if (output) *output = child.output();
    return status;
}

TEST(ScenarioSurvey, TheTableFollowsTheCrawlerAndAgreesWithTheTruth) {
    test::TempFolder dir;
    const std::string scenario = dir.file("short.scn");
    std::ofstream(scenario) << kScenario;
    const std::string truthPath = dir.file("truth.csv");
    ASSERT_TRUE(test::ChildProcess::exitedCleanly(
        runTool("sondrel-headsim", {"--scenario", scenario, "--truth", truthPath, "--step", "0.05"},
                nullptr)));
    const Table truth = readCsv(truthPath);
    ASSERT_EQ(truth.size(), 321u);

    // Held until the recorder is connected, so the survey starts at 0 m; the
    // instrument talks often enough that a reading is at most a centimetre old.
    test::HeadSimProcess sim({"--scenario", scenario, "--orientation-pty", "--orientation-hz",
                              "200", "--roll-amplitude", "0", "--pause", "--delay-ms", "4",
                              "--quiet"});
    ASSERT_TRUE(sim.start()) << sim.error();
    const std::string settings = dir.file("Sondrel.INI");
    test::writeCrawlerSurveySettings(settings, sim.orientationPtyPath());
    const std::string qzr = dir.file("survey.qzr");
    test::ChildProcess recorder(std::string(SONDREL_BIN_DIR) + "/sondrel-record",
                                {"--settings", settings, "--port", std::to_string(sim.port()),
                                 "--seconds", "13", "--quiet", "-o", qzr});
    ASSERT_TRUE(recorder.start()) << recorder.error();
    ASSERT_FALSE(sim.waitForCommands(1).empty());
    ASSERT_TRUE(sim.control("resume"));
    ASSERT_TRUE(test::ChildProcess::exitedCleanly(recorder.wait(seconds(30)))) << recorder.output();

    const std::string csv = dir.file("survey.csv");
    std::string said;
    ASSERT_TRUE(test::ChildProcess::exitedCleanly(
        runTool("sondrel-convert", {"--settings", settings, "--geometry", csv, "-q", qzr}, &said)))
        << said;
    const Table rows = readCsv(csv);
    ASSERT_GT(rows.size(), 1000u);

    std::vector<double> distances;
    int compared = 0;
    for (const auto& r : rows) {
        if (r.at("distance_m").empty()) continue;
        const double c = std::stod(r.at("distance_m"));
        distances.push_back(c);
        if (std::any_of(kStretchEnds.begin(), kStretchEnds.end(),
                        [&](double end) { return std::fabs(c - end) < 0.3; })) {
            continue;
        }
        SCOPED_TRACE("record " + r.at("record") + " at " + r.at("distance_m") + " m");
        ASSERT_EQ(r.at("quality"), "ok");
        // The reading may be a few pings old: the truth anywhere within
        // kReadingAge of it will do.
        const auto near = [&](const char* column, double measured, double tolerance) {
            double lo = 1e9, hi = -1e9;
            for (double d = -kReadingAge; d <= kReadingAge + 1e-9; d += 0.01) {
                lo = std::min(lo, truthAt(truth, c + d, column));
                hi = std::max(hi, truthAt(truth, c + d, column));
            }
            EXPECT_GE(measured, lo - tolerance) << column;
            EXPECT_LE(measured, hi + tolerance) << column;
        };
        const double mean = truthAt(truth, c, "diameter_mean_m");
        near("diameter_mean_m", std::stod(r.at("mean_diameter_m")), 0.005 * mean);
        near("ovality_pct", std::stod(r.at("ovality_pct")), 0.5);
        const double sediment = truthAt(truth, c, "sediment_depth_m");
        near("sediment_depth_m", std::stod(r.at("sediment_depth_m")),
             std::max(0.01, 0.05 * sediment));
        ++compared;
    }
    EXPECT_GT(compared, 500);

    // From the start to the end, through the stop and the reversal.
    ASSERT_FALSE(distances.empty());
    EXPECT_LT(distances.front(), 0.1);
    EXPECT_NEAR(distances.back(), 16.0, 0.01);
    const auto stopped = std::count_if(distances.begin(), distances.end(),
                                       [](double c) { return std::fabs(c - 3.0) < 0.005; });
    EXPECT_GT(stopped, 100) << "about a second's pings at the stop";
    // Where the distance first runs back by half a metre, the crawler turned at
    // the highest distance so far; the lowest after that is where it went on.
    double highest = 0.0;
    std::size_t back = 0;
    for (std::size_t i = 0; i < distances.size() && !back; ++i) {
        highest = std::max(highest, distances[i]);
        if (distances[i] < highest - 0.5) back = i;
    }
    ASSERT_NE(back, 0u) << "the crawler never backed up";
    EXPECT_NEAR(highest, 9.0, 0.02);
    const auto lowest =
        std::min_element(distances.begin() + static_cast<long>(back), distances.end());
    EXPECT_NEAR(*lowest, 7.5, 0.02) << "backed up 1.5 m";
    for (std::size_t i = 1; i < distances.size(); ++i)
        ASSERT_LT(std::fabs(distances[i] - distances[i - 1]), 0.5) << "no jump at " << i;
}

// A scenario that cannot be is refused before anything is served: the message
// names the file, the line and the reason.
TEST(ScenarioSurvey, ABadScenarioIsRefusedWithItsLineAndServesNothing) {
    test::TempFolder dir;
    struct Case {
        const char* text;
        const char* said;
    };
    const Case cases[] = {
        {"pipe diameter=0.6 length=10\nsediment from=2 to=4 depth=0.7\n",
         "bad.scn:2: sediment: depth=0.7 is deeper than the pipe"},
        {"pipe diameter=0.6 length=10\n\nbend from=2 to=4\n", "bad.scn:3: unknown keyword 'bend'"},
        {"pipe diameter=-0.6 length=10\n", "bad.scn:1: pipe: diameter needs a number"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const std::string path = dir.file("bad.scn");
        std::ofstream(path) << c.text;
        std::string said;
        const int status = runTool("sondrel-headsim", {"--port", "0", "--scenario", path}, &said);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 2);
        EXPECT_NE(said.find(c.said), std::string::npos) << said;
        EXPECT_EQ(said.find("listening"), std::string::npos) << said;
    }
    std::string said;
    const int status = runTool("sondrel-headsim", {"--truth", dir.file("t.csv")}, &said);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 2);
    EXPECT_NE(said.find("--truth needs --scenario"), std::string::npos) << said;
}

}  // namespace
}  // namespace sondrel
