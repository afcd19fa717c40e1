// The wall map of the sewer scenario: a recording of the simulated head
// driven through scenarios/sewer-600.scn, read as a file is, shows the
// displaced joint, the deformed stretch and the sediment wedge where the
// scenario put them. The map is held from the head's line, so the joint's
// step shows; each finding is a change against the clean pipe beside it,
// which the head's own offset in the bore does not move.

#include <gtest/gtest.h>

#include <cmath>

#include "acquisition/SondrelDoc.h"
#include "pipeview/PipeViews.h"
#include "recording/BinaryFile.h"
#include "recording/RecordFormat.h"
#include "simulation/Scenario.h"
#include "simulation/SimulatedHead.h"
#include "support/ReceivedBlock.h"
#include "support/TempFolder.h"

namespace sondrel {
namespace {

constexpr double kStep = 0.05;

// One record every kStep metres along the scenario's pipe, its chainage as
// the distance reading.
void writeScenarioSurvey(const Scenario& scenario, const std::string& path) {
    BinaryFile file;
    ASSERT_TRUE(file.create(path));
    const auto doc = test::surveyDocument();
    HeadConfig config;
    PipeModel pipe;
    pipe.diameter = scenario.diameter;
    pipe.noise = scenario.noise;
    pipe.dropouts = scenario.dropouts;
    pipe.offsetX = scenario.offsetX;
    pipe.offsetY = scenario.offsetY;
    pipe.wander = 0;  // the head held still: the map, not the head's sway, is under test
    SimulatedHead head(config, pipe);
    const int records = static_cast<int>(scenario.length / kStep);
    for (int i = 0; i <= records; ++i) {
        const double c = i * kStep;
        head.setSection(scenario.sectionAt(c));
        ASSERT_TRUE(test::receiveBlock(*doc, head.buildBlock(doc->head.command, i * 0.5)));
        doc->orientation.distanceValid = 1;
        doc->orientation.distanceM = c;
        ASSERT_TRUE(writeRecord(test::stampedPing(*doc), file));
    }
    ASSERT_TRUE(file.close());
}

struct SewerMap {
    test::TempFolder folder;
    WallMap map;
    SewerMap() {
        const ScenarioParse parsed = loadScenario(SONDREL_SCENARIOS "/sewer-600.scn");
        EXPECT_TRUE(parsed.scenario) << parsed.error;
        if (!parsed.scenario) return;
        const std::string path = folder.file("sewer.qzr");
        writeScenarioSurvey(*parsed.scenario, path);
        CSondrelDoc doc;
        DistanceReadingChainage chainage;
        const ConversionResult r =
            buildPipeViews(doc, path, {.nominalDiameter = 0.6, .centre = WallCentre::Head},
                           chainage, {&map, nullptr});
        EXPECT_TRUE(r.ok()) << r.message;
    }
    // The mean departure in mm of the wall cells of [from, to) within 10
    // degrees of a clock position: one ping a bin and three points a row are
    // too few for a single cell to say much.
    double mm(double from, double to, double clockHours) const {
        double sum = 0.0;
        int cells = 0;
        for (double c = from; c < to; c += kStep) {
            for (double d = -10.0; d <= 10.0; d += 2.5) {
                const WallCell cell = map.cell(c, std::fmod(clockHours * 30.0 + d + 360.0, 360.0));
                if (cell.state != CellState::Wall) continue;
                sum += cell.departureMm;
                ++cells;
            }
        }
        return cells > 0 ? sum / cells : std::nan("");
    }
    // The change in departure from the half metre before `at` to the half metre after.
    double stepAt(double at, double clockHours) const {
        return mm(at + 0.05, at + 0.55, clockHours) - mm(at - 0.55, at - 0.05, clockHours);
    }
};

TEST(WallMapSewer, ShowsTheJointTheDeformationAndTheWedgeWhereTheyAre) {
    static const SewerMap sewer;
    const WallMap& map = sewer.map;
    ASSERT_FALSE(map.empty());
    EXPECT_NEAR(map.startChainage(), 0.0, 0.1);
    EXPECT_NEAR(map.endChainage(), 60.0, 0.1);

    // The joint at 12.5 m: the pipe beyond sits 15 mm to the right, so its
    // wall at 3 o'clock lies 15 mm further off the head's line, at 9 nearer.
    struct Step {
        double clock, mm;
    } const steps[] = {{3, 15.0}, {9, -15.0}, {12, 0.0}, {6, 0.0}};
    for (const Step& s : steps) {
        SCOPED_TRACE(s.clock);
        EXPECT_NEAR(sewer.stepAt(12.5, s.clock), s.mm, 4.0);
    }
    // Within a stretch between joints, no step.
    EXPECT_NEAR(sewer.stepAt(11.25, 3), 0.0, 4.0);

    // The stretch deformed from 18 to 24 m with its largest diameter level:
    // the sides out, crown and invert in, against the pipe before it.
    const double before = sewer.mm(15.5, 17.0, 3), crownBefore = sewer.mm(15.5, 17.0, 12);
    EXPECT_GT(sewer.mm(20.5, 21.5, 3) - before, 6.0);
    EXPECT_GT(sewer.mm(20.5, 21.5, 9) - sewer.mm(15.5, 17.0, 9), 6.0);
    EXPECT_LT(sewer.mm(20.5, 21.5, 12) - crownBefore, -6.0);
    EXPECT_NEAR(sewer.mm(25.5, 27.0, 3) - before, 0.0, 4.0);

    // The wedge from 30 to 45 m, deepest in the middle: the invert under
    // sediment there, the crown and the sides still wall, and a clean invert
    // before it.
    EXPECT_EQ(map.cell(37.5, 180.0).state, CellState::Sediment);
    EXPECT_EQ(map.cell(37.5, 0.0).state, CellState::Wall);
    EXPECT_EQ(map.cell(37.5, 90.0).state, CellState::Wall);
    EXPECT_EQ(map.cell(27.0, 180.0).state, CellState::Wall);
    EXPECT_EQ(map.cell(47.0, 180.0).state, CellState::Wall);
}

}  // namespace
}  // namespace sondrel
