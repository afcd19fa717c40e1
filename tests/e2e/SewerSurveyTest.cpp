// The sewer scenario surveyed end to end: sondrel-record against
// sondrel-headsim driving its crawler (sped up, stop and reversal kept)
// through the 60 m of 600 mm, the survey made of the recording with the
// header's 600 mm, and its coded file read back by a reader of its own. The
// observations must sit where the simulator's truth puts the features, and the
// verdict and the sediment volume must be what the truth gives.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

#include "acquisition/SondrelDoc.h"
#include "analysis/GeometrySettings.h"
#include "common/IniFile.h"
#include "recording/SettingsFile.h"
#include "support/ChildProcess.h"
#include "support/HeadSimProcess.h"
#include "support/TempFolder.h"
#include "survey/CodedFile.h"
#include "survey/Survey.h"
#include "survey/SurveyFile.h"
#include "survey/SurveySettings.h"

namespace sondrel {
namespace {

using std::chrono::seconds;

constexpr double kNominal = 0.600;  // the header's ACB
// The scenario's 0.10 m/s would take ten minutes; at 4 m/s the 64 m driven
// (2 m backed up and driven again) and the 5 s stop take about 21 s.
constexpr double kCrawlerSpeed = 4.0;
constexpr int kRecordSeconds = 24;
// Where a figure crosses its level, a reading may be a few pings old and the
// stretch's edge is a slope sampled every few centimetres.
constexpr double kPlaceTolerance = 0.5;

struct TruthRow {
    double chainage, diameterMin, sedimentDepth, sedimentArea;  // area in % of the nominal bore
    bool obstacle;
};

std::vector<TruthRow> readTruth(const std::string& path) {
    std::ifstream in(path);
    std::vector<TruthRow> rows;
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line.rfind("chainage_m,diameter_nominal_m,diameter_mean_m,diameter_min_m,", 0), 0u);
    while (std::getline(in, line)) {
        std::vector<std::string> cells;
        std::stringstream cellsOf(line);
        for (std::string cell; std::getline(cellsOf, cell, ',');) cells.push_back(cell);
        if (cells.size() < 9) continue;
        rows.push_back({std::stod(cells[0]), std::stod(cells[3]), std::stod(cells[7]),
                        std::stod(cells[8]),
                        cells.size() > 9 && cells[9].find("obstacle") != std::string::npos});
    }
    return rows;
}

// One observation line of a coded file: columns I;A;B;C;D;E;F;G;H;J;K.
struct CodedLine {
    double chainage = 0.0;
    std::string code, q1, clockFrom, clockTo, continuous;
};

// The observation block between "#C=" and "#Z", lines ending in CR LF. No
// remark here holds a ';', so a plain split will do.
std::vector<CodedLine> readCoded(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<CodedLine> lines;
    bool inBlock = false;
    for (std::string line; std::getline(in, line);) {
        EXPECT_TRUE(!line.empty() && line.back() == '\r') << line;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.rfind("#C=", 0) == 0) {
            EXPECT_EQ(line, "#C=I;A;B;C;D;E;F;G;H;J;K");
            inBlock = true;
            continue;
        }
        if (line == "#Z") break;
        if (!inBlock) continue;
        std::vector<std::string> cells(1);
        for (char c : line) {
            if (c == ';') {
                cells.emplace_back();
            } else {
                cells.back() += c;
            }
        }
        EXPECT_EQ(cells.size(), 11u) << line;
        if (cells.size() != 11) continue;
        lines.push_back({std::stod(cells[0]), cells[1], cells[4], cells[7], cells[8], cells[9]});
    }
    EXPECT_TRUE(inBlock) << "no observation block in " << path;
    return lines;
}

// A stretch where a figure of the truth reaches a level; like the survey's,
// one ends once the figure has stayed below for more than 0.2 m.
struct Stretch {
    double from, to, worst;
};

template <typename Figure>
std::vector<Stretch> stretchesOf(const std::vector<TruthRow>& truth, double level, Figure figure) {
    std::vector<Stretch> found;
    for (const TruthRow& r : truth) {
        const double v = figure(r);
        if (v < level) continue;
        if (!found.empty() && r.chainage - found.back().to <= 0.2 + 1e-9) {
            found.back().to = r.chainage;
            found.back().worst = std::max(found.back().worst, v);
        } else {
            found.push_back({r.chainage, r.chainage, v});
        }
    }
    return found;
}

// The observations of one code as continuous stretches, S<n> to F<n>.
std::vector<std::pair<CodedLine, CodedLine>> continuousOf(const std::vector<CodedLine>& lines,
                                                          const std::string& code) {
    std::vector<std::pair<CodedLine, CodedLine>> pairs;
    for (const CodedLine& s : lines) {
        if (s.code != code || s.continuous.empty() || s.continuous[0] != 'S') continue;
        const std::string finish = "F" + s.continuous.substr(1);
        const auto f = std::find_if(lines.begin(), lines.end(), [&](const CodedLine& l) {
            return l.code == code && l.continuous == finish;
        });
        EXPECT_NE(f, lines.end()) << code << " " << s.continuous << " has no finish";
        if (f != lines.end()) pairs.emplace_back(s, *f);
    }
    return pairs;
}

// The clock position, 12 at the top and 3 on the right, of a point at `angle`
// radians anticlockwise from the right.
double clockAt(double angle) {
    double hours = 3.0 - angle * 6.0 / std::numbers::pi;
    while (hours <= 0.0) hours += 12.0;
    while (hours > 12.0) hours -= 12.0;
    return hours;
}

TEST(SewerSurvey, TheObservationsVerdictAndVolumeAgreeWithTheTruth) {
    test::TempFolder dir;
    const std::string scenario = SONDREL_SOURCE_DIR "/scenarios/sewer-600.scn";
    const std::string truthPath = dir.file("truth.csv");
    {
        test::ChildProcess truthRun(
            std::string(SONDREL_BIN_DIR) + "/sondrel-headsim",
            {"--scenario", scenario, "--truth", truthPath, "--step", "0.05"});
        ASSERT_TRUE(truthRun.start()) << truthRun.error();
        ASSERT_TRUE(test::ChildProcess::exitedCleanly(truthRun.wait(seconds(60))))
            << truthRun.output();
    }
    const std::vector<TruthRow> truth = readTruth(truthPath);
    ASSERT_EQ(truth.size(), 1201u);

    // Held until the recorder is connected, then sped up and let go.
    test::HeadSimProcess sim({"--scenario", scenario, "--orientation-pty", "--orientation-hz",
                              "200", "--roll-amplitude", "0", "--pause", "--delay-ms", "4",
                              "--quiet"});
    ASSERT_TRUE(sim.start()) << sim.error();
    const std::string settings = dir.file("Sondrel.INI");
    test::writeCrawlerSurveySettings(settings, sim.orientationPtyPath());
    const std::string qzr = dir.file("sewer.qzr");
    test::ChildProcess recorder(
        std::string(SONDREL_BIN_DIR) + "/sondrel-record",
        {"--settings", settings, "--port", std::to_string(sim.port()), "--seconds",
         std::to_string(kRecordSeconds), "--quiet", "-o", qzr});
    ASSERT_TRUE(recorder.start()) << recorder.error();
    ASSERT_FALSE(sim.waitForCommands(1).empty());
    ASSERT_TRUE(sim.control("crawler-speed " + std::to_string(kCrawlerSpeed)));
    ASSERT_TRUE(sim.control("resume"));
    ASSERT_TRUE(test::ChildProcess::exitedCleanly(recorder.wait(seconds(60)))) << recorder.output();

    SurveyRecord header;
    ASSERT_TRUE(header.header.set("AAA", "MH1-MH2"));
    ASSERT_TRUE(header.header.set("AAK", "A"));
    ASSERT_TRUE(header.header.set("ACB", "600"));
    ASSERT_EQ(saveSidecar(qzr, header), "");

    auto doc = std::make_unique<CSondrelDoc>();
    doc->flags.playbackActive = true;
    loadSettings(*doc, settings);
    IniFile ini;
    ini.load(settings);
    SurveyInputs in;
    in.recording = qzr;
    const SidecarLoad sidecar = loadSidecar(qzr);
    ASSERT_TRUE(sidecar.ok()) << sidecar.message;
    in.record = sidecar.record;
    in.geometry = loadGeometrySettings(ini);
    in.thresholds = loadObservationSettings(ini);
    in.limits = loadGradingLimits(ini);
    const Survey survey = analyseSurvey(*doc, in);
    ASSERT_TRUE(survey.result.ok()) << survey.result.message;
    EXPECT_DOUBLE_EQ(survey.nominalDiameter, kNominal);
    EXPECT_EQ(survey.nominalSource, "header");
    const std::string codedPath = dir.file("sewer.txt");
    ASSERT_EQ(writeCodedFile(survey, codedPath), "");
    const std::vector<CodedLine> coded = readCoded(codedPath);
    ASSERT_GE(coded.size(), 2u);

    // The survey grades against the header's 600 mm everywhere, the reducer's
    // 500 mm included; the truth's own deformation column is against the
    // diameter of each place, so the survey's figure is made from its callipers.
    const auto deformation = [](const TruthRow& r) {
        return (kNominal - r.diameterMin) / kNominal * 100.0;
    };
    const std::vector<Stretch> deformed =
        stretchesOf(truth, in.thresholds.deformationStart, deformation);
    const auto baa = continuousOf(coded, "BAA");
    ASSERT_EQ(baa.size(), deformed.size());
    for (std::size_t i = 0; i < baa.size(); ++i) {
        SCOPED_TRACE("deformation from " + std::to_string(deformed[i].from) + " m");
        EXPECT_NEAR(baa[i].first.chainage, deformed[i].from, kPlaceTolerance);
        EXPECT_NEAR(baa[i].second.chainage, deformed[i].to, kPlaceTolerance);
        EXPECT_NEAR(std::stod(baa[i].first.q1), deformed[i].worst, 1.0);
        EXPECT_EQ(baa[i].first.q1, baa[i].second.q1);
    }

    // The deposit, its worst area and where the floor of the deepest place
    // meets a round wall of the nominal size.
    const std::vector<Stretch> deposits = stretchesOf(
        truth, in.thresholds.depositStart, [](const TruthRow& r) { return r.sedimentArea; });
    ASSERT_EQ(deposits.size(), 1u);
    const auto bbc = continuousOf(coded, "BBC");
    ASSERT_EQ(bbc.size(), 1u);
    EXPECT_NEAR(bbc[0].first.chainage, deposits[0].from, kPlaceTolerance);
    EXPECT_NEAR(bbc[0].second.chainage, deposits[0].to, kPlaceTolerance);
    EXPECT_NEAR(std::stod(bbc[0].first.q1), deposits[0].worst, 2.0);
    const double depth =
        std::max_element(truth.begin(), truth.end(), [](const TruthRow& a, const TruthRow& b) {
            return a.sedimentDepth < b.sedimentDepth;
        })->sedimentDepth;
    const double half = std::acos((kNominal / 2 - depth) / (kNominal / 2));  // from the invert
    const double right = clockAt(-std::numbers::pi / 2 + half);
    const double left = clockAt(-std::numbers::pi / 2 - half);
    for (const CodedLine& o : {bbc[0].first, bbc[0].second}) {
        ASSERT_FALSE(o.clockFrom.empty() || o.clockTo.empty());
        const double a = std::stod(o.clockFrom), b = std::stod(o.clockTo);
        EXPECT_NEAR(std::min(a, b), right, 1.0) << "the floor meets the right wall";
        EXPECT_NEAR(std::max(a, b), left, 1.0) << "the floor meets the left wall";
    }

    // The debris on the invert of the narrower pipe: one obstacle, at 6 o'clock,
    // within the stretch the truth marks.
    std::vector<double> debris;
    for (const TruthRow& r : truth)
        if (r.obstacle) debris.push_back(r.chainage);
    ASSERT_FALSE(debris.empty());
    std::vector<CodedLine> bbe;
    std::copy_if(coded.begin(), coded.end(), std::back_inserter(bbe),
                 [](const CodedLine& l) { return l.code == "BBE"; });
    ASSERT_EQ(bbe.size(), 1u);
    EXPECT_GE(bbe[0].chainage, debris.front() - kPlaceTolerance);
    EXPECT_LE(bbe[0].chainage, debris.back() + kPlaceTolerance);
    ASSERT_FALSE(bbe[0].clockFrom.empty() || bbe[0].clockTo.empty());
    EXPECT_LE(std::stod(bbe[0].clockFrom), 6.0);
    EXPECT_GE(std::stod(bbe[0].clockTo), 6.0);

    // The nodes at the ends of the kept chainage.
    EXPECT_EQ(coded.front().code, "BCD");
    EXPECT_NEAR(coded.front().chainage, 0.0, 0.1);
    EXPECT_EQ(coded.back().code, "BCE");
    EXPECT_NEAR(coded.back().chainage, truth.back().chainage, 0.1);

    // The verdict on the truth's worst deformation against the same limits.
    double worst = 0.0;
    for (const TruthRow& r : truth) worst = std::max(worst, deformation(r));
    const Verdict expected = worst >= in.limits.fail       ? Verdict::Fail
                             : worst >= in.limits.evaluate ? Verdict::Evaluate
                                                           : Verdict::Pass;
    EXPECT_EQ(survey.summary.verdict, expected) << "the truth's worst deformation " << worst;
    EXPECT_NEAR(survey.summary.deformation.value, worst, 1.0);

    // The truth's sediment area over its chainage, by trapezoids as the survey
    // takes them. The geometry reads a floor within 1 cm or 5 % of its depth,
    // and a segment's area grows about as its depth to the power 1.5, so 8 %
    // in the area; the debris on the invert, which the truth counts as no
    // sediment, adds under 3 % of this wedge's volume: 10 % in all.
    const double bore = std::numbers::pi * kNominal * kNominal / 4;
    double volume = 0.0;
    for (std::size_t i = 1; i < truth.size(); ++i) {
        volume += (truth[i].chainage - truth[i - 1].chainage) *
                  (truth[i].sedimentArea + truth[i - 1].sedimentArea) / 2 / 100 * bore;
    }
    ASSERT_GT(volume, 0.0);
    EXPECT_NEAR(survey.summary.sedimentVolume, volume, 0.10 * volume);
    std::printf(
        "truth: deformation stretches %zu, worst %.2f %%, deposit %.2f-%.2f m worst %.2f %%, "
        "clocks %.2f %.2f, volume %.4f m3\n",
        deformed.size(), worst, deposits[0].from, deposits[0].to, deposits[0].worst, right, left,
        volume);
    std::printf(
        "survey: verdict %s, deformation %.2f %% at %.2f m, volume %.4f m3, kept %lld of %lld\n",
        verdictText(survey.summary.verdict), survey.summary.deformation.value,
        survey.summary.deformation.chainage, survey.summary.sedimentVolume,
        static_cast<long long>(survey.summary.kept),
        static_cast<long long>(survey.summary.records));
    std::printf("%s", test::readBytes(codedPath).c_str());
}

}  // namespace
}  // namespace sondrel
