#include "analysis/PipeGeometry.h"

#include "analysis/GeometryKernels.h"
#include "analysis/Selection.h"

#include <Eigen/Dense>
#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <optional>

namespace sondrel {

namespace {

using kernels::kBins;
using kernels::kBinWidth;
// A wall point never counts as an outlier for lying this close to the shape:
// keeps a noiseless profile from rejecting its own quantisation steps.
constexpr double kMinOutlierMetres = 0.002;
constexpr double kMinOutlierFraction = 0.004;  // of the radius
constexpr double kRobustSigma = 1.4826;
constexpr double kOutlierSigmas = 3.0;
constexpr int kMaxRejectionRounds = 12;
constexpr int kFirstCircleRounds = 3;
// Axes further apart than this are no pipe; the circle then describes it.
constexpr double kMaxAxisRatio = 2.0;
// Calliper radii average the wall points this many bins either side.
constexpr int kCalliperHalfWindow = 2;
// Sediment lies in the lower part of the pipe, within this of straight down.
constexpr double kInvertHalfAngle = 75.0 * std::numbers::pi / 180.0;
constexpr int kMinFloorPoints = 5;
// Levels of the floor search, each one tolerance high, from a little below
// the circle's bottom up to its centre and beyond.
constexpr int kFloorLevels = 1024;
// The flattest bottom a wall has, in radii of the fitted circle (an oval pipe
// squashed upright is flatter at its bottom than its circle), and how many
// tolerances a line of points must stay level beyond what such a wall could.
constexpr double kFlattestCurvature = 1.5;
constexpr double kFloorFlatness = 3.0;

struct BinTable {
    BinTable() {
        for (int k = 0; k < kBins; ++k) {
            const double phi = (k + 0.5) * kBinWidth;
            cos[k] = std::cos(phi);
            sin[k] = std::sin(phi);
        }
    }
    std::array<double, kBins> cos{}, sin{};
};

const BinTable& binTable() {
    static const BinTable table;
    return table;
}

double distance(double dx, double dy) {
    return std::sqrt(dx * dx + dy * dy);
}

// Appends the values whose flag is set to `out`, without a branch per value.
void appendFlagged(std::span<const double> values, std::span<const std::uint8_t> use,
                   std::vector<double>& out) {
    const std::size_t start = out.size();
    out.resize(start + values.size());
    std::size_t n = start;
    for (std::size_t i = 0; i < values.size(); ++i) {
        out[n] = values[i];
        n += use[i] != 0;
    }
    out.resize(n);
}

// The widest run of empty bins, wrapping round; a full turn when all are empty.
double widestGapDegrees(const std::array<std::uint8_t, kBins>& filled) {
    int first = -1, last = -1, widest = 0, previous = -1;
    for (int k = 0; k < kBins; ++k) {
        if (!filled[k]) continue;
        if (first < 0) first = k;
        if (previous >= 0) widest = std::max(widest, k - previous - 1);
        previous = last = k;
    }
    if (first < 0) return 360.0;
    // The run that wraps from the last filled bin round to the first.
    widest = std::max(widest, kBins - 1 - last + first);
    return widest * 360.0 / kBins;
}

// The median (the upper one of an even count), by the branch-free selection.
double median(const std::vector<double>& values, std::vector<double>& work) {
    if (values.empty()) return 0.0;
    work.resize(2 * values.size());
    return selectKth(values.data(), values.size(), values.size() / 2, work.data());
}

// Whether a point lies within a tolerance of a circle, |d - r| <= tolerance
// with d its distance from the centre, deciding on the squared distance and
// taking the square root only for the few points that lie so close to an
// edge of the band that rounding could matter: the same answer as the direct
// test, without a square root for most points.
class RingBand {
  public:
    RingBand(const CircleFit& c, double tolerance)
        : x_(c.centreX), y_(c.centreY), radius_(c.radius), tolerance_(tolerance) {
        const double lo = c.radius - tolerance, hi = c.radius + tolerance;
        const double margin = 1e-9 * hi;
        const double innerLo = std::max(0.0, lo + margin), innerHi = hi - margin;
        sureInLo_ = innerLo * innerLo;
        sureInHi_ = innerHi > innerLo ? innerHi * innerHi : -1.0;
        const double outerLo = lo - margin, outerHi = hi + margin;
        sureOutLo_ = outerLo > 0 ? outerLo * outerLo : -1.0;
        sureOutHi_ = outerHi * outerHi;
    }

    bool holds(const GeometryPoint& p) const {
        const double dx = p.x - x_, dy = p.y - y_;
        const double q = dx * dx + dy * dy;
        if (q >= sureInLo_ && q <= sureInHi_) return true;
        if (q < sureOutLo_ || q > sureOutHi_) return false;
        return std::fabs(std::sqrt(q) - radius_) <= tolerance_;
    }

  private:
    double x_, y_, radius_, tolerance_;
    double sureInLo_ = 0, sureInHi_ = 0, sureOutLo_ = 0, sureOutHi_ = 0;
};

// Circle through three points; false when they are (nearly) on a line.
bool circleThrough(const GeometryPoint& a, const GeometryPoint& b, const GeometryPoint& c,
                   CircleFit& out) {
    const double bx = b.x - a.x, by = b.y - a.y;
    const double cx = c.x - a.x, cy = c.y - a.y;
    const double d = 2.0 * (bx * cy - by * cx);
    const double scale = (bx * bx + by * by) * (cx * cx + cy * cy);
    if (!(std::fabs(d) * std::fabs(d) > 1e-12 * scale)) return false;
    const double b2 = bx * bx + by * by, c2 = cx * cx + cy * cy;
    const double ux = (cy * b2 - by * c2) / d;
    const double uy = (bx * c2 - cx * b2) / d;
    out.centreX = a.x + ux;
    out.centreY = a.y + uy;
    out.radius = distance(ux, uy);
    return std::isfinite(out.radius);
}

// Algebraic (Kasa) circle of the flagged points, about their centroid so the
// sums stay well conditioned.
bool algebraicCircle(std::span<const GeometryPoint> p, std::span<const std::uint8_t> use,
                     CircleFit& out) {
    double mx = 0, my = 0;
    int n = 0;
    for (std::size_t i = 0; i < p.size(); ++i) {
        if (!use[i]) continue;
        mx += p[i].x;
        my += p[i].y;
        ++n;
    }
    if (n < 3) return false;
    mx /= n;
    my /= n;
    // The normal equations of the rows (x, y, 1), summed in scalars: Eigen's
    // sums of outer products went through memory on every point.
    double sxx = 0, sxy = 0, syy = 0, sx = 0, sy = 0, count = 0, bx = 0, by = 0, b1 = 0;
    for (std::size_t i = 0; i < p.size(); ++i) {
        if (!use[i]) continue;
        const double x = p[i].x - mx, y = p[i].y - my;
        const double z = x * x + y * y;
        sxx += x * x;
        sxy += x * y;
        syy += y * y;
        sx += x;
        sy += y;
        count += 1;
        bx -= x * z;
        by -= y * z;
        b1 -= z;
    }
    Eigen::Matrix3d a;
    a << sxx, sxy, sx, sxy, syy, sy, sx, sy, count;
    const Eigen::Vector3d b(bx, by, b1);
    const Eigen::Vector3d s = a.ldlt().solve(b);
    const double cx = -s(0) / 2, cy = -s(1) / 2;
    const double r2 = cx * cx + cy * cy - s(2);
    if (!s.allFinite() || !(r2 > 0)) return false;
    out.centreX = cx + mx;
    out.centreY = cy + my;
    out.radius = std::sqrt(r2);
    return true;
}

// One Gauss-Newton step of the geometric circle fit over the flagged points;
// returns the size of the step, or NaN when it could not be taken.
double geometricCircleStep(std::span<const GeometryPoint> p, std::span<const std::uint8_t> use,
                           CircleFit& c) {
    const kernels::CircleStepSums s = kernels::best::circleStepSums(p, use, c);
    Eigen::Matrix3d jtj;
    jtj << s.sxx, s.sxy, s.sx, s.sxy, s.syy, s.sy, s.sx, s.sy, s.count;
    const Eigen::Vector3d jtr(-s.rx, -s.ry, -s.r1);
    const Eigen::Vector3d step = jtj.ldlt().solve(-jtr);
    if (!step.allFinite()) return std::numeric_limits<double>::quiet_NaN();
    c.centreX += step(0);
    c.centreY += step(1);
    c.radius += step(2);
    return step.norm();
}

// A conic A x^2 + B xy + C y^2 + D x + E y + F = 0.
using Conic = Eigen::Matrix<double, 6, 1>;

double conicValue(const Conic& q, double x, double y) {
    return q(0) * x * x + q(1) * x * y + q(2) * y * y + q(3) * x + q(4) * y + q(5);
}

// Distance of a point from the conic to first order (Sampson).
double sampsonDistance(const Conic& q, double x, double y) {
    const double gx = 2 * q(0) * x + q(1) * y + q(3);
    const double gy = q(1) * x + 2 * q(2) * y + q(4);
    const double g = distance(gx, gy);
    return g > 0 ? conicValue(q, x, y) / g : std::numeric_limits<double>::infinity();
}

// Direct least-squares ellipse (the numerically stable form that splits the
// scatter matrix), weighted; coordinates already centred and scaled.
bool directEllipse(std::span<const GeometryPoint> p, std::span<const std::uint8_t> use,
                   std::span<const double> weight, Conic& out) {
    // The scatter matrices hold only the 15 weighted moments x^i y^j, i + j <= 4.
    double m[5][5] = {};
    int n = 0;
    for (std::size_t i = 0; i < p.size(); ++i) {
        if (!use[i]) continue;
        const double x = p[i].x, y = p[i].y, w = weight.empty() ? 1.0 : weight[i];
        const double x2 = x * x, y2 = y * y, xy = x * y;
        m[0][0] += w;
        m[1][0] += w * x;
        m[0][1] += w * y;
        m[2][0] += w * x2;
        m[1][1] += w * xy;
        m[0][2] += w * y2;
        m[3][0] += w * x2 * x;
        m[2][1] += w * x2 * y;
        m[1][2] += w * x * y2;
        m[0][3] += w * y2 * y;
        m[4][0] += w * x2 * x2;
        m[3][1] += w * x2 * xy;
        m[2][2] += w * x2 * y2;
        m[1][3] += w * xy * y2;
        m[0][4] += w * y2 * y2;
        ++n;
    }
    if (n < 6) return false;
    Eigen::Matrix3d s1, s2, s3;
    s1 << m[4][0], m[3][1], m[2][2], m[3][1], m[2][2], m[1][3], m[2][2], m[1][3], m[0][4];
    s2 << m[3][0], m[2][1], m[2][0], m[2][1], m[1][2], m[1][1], m[1][2], m[0][3], m[0][2];
    s3 << m[2][0], m[1][1], m[1][0], m[1][1], m[0][2], m[0][1], m[1][0], m[0][1], m[0][0];
    const Eigen::FullPivLU<Eigen::Matrix3d> s3lu(s3);
    if (!s3lu.isInvertible()) return false;
    const Eigen::Matrix3d t = -s3lu.solve(s2.transpose());
    const Eigen::Matrix3d reducedScatter = s1 + s2 * t;
    Eigen::Matrix3d reduced;
    reduced.row(0) = reducedScatter.row(2) / 2;
    reduced.row(1) = -reducedScatter.row(1);
    reduced.row(2) = reducedScatter.row(0) / 2;
    const Eigen::EigenSolver<Eigen::Matrix3d> solver(reduced);
    if (solver.info() != Eigen::Success) return false;
    const auto vectors = solver.eigenvectors();
    int best = -1;
    double bestCondition = 0;
    for (int k = 0; k < 3; ++k) {
        const Eigen::Vector3d v = vectors.col(k).real();
        const double condition = 4 * v(0) * v(2) - v(1) * v(1);
        if (condition > bestCondition) {
            bestCondition = condition;
            best = k;
        }
    }
    if (best < 0) return false;
    const Eigen::Vector3d a1 = vectors.col(best).real();
    const Eigen::Vector3d a2 = t * a1;
    out << a1, a2;
    out /= out.head<3>().norm();
    return out.allFinite();
}

// Centre, axes and angle of an ellipse conic, in the same coordinates.
bool ellipseOf(const Conic& q, EllipseFit& e) {
    const double a = q(0), b = q(1), c = q(2), d = q(3), f = q(4);
    const double det = 4 * a * c - b * b;
    if (!(det > 0)) return false;
    const double x0 = (b * f - 2 * c * d) / det;
    const double y0 = (b * d - 2 * a * f) / det;
    const double value = conicValue(q, x0, y0);
    const double theta = 0.5 * std::atan2(b, a - c);
    const double ct = std::cos(theta), st = std::sin(theta);
    const double l1 = a * ct * ct + b * ct * st + c * st * st;
    const double l2 = a * st * st - b * ct * st + c * ct * ct;
    const double r1sq = -value / l1, r2sq = -value / l2;
    if (!(r1sq > 0) || !(r2sq > 0)) return false;
    double r1 = std::sqrt(r1sq), r2 = std::sqrt(r2sq);
    double angle = theta;
    if (r2 > r1) {
        std::swap(r1, r2);
        angle += std::numbers::pi / 2;
    }
    angle = std::fmod(angle, std::numbers::pi);
    if (angle < 0) angle += std::numbers::pi;
    e.centreX = x0;
    e.centreY = y0;
    e.semiMajor = r1;
    e.semiMinor = r2;
    e.angleDegrees = angle * 180 / std::numbers::pi;
    return std::isfinite(r1) && std::isfinite(x0) && std::isfinite(y0);
}

// The ellipse is fitted in coordinates centred on the circle and scaled by
// its radius, which keeps the moments of its scatter matrix near one.
void toCircleUnits(std::span<GeometryPoint> points, const CircleFit& circle) {
    for (GeometryPoint& p : points) {
        p.x = (p.x - circle.centreX) / circle.radius;
        p.y = (p.y - circle.centreY) / circle.radius;
    }
}

void fromCircleUnits(std::span<GeometryPoint> points, const CircleFit& circle) {
    for (GeometryPoint& p : points) {
        p.x = p.x * circle.radius + circle.centreX;
        p.y = p.y * circle.radius + circle.centreY;
    }
}

// The conic refitted twice with each point weighted by its gradient, so that
// the algebraic distance approaches the geometric one; `weights` is room for
// one weight per point.
void refineConic(std::span<const GeometryPoint> unit, std::span<const std::uint8_t> wall,
                 std::span<double> weights, Conic& conic) {
    for (int refine = 0; refine < 2; ++refine) {
        for (std::size_t i = 0; i < unit.size(); ++i) {
            const double gx = 2 * conic(0) * unit[i].x + conic(1) * unit[i].y + conic(3);
            const double gy = conic(1) * unit[i].x + 2 * conic(2) * unit[i].y + conic(4);
            const double g2 = gx * gx + gy * gy;
            weights[i] = g2 > 0 ? 1.0 / g2 : 0.0;
        }
        Conic refined;
        if (directEllipse(unit, wall, weights, refined)) conic = refined;
    }
}

// The lower part of the pipe, within kInvertHalfAngle of straight down from
// the circle's centre, where sediment lies, cut into levels one tolerance
// high from a little below the circle's bottom.
class Invert {
  public:
    Invert(const CircleFit& circle, double tolerance)
        : circle_(circle), tolerance_(tolerance), bottom_(circle.centreY - 1.2 * circle.radius) {}

    bool holds(const GeometryPoint& p) const {
        const double dx = p.x - circle_.centreX, dy = p.y - circle_.centreY;
        return dy < 0 && std::fabs(dx) < -dy * std::tan(kInvertHalfAngle);
    }
    int levelOf(double y) const { return static_cast<int>((y - bottom_) / tolerance_); }

  private:
    CircleFit circle_;
    double tolerance_, bottom_;
};

// The level of a sediment floor: a level line of points in the invert,
// longer than the wall could stay that level given its curvature.
std::optional<double> findFloorLevel(std::span<const GeometryPoint> pts, const CircleFit& circle,
                                     double tolerance) {
    const Invert invert(circle, tolerance);
    std::array<int, kFloorLevels> count{};
    // Pairs of empty levels never beat the first pair, so only the levels
    // that caught a point and their neighbours are compared.
    int lowest = kFloorLevels, highest = -1;
    for (const GeometryPoint& p : pts) {
        const int level = invert.levelOf(p.y);
        if (level >= 0 && level < kFloorLevels && invert.holds(p)) {
            ++count[level];
            lowest = std::min(lowest, level);
            highest = std::max(highest, level);
        }
    }
    int best = 0;
    for (int k = std::max(1, lowest); k <= std::min(kFloorLevels - 1, highest + 1); ++k) {
        if (count[k] + count[k - 1] > count[best] + count[best + 1]) best = k - 1;
    }
    if (count[best] + count[best + 1] < kMinFloorPoints) return std::nullopt;
    double sum = 0, left = 1e300, right = -1e300;
    int points = 0;
    for (const GeometryPoint& p : pts) {
        const int level = invert.levelOf(p.y);
        if ((level != best && level != best + 1) || !invert.holds(p)) continue;
        sum += p.y;
        left = std::min(left, p.x);
        right = std::max(right, p.x);
        ++points;
    }
    const double extent = right - left;
    if (!(extent * extent / (8 * kFlattestCurvature * circle.radius) >
          kFloorFlatness * tolerance)) {
        return std::nullopt;
    }
    return sum / points;
}

// The shape the ping is measured against: the ellipse, or the circle where
// the ellipse was refused.
EllipseFit shapeOf(const EllipseFit& ellipse, const CircleFit& circle) {
    EllipseFit shape = ellipse;
    if (!ellipse.valid) {
        shape.centreX = circle.centreX;
        shape.centreY = circle.centreY;
        shape.semiMajor = shape.semiMinor = circle.radius;
        shape.angleDegrees = 0;
    }
    return shape;
}

// The lowest point of the shape.
double shapeBottomOf(const EllipseFit& shape) {
    const double t = shape.angleDegrees * std::numbers::pi / 180;
    const double a = shape.semiMajor * std::sin(t), b = shape.semiMinor * std::cos(t);
    return shape.centreY - std::sqrt(a * a + b * b);
}

// The ping seen from the centre of its shape, one-degree bin by bin.
struct Directions {
    std::array<double, kBins> shapeRadius{};
    // The wall points and the floor points in each bin, and the sums of their
    // distances from the centre.
    std::array<int, kBins> wallCount{}, floorCount{};
    std::array<double, kBins> wallSum{}, floorSum{};
    // Of the wall points' distances from the shape.
    double shapeSquares = 0;
};

// `radii` and `bins` are room for one value per point; they are left holding
// each point's distance from the centre and its bin.
Directions directionsAbout(const EllipseFit& shape, std::span<const GeometryPoint> pts,
                           std::span<const std::uint8_t> wall, std::span<const std::uint8_t> floor,
                           std::span<double> radii, std::span<int> bins) {
    Directions d;
    kernels::best::distancesFrom(pts, shape.centreX, shape.centreY, 0, radii);
    kernels::best::binsOf(pts, shape.centreX, shape.centreY, bins);
    const BinTable& table = binTable();
    // ellipseRadiusAt, the direction's sine and cosine turned by the shape's
    // angle rather than computed afresh for every bin.
    const double t = shape.angleDegrees * std::numbers::pi / 180;
    kernels::best::ellipseRadii(table.cos, table.sin, std::cos(t), std::sin(t), shape.semiMajor,
                                shape.semiMinor, d.shapeRadius);
    for (std::size_t i = 0; i < pts.size(); ++i) {
        if (!wall[i]) continue;
        const double r = radii[i] - d.shapeRadius[bins[i]];
        d.shapeSquares += r * r;
        ++d.wallCount[bins[i]];
        d.wallSum[bins[i]] += radii[i];
    }
    for (std::size_t i = 0; i < pts.size(); ++i) {
        if (!floor[i]) continue;
        ++d.floorCount[bins[i]];
        d.floorSum[bins[i]] += radii[i];
    }
    return d;
}

// Whether the wall points surround the centre, leaving no gap of half a turn.
bool wallSurrounds(const Directions& d) {
    std::array<std::uint8_t, kBins> seen{};
    for (int k = 0; k < kBins; ++k) seen[k] = d.wallCount[k] > 0;
    return widestGapDegrees(seen) < kMaxWallGapDegrees;
}

// The area of the shape below a floor `floorHeight` above its centre.
double sedimentAreaOf(const Directions& d, double floorHeight) {
    const BinTable& table = binTable();
    double area = 0;
    for (int k = 0; k < kBins; ++k) {
        const double s = table.sin[k], rs = d.shapeRadius[k];
        double from = 0, to = 0;  // the stretch of the ray below the floor
        if (s < 0) {
            from = std::max(0.0, floorHeight / s);
            to = rs;
        } else if (s > 0 && floorHeight > 0) {
            to = std::min(rs, floorHeight / s);
        }
        if (to > from) area += 0.5 * (to * to - from * from) * kBinWidth;
    }
    return area;
}

// The wall's radius in each direction averaged over a few bins, or the
// shape's where the wall left no point near it.
std::array<double, kBins> wallRadii(const Directions& d) {
    std::array<double, kBins> radius{};
    for (int k = 0; k < kBins; ++k) {
        double sum = 0;
        int count = 0;
        for (int j = -kCalliperHalfWindow; j <= kCalliperHalfWindow; ++j) {
            int b = k + j;  // wrapped round without a division
            if (b < 0) {
                b += kBins;
            } else if (b >= kBins) {
                b -= kBins;
            }
            sum += d.wallSum[b];
            count += d.wallCount[b];
        }
        radius[k] = count ? sum / count : d.shapeRadius[k];
    }
    return radius;
}

// Mean, smallest and largest calliper through the centre, and where the
// smallest and largest lie.
void measureCallipers(const std::array<double, kBins>& wallRadius, PipeGeometry& g) {
    double total = 0;
    g.minDiameter = 1e300;
    g.maxDiameter = -1e300;
    for (int k = 0; k < kCalliperCount; ++k) {
        const double d = wallRadius[k] + wallRadius[k + kBins / 2];
        total += d;
        if (d < g.minDiameter) {
            g.minDiameter = d;
            g.minDirectionDegrees = k + 0.5;
        }
        if (d > g.maxDiameter) {
            g.maxDiameter = d;
            g.maxDirectionDegrees = k + 0.5;
        }
    }
    g.meanDiameter = total / kCalliperCount;
}

// Area inside the profile: the wall, or the floor where it covers it; a bin
// that caught no point ends at the wall's neighbours or the floor, the floor
// `floorHeight` above the centre.
double profileAreaOf(const Directions& d, const std::array<double, kBins>& wallRadius,
                     std::optional<double> floorHeight) {
    const BinTable& table = binTable();
    double area = 0;
    for (int k = 0; k < kBins; ++k) {
        double r = d.wallCount[k] ? d.wallSum[k] / d.wallCount[k] : wallRadius[k];
        if (d.floorCount[k]) {
            r = d.floorSum[k] / d.floorCount[k];
        } else if (!d.wallCount[k] && floorHeight && table.sin[k] < 0 && *floorHeight < 0) {
            r = std::min(r, *floorHeight / table.sin[k]);
        }
        area += 0.5 * r * r * kBinWidth;
    }
    return area;
}

// The figures against the nominal diameter, or the flag that there is none.
void measureAgainstNominal(PipeGeometry& g, double nominal, OvalityBasis basis) {
    if (!usableNominal(nominal)) {
        g.ovalityBasis = OvalityBasis::Mean;
        g.ovalityPercent =
            ovalityPercentOf(g.maxDiameter, g.minDiameter, g.meanDiameter, 0.0, OvalityBasis::Mean);
        g.deformationPercent = g.areaLossPercent = std::numeric_limits<double>::quiet_NaN();
        g.quality = GeometryQuality::BadNominal;
        return;
    }
    const double nominalArea = std::numbers::pi * nominal * nominal / 4;
    g.nominalDiameter = nominal;
    g.ovalityBasis = basis;
    g.ovalityPercent =
        ovalityPercentOf(g.maxDiameter, g.minDiameter, g.meanDiameter, nominal, basis);
    g.deformationPercent = (nominal - g.minDiameter) / nominal * 100;
    g.areaLossPercent = (nominalArea - g.area) / nominalArea * 100;
    g.quality = GeometryQuality::Ok;
}

PipeGeometry flagged(PipeGeometry g, GeometryQuality quality) {
    g.quality = quality;
    return g;
}

}  // namespace

const char* geometryQualityText(GeometryQuality quality) {
    switch (quality) {
        case GeometryQuality::Ok:
            return "ok";
        case GeometryQuality::TooFewPoints:
            return "too few points";
        case GeometryQuality::OneSided:
            return "points on one side only";
        case GeometryQuality::NotConverged:
            return "fit not converged";
        case GeometryQuality::BadNominal:
            return "no valid nominal diameter";
    }
    return "?";
}

const char* ovalityDefinitionText(OvalityBasis basis) {
    return basis == OvalityBasis::Mean ? "(Dmax - Dmin) / Dmean" : "(Dmax - Dmin) / Dnominal";
}

double ovalityPercentOf(double maxDiameter, double minDiameter, double meanDiameter, double nominal,
                        OvalityBasis basis) {
    const double against = basis == OvalityBasis::Mean ? meanDiameter : nominal;
    return (maxDiameter - minDiameter) / against * 100;
}

bool usableNominal(double nominal) {
    return nominal >= kMinNominalDiameter && nominal <= kMaxNominalDiameter;
}

double ellipseRadiusAt(const EllipseFit& e, double direction) {
    const double t = direction - e.angleDegrees * std::numbers::pi / 180;
    const double bc = e.semiMinor * std::cos(t), as = e.semiMajor * std::sin(t);
    return e.semiMajor * e.semiMinor / std::sqrt(bc * bc + as * as);
}

PipeAnalyser::PipeAnalyser() {
    points_.reserve(512);
    residuals_.reserve(512);
    scratch_.reserve(512);
    wall_.reserve(512);
    nextWall_.reserve(512);
    bins_.reserve(512);
    radii_.reserve(512);
}

PipeGeometry PipeAnalyser::analyse(std::span<const GeometryPoint> input, double nominal,
                                   OvalityBasis basis) {
    PipeGeometry g;
    keepMeasurablePoints(input);
    const std::size_t n = points_.size();
    g.pointsGiven = static_cast<int>(n);
    if (n < static_cast<std::size_t>(kMinGeometryPoints)) {
        return flagged(g, GeometryQuality::TooFewPoints);
    }
    if (!surroundsHead()) return flagged(g, GeometryQuality::OneSided);
    const std::optional<CircleFit> start = startCircle();
    if (!start) return flagged(g, GeometryQuality::NotConverged);
    const double noise = ringNoise();

    // Points excluded (the floor, once found) never return to the wall.
    excluded_.assign(n, 0);
    nextWall_.assign(n, 0);
    residuals_.resize(n);
    CircleFit circle = *start;
    // A few rounds place the circle well enough to look for a floor; it is
    // settled once the floor, if any, has left the wall.
    if (const GeometryQuality q = fitCircleRobustly(circle, kFirstCircleRounds);
        q != GeometryQuality::Ok) {
        return flagged(g, q);
    }
    const std::optional<double> floorY = takeOutSedimentFloor(circle, noise);
    if (const GeometryQuality q = fitCircleRobustly(circle, kMaxRejectionRounds);
        q != GeometryQuality::Ok) {
        return flagged(g, q);
    }
    EllipseFit ellipse = fitEllipse(circle);
    if (!fitFinalCircle(circle) || !wallHoldsMostPoints(circle.pointsUsed)) {
        return flagged(g, GeometryQuality::NotConverged);
    }
    const int used = circle.pointsUsed;
    g.circle = circle;
    g.pointsUsed = used;

    const EllipseFit shape = shapeOf(ellipse, circle);
    radii_.resize(n);
    bins_.resize(n);
    const Directions directions = directionsAbout(shape, points_, wall_, floor_, radii_, bins_);
    if (ellipse.valid) {
        ellipse.rmsResidual = std::sqrt(directions.shapeSquares / used);
        ellipse.pointsUsed = used;
    }
    g.ellipse = ellipse;
    g.rmsResidual = std::sqrt(directions.shapeSquares / used);
    if (!wallSurrounds(directions)) {
        g.pointsUsed = 0;
        g.circle = {};
        g.ellipse = {};
        g.rmsResidual = 0;
        return flagged(g, GeometryQuality::OneSided);
    }

    std::optional<double> floorHeight;  // above the centre
    if (floorY) {
        floorHeight = *floorY - shape.centreY;
        g.sedimentDepth = std::max(0.0, *floorY - shapeBottomOf(shape));
        g.sedimentArea = sedimentAreaOf(directions, *floorHeight);
    }
    const std::array<double, kBins> wallRadius = wallRadii(directions);
    measureCallipers(wallRadius, g);
    g.area = profileAreaOf(directions, wallRadius, floorHeight);
    measureAgainstNominal(g, nominal, basis);
    return g;
}

void PipeAnalyser::keepMeasurablePoints(std::span<const GeometryPoint> input) {
    points_.clear();
    for (const GeometryPoint& p : input) {
        if (std::isfinite(p.x) && std::isfinite(p.y) && std::fabs(p.x) <= kMaxGeometryCoordinate &&
            std::fabs(p.y) <= kMaxGeometryCoordinate) {
            points_.push_back(p);
        }
    }
}

bool PipeAnalyser::surroundsHead() {
    // The head is inside the pipe, so the wall surrounds it: echoes that
    // leave half the turn around the head empty are not a cross-section.
    std::array<std::uint8_t, kBins> seen{};
    bins_.resize(points_.size());
    kernels::best::binsOf(points_, 0, 0, bins_);
    for (const int bin : bins_) seen[static_cast<std::size_t>(bin)] = 1;
    return widestGapDegrees(seen) < kMaxWallGapDegrees;
}

std::optional<CircleFit> PipeAnalyser::startCircle() {
    // Of circles through three points a third of the ring apart, the one most
    // points agree with; debris and a sediment floor cannot outvote the wall
    // as long as it holds most of the points. Its followers then give the
    // algebraic start of the geometric fit.
    const std::span<const GeometryPoint> pts(points_);
    const std::size_t n = pts.size();
    const std::size_t third = n / 3;
    const std::size_t stride = std::max<std::size_t>(1, third / 16);
    const std::size_t sample = std::max<std::size_t>(1, n / 100);
    wall_.assign(n, 1);
    CircleFit start;
    int bestVotes = -1;
    for (std::size_t i = 0; i < third; i += stride) {
        CircleFit c;
        if (!circleThrough(pts[i], pts[i + third], pts[i + 2 * third], c)) continue;
        if (!(c.radius < kMaxGeometryCoordinate)) continue;
        const RingBand band(c, 0.05 * c.radius + kMinOutlierMetres);
        int votes = 0;
        for (std::size_t j = 0; j < n; j += sample) votes += band.holds(pts[j]);
        if (votes > bestVotes) {
            bestVotes = votes;
            start = c;
        }
    }
    if (bestVotes > 0) {
        const RingBand band(start, 0.05 * start.radius + kMinOutlierMetres);
        for (std::size_t i = 0; i < n; ++i) wall_[i] = band.holds(pts[i]);
    }
    if (!algebraicCircle(pts, wall_, start)) return std::nullopt;
    return start;
}

double PipeAnalyser::ringNoise() {
    // The spread of the ranges from point to point along the ring, from their
    // second differences: the noise of the echoes whatever the pipe's shape.
    const std::size_t n = points_.size();
    radii_.resize(n);
    kernels::best::distancesFrom(points_, 0, 0, 0, radii_);
    scratch_.clear();
    for (std::size_t i = 1; i + 1 < n; ++i) {
        scratch_.push_back(std::fabs(radii_[i - 1] - 2 * radii_[i] + radii_[i + 1]));
    }
    return kRobustSigma * median(scratch_, select_) / std::sqrt(6.0);
}

PipeAnalyser::WallChange PipeAnalyser::rejectOutliers(std::vector<std::uint8_t>& wall,
                                                      double radius) {
    const std::size_t n = points_.size();
    scratch_.clear();
    appendFlagged(residuals_, wall, scratch_);
    const double mid = median(scratch_, select_);
    for (double& r : scratch_) r = std::fabs(r - mid);
    const double scale = kRobustSigma * median(scratch_, select_);
    const double limit =
        std::max({kOutlierSigmas * scale, kMinOutlierMetres, kMinOutlierFraction * radius});
    int used = 0;
    std::size_t changed = 0;
    for (std::size_t i = 0; i < n; ++i) {
        nextWall_[i] = !excluded_[i] && std::fabs(residuals_[i] - mid) <= limit;
        used += nextWall_[i];
        changed += nextWall_[i] != wall[i];
    }
    if (used < kMinGeometryPoints) return WallChange::TooFew;
    wall.swap(nextWall_);
    // A point or two may sit right on the limit and swap sides from round to
    // round; the set counts as settled when no more than that change.
    const std::size_t wobble = std::max<std::size_t>(1, n / 200);
    return changed <= wobble ? WallChange::Settled : WallChange::Moving;
}

GeometryQuality PipeAnalyser::fitCircleRobustly(CircleFit& circle, int rounds) {
    const std::span<const GeometryPoint> pts(points_);
    double step = 0;
    bool settled = false;
    for (int round = 0; round < rounds && !settled; ++round) {
        // A round's circle only has to be good enough to tell wall from
        // outlier, which a millionth of the radius is by far (the limit is at
        // least 0.4 % of it); the circle that is reported gets its own
        // tighter steps at the end.
        for (int k = 0; k < 4; ++k) {
            step = geometricCircleStep(pts, wall_, circle);
            if (step < 1e-6 * circle.radius) break;
        }
        if (!std::isfinite(step) || !(circle.radius > 0) ||
            !(circle.radius < kMaxGeometryCoordinate)) {
            return GeometryQuality::NotConverged;
        }
        kernels::best::distancesFrom(pts, circle.centreX, circle.centreY, circle.radius,
                                     residuals_);
        const WallChange change = rejectOutliers(wall_, circle.radius);
        if (change == WallChange::TooFew) return GeometryQuality::TooFewPoints;
        settled = change == WallChange::Settled && step < 1e-6 * circle.radius;
    }
    // Still moving after all rounds: the wall points do not agree on a circle.
    if (!settled && rounds == kMaxRejectionRounds && !(step < 1e-4 * circle.radius)) {
        return GeometryQuality::NotConverged;
    }
    return GeometryQuality::Ok;
}

std::optional<double> PipeAnalyser::takeOutSedimentFloor(const CircleFit& circle,
                                                         double ringNoise) {
    // The floor leaves the wall before the ellipse is fitted, as an ellipse
    // would bend to take it in.
    const double tolerance = std::max(
        {kOutlierSigmas * ringNoise, kMinOutlierMetres, kMinOutlierFraction * circle.radius});
    floor_.assign(points_.size(), 0);
    const std::optional<double> floorY = findFloorLevel(points_, circle, tolerance);
    if (!floorY) return std::nullopt;
    const Invert invert(circle, tolerance);
    for (std::size_t i = 0; i < points_.size(); ++i) {
        const GeometryPoint& p = points_[i];
        if (!invert.holds(p) || p.y > *floorY + tolerance) continue;
        excluded_[i] = 1;
        wall_[i] = 0;
        floor_[i] = std::fabs(p.y - *floorY) <= tolerance;
    }
    return floorY;
}

EllipseFit PipeAnalyser::fitEllipse(const CircleFit& circle) {
    const std::size_t n = points_.size();
    const double r0 = circle.radius;
    std::vector<GeometryPoint>& unit = points_;
    toCircleUnits(unit, circle);
    // The direct fit, with the circle's outlier rule on the wall points the
    // circle left.
    ellipseWall_ = wall_;
    Conic conic;
    bool fitted = false;
    for (int round = 0; round < kMaxRejectionRounds; ++round) {
        if (!directEllipse(unit, ellipseWall_, {}, conic)) break;
        fitted = true;
        for (std::size_t i = 0; i < n; ++i) {
            residuals_[i] = sampsonDistance(conic, unit[i].x, unit[i].y) * r0;
        }
        const WallChange change = rejectOutliers(ellipseWall_, r0);
        if (change == WallChange::TooFew) {
            fitted = false;
            break;
        }
        if (change == WallChange::Settled) break;
    }
    EllipseFit ellipse;
    if (fitted) {
        radii_.resize(n);
        refineConic(unit, ellipseWall_, radii_, conic);
    }
    if (fitted && ellipseOf(conic, ellipse) &&
        ellipse.semiMajor < kMaxAxisRatio * ellipse.semiMinor) {
        ellipse.valid = true;
        wall_ = ellipseWall_;
    }
    fromCircleUnits(unit, circle);
    if (ellipse.valid) {
        ellipse.centreX = ellipse.centreX * r0 + circle.centreX;
        ellipse.centreY = ellipse.centreY * r0 + circle.centreY;
        ellipse.semiMajor *= r0;
        ellipse.semiMinor *= r0;
    }
    return ellipse;
}

bool PipeAnalyser::fitFinalCircle(CircleFit& circle) {
    const std::span<const GeometryPoint> pts(points_);
    for (int k = 0; k < 4; ++k) {
        const double step = geometricCircleStep(pts, wall_, circle);
        if (!std::isfinite(step)) return false;
        if (step < 1e-7 * circle.radius) break;
    }
    double sum = 0;
    int used = 0;
    kernels::best::distancesFrom(pts, circle.centreX, circle.centreY, circle.radius, residuals_);
    for (std::size_t i = 0; i < pts.size(); ++i) {
        if (!wall_[i]) continue;
        sum += residuals_[i] * residuals_[i];
        ++used;
    }
    circle.pointsUsed = used;
    circle.rmsResidual = std::sqrt(sum / used);
    return true;
}

bool PipeAnalyser::wallHoldsMostPoints(int used) const {
    // Debris and multipath are a few points; when most of the points off the
    // floor do not lie on the fitted wall, the fit has followed something
    // else, and its figures would look right while being wrong.
    const auto floorPoints = static_cast<int>(std::count(floor_.begin(), floor_.end(), 1));
    return 3 * used >= 2 * (static_cast<int>(points_.size()) - floorPoints);
}

PipeGeometry analysePipe(std::span<const GeometryPoint> points, double nominalDiameter,
                         OvalityBasis basis) {
    PipeAnalyser analyser;
    return analyser.analyse(points, nominalDiameter, basis);
}

std::optional<double> sedimentLevelOf(const PipeGeometry& geometry) {
    if (!geometry.measured() || !(geometry.sedimentDepth > 0)) return std::nullopt;
    return shapeBottomOf(shapeOf(geometry.ellipse, geometry.circle)) + geometry.sedimentDepth;
}

}  // namespace sondrel
