#pragma once
// Pipe geometry of one ping: from the profile points in metres (x to the
// right, y up, the head at the origin, roll already applied) it fits the wall
// with a circle and an ellipse, measures calliper diameters through the fitted
// centre, ovality, deformation, the area of the bore and the sediment lying at
// the invert.
//
// Outlier rule: a point belongs to the wall while its distance from the fitted
// shape lies within max(3 robust standard deviations, a floor) of the median
// distance, the robust standard deviation being 1.4826 x the median absolute
// deviation. The fit and the rule alternate until the set of wall points no
// longer changes. Debris and sediment lie inside the wall and multipath echoes
// beyond it, so all three fall out; the sediment is then found among the
// points left inside, low in the pipe, as a flat floor.
//
// A ping that cannot be measured (too few points, points on one side only, a
// fit that does not settle) gets a quality flag and no numbers: a flagged
// result never carries a plausible wrong figure. Without a usable nominal
// diameter the ping is still measured: its diameters, area, sediment and an
// ovality against its own mean diameter are given, and the figures that need
// the nominal (deformation, area loss) are NaN under the "no valid nominal
// diameter" flag.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace sondrel {

struct GeometryPoint {
    double x = 0.0, y = 0.0;
};

enum class GeometryQuality : std::uint8_t {
    Ok,
    TooFewPoints,
    OneSided,
    NotConverged,
    BadNominal,  // measured, but nothing to hold it against: see above
};
// One word or phrase per flag, for tables and the readout.
const char* geometryQualityText(GeometryQuality quality);

// Fewer wall points than this are not a cross-section.
inline constexpr int kMinGeometryPoints = 24;
// Points on the wall must leave no gap wider than this, seen from the fitted
// centre; wider means they lie on one side only.
inline constexpr double kMaxWallGapDegrees = 180.0;
// Coordinates beyond this are no echo of a pipe wall.
inline constexpr double kMaxGeometryCoordinate = 1000.0;
// Nominal diameters outside this span are refused as settings mistakes.
inline constexpr double kMinNominalDiameter = 0.01;
inline constexpr double kMaxNominalDiameter = 50.0;
inline constexpr int kCalliperCount = 180;

// What the spread of the callipers (Dmax - Dmin) is divided by to give the
// ovality: the pipe's nominal diameter, or the ping's own mean diameter,
// which needs no nominal.
enum class OvalityBasis : std::uint8_t { Nominal, Mean };
// The definition as the screen, the table and the report write it.
const char* ovalityDefinitionText(OvalityBasis basis);
// The ovality in percent; `nominal` is used only with OvalityBasis::Nominal.
double ovalityPercentOf(double maxDiameter, double minDiameter, double meanDiameter, double nominal,
                        OvalityBasis basis);
// Whether a nominal diameter can be measured against.
bool usableNominal(double nominalDiameter);

struct CircleFit {
    double centreX = 0.0, centreY = 0.0, radius = 0.0;
    double rmsResidual = 0.0;
    int pointsUsed = 0;
};

struct EllipseFit {
    bool valid = false;
    double centreX = 0.0, centreY = 0.0;
    double semiMajor = 0.0, semiMinor = 0.0;
    // Direction of the major axis, degrees anticlockwise from the x axis, 0..180.
    double angleDegrees = 0.0;
    double rmsResidual = 0.0;
    int pointsUsed = 0;
};

struct PipeGeometry {
    GeometryQuality quality = GeometryQuality::TooFewPoints;
    int pointsGiven = 0;  // finite points handed in
    int pointsUsed = 0;   // wall points the final fit used
    CircleFit circle;
    EllipseFit ellipse;
    // Callipers through the fitted centre; directions in degrees anticlockwise
    // from the x axis, 0..180.
    double meanDiameter = 0.0, minDiameter = 0.0, maxDiameter = 0.0;
    double minDirectionDegrees = 0.0, maxDirectionDegrees = 0.0;
    double nominalDiameter = 0.0;                       // the one measured against; 0 without
    OvalityBasis ovalityBasis = OvalityBasis::Nominal;  // the one used
    double ovalityPercent = 0.0;      // (Dmax - Dmin) / Dnominal or / Dmean, x 100
    double deformationPercent = 0.0;  // (Dnominal - Dmin) / Dnominal x 100; NaN without
    double area = 0.0;                // enclosed by the profile, sediment floor included
    double areaLossPercent = 0.0;     // against the nominal circle; NaN without
    double sedimentDepth = 0.0;       // floor above the bottom of the fitted shape
    double sedimentArea = 0.0;
    // Residual of the wall points against the fitted shape (the ellipse when
    // it was fitted, else the circle).
    double rmsResidual = 0.0;

    // Every figure given.
    bool ok() const { return quality == GeometryQuality::Ok; }
    // The shape was measured: every figure but those that need a nominal.
    bool measured() const { return ok() || quality == GeometryQuality::BadNominal; }
};

// Keeps its working buffers from ping to ping, so that analysing a ping
// allocates nothing once the first one has been seen.
class PipeAnalyser {
  public:
    PipeAnalyser();
    // Ovality is taken on `basis`, or on the mean diameter when there is no
    // usable nominal diameter.
    PipeGeometry analyse(std::span<const GeometryPoint> points, double nominalDiameter,
                         OvalityBasis basis = OvalityBasis::Nominal);

  private:
    // What one round of the outlier rule did to the wall.
    enum class WallChange : std::uint8_t { TooFew, Moving, Settled };

    // The stages of analyse(), in order. Each works on the buffers below,
    // all one entry per point of points_.
    void keepMeasurablePoints(std::span<const GeometryPoint> input);
    bool surroundsHead();
    // Leaves wall_ flagging the points the start circle found on the wall.
    std::optional<CircleFit> startCircle();
    double ringNoise();
    // The geometric circle over wall_, alternating with the outlier rule.
    GeometryQuality fitCircleRobustly(CircleFit& circle, int rounds);
    // The floor's level; its points leave the wall for good (excluded_) and
    // those on it are flagged in floor_.
    std::optional<double> takeOutSedimentFloor(const CircleFit& circle, double ringNoise);
    // Valid or not; when valid, its wall points replace wall_.
    EllipseFit fitEllipse(const CircleFit& circle);
    // The circle refined over wall_, with its residual and the points used;
    // false when it cannot be.
    bool fitFinalCircle(CircleFit& circle);
    bool wallHoldsMostPoints(int used) const;

    // The outlier rule of both fits, on the residuals in residuals_: a point
    // stays on `wall` while it lies within max(3 robust standard deviations,
    // a floor) of the median residual of the wall, and never when excluded.
    // Too few points left leave `wall` as it was.
    WallChange rejectOutliers(std::vector<std::uint8_t>& wall, double radius);

    std::vector<GeometryPoint> points_;
    std::vector<double> residuals_;
    std::vector<double> scratch_;
    std::vector<double> select_;
    std::vector<std::uint8_t> wall_;
    std::vector<std::uint8_t> nextWall_;
    std::vector<std::uint8_t> ellipseWall_;
    std::vector<std::uint8_t> excluded_;
    std::vector<std::uint8_t> floor_;
    std::vector<int> bins_;
    std::vector<double> radii_;
};

// The same without keeping buffers, for one-off use.
PipeGeometry analysePipe(std::span<const GeometryPoint> points, double nominalDiameter,
                         OvalityBasis basis = OvalityBasis::Nominal);

// The height (y, metres) of the sediment floor a measured ping found: the
// bottom of its fitted shape (the ellipse when fitted, else the circle) raised
// by the sediment depth. Nothing when no floor was found.
std::optional<double> sedimentLevelOf(const PipeGeometry& geometry);

// Distance from the centre of an ellipse to its edge in a direction given in
// radians anticlockwise from the x axis.
double ellipseRadiusAt(const EllipseFit& ellipse, double directionRadians);

}  // namespace sondrel
