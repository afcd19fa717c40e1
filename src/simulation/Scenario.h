#pragma once
// A survey scenario: a model pipe that changes along its length (joints, a
// deformed stretch, sediment, connections, a change of size, debris) and a
// crawler that drives through it, stopping and backing up, read from a small
// text file. The same functions give the simulated head its cross-section at
// the crawler's chainage and write the truth file the analysis is held
// against, so what a test expects and what the head sent cannot drift apart.
//
// The file: one item a line, '#' starts a comment, an item is a keyword and
// name=value pairs; metres, degrees, seconds, clock positions in hours (12 at
// the crown, 3 on the right looking along the survey).

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sondrel {

// The pipe at one chainage, about the line the head follows (x to the right,
// y up, seen along the survey). Lengths in metres.
struct CrossSection {
    double semiMajor = 0.3, semiMinor = 0.3;
    double majorAngleDeg = 0.0;  // anticlockwise from the horizontal
    // Where the pipe's axis lies (a displaced joint moves it).
    double axisX = 0.0, axisY = 0.0;
    // A flat floor this high above the lowest point of the wall; 0 none.
    double sedimentDepth = 0.0;
    // Something solid standing `height` proud of the wall towards the unit
    // direction (normalX, normalY), cut off flat: debris on the invert.
    struct Obstacle {
        double normalX = 0.0, normalY = -1.0, height = 0.0;
    };
    std::optional<Obstacle> obstacle;
    // A hole in the wall about `centreDeg` (clockwise from the crown, seen
    // from the axis), through which the echo comes from `farEcho` further on.
    struct Opening {
        double centreDeg = 0.0, halfWidthDeg = 0.0, farEcho = 0.0;
    };
    std::optional<Opening> opening;
};

struct ScenarioStretch {
    double from = 0.0, to = 0.0;
    int line = 0;
    bool contains(double c) const { return c >= from && c <= to; }
};

struct ScenarioDeformation : ScenarioStretch {
    double peak = 0.0;      // (Dmax - Dmin) / nominal at the full stretch
    double angleDeg = 0.0;  // of the largest diameter, anticlockwise from horizontal
};
struct ScenarioSediment : ScenarioStretch {
    double depth = 0.0;  // at the middle of the stretch
};
struct ScenarioSizeChange : ScenarioStretch {
    double diameter = 0.0;
};
struct ScenarioObstacle : ScenarioStretch {
    double clock = 6.0, height = 0.0;
};
struct ScenarioJoint {
    double at = 0.0, step = 0.0, clock = 12.0;
    int line = 0;
};
struct ScenarioConnection {
    double at = 0.0, clock = 12.0, width = 0.0;
    int line = 0;
};
struct CrawlerStop {
    double at = 0.0, seconds = 0.0;
    int line = 0;
};
struct CrawlerReversal {
    double at = 0.0, back = 0.0;
    int line = 0;
};

struct Scenario {
    double diameter = 0.6;  // nominal inside diameter
    double length = 0.0;
    double speed = 0.1;  // cable speed, m/s
    double start = 0.0;  // chainage at start
    std::vector<CrawlerStop> stops;
    std::vector<CrawlerReversal> reversals;
    std::vector<ScenarioDeformation> deformations;
    std::vector<ScenarioSediment> sediments;
    std::vector<ScenarioSizeChange> sizeChanges;
    std::vector<ScenarioObstacle> obstacles;
    double jointSpacing = 0.0;  // 0: no regular joints
    std::vector<ScenarioJoint> joints;
    std::vector<ScenarioConnection> connections;
    // What the head's electronics and mounting add, as the options of the
    // simulator without a scenario.
    double noise = 0.0, dropouts = 0.0, offsetX = 0.0, offsetY = 0.0, wander = 0.0;

    // The nominal inside diameter at chainage c (a size change included).
    double nominalAt(double c) const;
    CrossSection sectionAt(double c) const;
};

struct ScenarioParse {
    std::optional<Scenario> scenario;
    std::string error;  // "FILE:LINE: reason" when the scenario is refused
};
// `fileName` only names the file in messages.
ScenarioParse parseScenario(std::string_view text, const std::string& fileName);
ScenarioParse loadScenario(const std::string& path);

// Distance from the head at (headX, headY) to whatever answers along a unit
// vector: the wall, the sediment floor, an obstacle, or the far echo through
// an opening. Built once per ping, asked for every look direction.
class SectionSnapshot {
  public:
    SectionSnapshot(const CrossSection& section, double headX, double headY);
    // nullopt when the head is outside the pipe, buried, or inside an obstacle.
    std::optional<double> distanceAlong(double dx, double dy) const;

  private:
    bool valid_ = false;
    double inverseA2_ = 0.0, inverseB2_ = 0.0;
    double cosAngle_ = 1.0, sinAngle_ = 0.0;
    double headX_ = 0.0, headY_ = 0.0;  // about the pipe axis
    double headU_ = 0.0, headV_ = 0.0;  // the same along the ellipse's axes
    double c_ = 0.0;
    double surface_ = -1e300;  // no sediment: a floor nothing reaches
    std::optional<CrossSection::Obstacle> obstacle_;
    double obstacleReach_ = 0.0;
    std::optional<CrossSection::Opening> opening_;
};

// What the analysis must find at one chainage.
struct TruthRow {
    double chainage = 0.0;
    double nominal = 0.0, meanDiameter = 0.0, minDiameter = 0.0, maxDiameter = 0.0;
    double ovalityPercent = 0.0;      // (Dmax - Dmin) / Dmean x 100
    double deformationPercent = 0.0;  // (Dnominal - Dmin) / Dnominal x 100
    double sedimentDepth = 0.0;
    double sedimentAreaPercent = 0.0;  // of the nominal bore
    std::string features;              // ';'-joined
};

// The row at chainage c; `step` is the width of the row's cell, in which
// joints, size changes and connections are looked for.
TruthRow truthAt(const Scenario& scenario, double c, double step);
std::string truthCsvHeader();
std::string truthCsvRow(const TruthRow& row);
// Every row from chainage 0 to the pipe's length, `step` apart.
std::string truthCsv(const Scenario& scenario, double step);

// The crawler's chainage through the scenario's plan (drive, stop, back up,
// drive on) at model time, with the speed changed and the crawler held at run
// time; the chainage never jumps, whatever is changed when.
class CrawlerRun {
  public:
    explicit CrawlerRun(const Scenario& scenario);
    // Advances to timeS (earlier times are taken as the latest one seen).
    double chainageAt(double timeS);
    void setSpeed(double metresPerSecond, double timeS);
    void pause(double timeS);
    void resume(double timeS);
    bool paused() const { return paused_; }
    double speed() const { return speed_; }

  private:
    struct Leg {
        double from = 0.0, to = 0.0;  // a drive; from == to with seconds > 0 a stop
        double seconds = 0.0;
    };
    void advance(double seconds);
    double position() const;

    std::vector<Leg> legs_;
    std::size_t leg_ = 0;
    double done_ = 0.0;  // metres driven or seconds held of the current leg
    double time_ = 0.0;
    double speed_ = 0.0;
    bool paused_ = false;
};

}  // namespace sondrel
