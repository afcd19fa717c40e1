// Every SSE2 kernel of the geometry against the scalar loop it stands for,
// over point sets that reach the pair loops' edges: none, one, odd and even
// counts, points on the axes and on the centre, negative coordinates, and
// masks that use none, all or some of the points. Then the scalar loops
// against the library's arithmetic, so the reference is itself right.

#include "analysis/GeometryKernels.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>
#include <random>
#include <string>
#include <vector>

namespace sondrel {
namespace {

using kernels::kBins;
using kernels::kBinWidth;

struct PointSet {
    std::string name;
    std::vector<GeometryPoint> points;
};

std::vector<GeometryPoint> noisyEllipse(int n, double cx, double cy, std::mt19937& random) {
    std::normal_distribution<double> noise(0.0, 0.002);
    std::vector<GeometryPoint> points;
    for (int i = 0; i < n; ++i) {
        const double t = 2 * std::numbers::pi * i / n;
        points.push_back(
            {cx + 0.33 * std::cos(t) + noise(random), cy + 0.27 * std::sin(t) + noise(random)});
    }
    return points;
}

std::vector<PointSet> pointSets() {
    std::mt19937 random(5);
    std::vector<PointSet> sets = {
        {"empty", {}},
        {"one point", {{0.25, -0.5}}},
        {"two points", {{0.25, -0.5}, {-0.125, 0.75}}},
        {"three points", {{0.25, -0.5}, {-0.125, 0.75}, {-0.3, -0.3}}},
        // Both signs of zero, the four axes and the centres the tests use, so
        // that directions fall on bin edges and offsets come out zero.
        {"on the axes",
         {{0, 0},
          {-0.0, 0},
          {0, -0.0},
          {1, 0},
          {0, 1},
          {-1, 0},
          {0, -1},
          {0.5, -0.0},
          {-0.0, -0.5},
          {0.1, -0.2},
          {0.6, -0.2},
          {0.1, 0.3}}},
        {"negative coordinates",
         {{-0.4, -0.7}, {-1.2, -0.01}, {-0.001, -3.5}, {-900, -2}, {-7, -7}}},
        {"odd ring", noisyEllipse(101, 0.02, -0.03, random)},
        {"even ring", noisyEllipse(400, -0.05, 0.04, random)},
    };
    // Directions on every bin edge and just either side of it.
    PointSet edges{"bin edges", {}};
    for (int k = 0; k < kBins; k += 7) {
        for (const double nudge : {-1e-9, 0.0, 1e-9}) {
            const double t = k * kBinWidth + nudge;
            edges.points.push_back({0.1 + 0.4 * std::cos(t), -0.2 + 0.4 * std::sin(t)});
        }
    }
    sets.push_back(edges);
    return sets;
}

// The centres the points are taken about; (0.1, -0.2) is the one the ring of
// bin edges is drawn about.
const GeometryPoint kCentres[] = {{0, 0}, {0.1, -0.2}, {-0.35, 0.6}};

// The sines and cosines of the bins' middles, as the analysis holds them.
struct BinDirections {
    BinDirections() {
        for (int k = 0; k < kBins; ++k) {
            cos.push_back(std::cos((k + 0.5) * kBinWidth));
            sin.push_back(std::sin((k + 0.5) * kBinWidth));
        }
    }
    std::vector<double> cos, sin;
};

struct Shape {
    const char* name;
    double major, minor, angleDegrees;
};
const Shape kShapes[] = {
    {"circle", 0.3, 0.3, 0},           {"ellipse level", 0.33, 0.27, 0},
    {"ellipse at 30", 0.33, 0.27, 30}, {"upright", 0.5, 0.26, 90},
    {"ellipse at 170", 1.2, 0.7, 170},
};

#if defined(__SSE2__)

enum class Mask { None, All, Some };

std::vector<std::uint8_t> maskOf(Mask mask, std::size_t n) {
    std::vector<std::uint8_t> use(n);
    for (std::size_t i = 0; i < n; ++i) {
        use[i] = mask == Mask::All || (mask == Mask::Some && (i % 3 == 1 || i % 5 == 0));
    }
    return use;
}

bool sameBits(double a, double b) {
    return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

TEST(GeometryKernelsTest, Sse2KernelsGiveTheScalarKernelsNumbers) {
    for (const PointSet& set : pointSets()) {
        const std::vector<GeometryPoint>& p = set.points;
        const std::size_t n = p.size();
        for (const GeometryPoint& c : kCentres) {
            SCOPED_TRACE(set.name + " about (" + std::to_string(c.x) + ", " + std::to_string(c.y) +
                         ")");
            std::vector<double> scalarDistances(n), sse2Distances(n);
            kernels::scalar::distancesFrom(p, c.x, c.y, 0.29, scalarDistances);
            kernels::sse2::distancesFrom(p, c.x, c.y, 0.29, sse2Distances);
            std::vector<int> scalarBins(n, -1), sse2Bins(n, -1);
            kernels::scalar::binsOf(p, c.x, c.y, scalarBins);
            kernels::sse2::binsOf(p, c.x, c.y, sse2Bins);
            for (std::size_t i = 0; i < n; ++i) {
                EXPECT_TRUE(sameBits(sse2Distances[i], scalarDistances[i]))
                    << "point " << i << ": " << sse2Distances[i] << " against "
                    << scalarDistances[i];
                EXPECT_EQ(sse2Bins[i], scalarBins[i]) << "point " << i;
            }

            for (const Mask mask : {Mask::None, Mask::All, Mask::Some}) {
                SCOPED_TRACE("mask " + std::to_string(static_cast<int>(mask)));
                const std::vector<std::uint8_t> use = maskOf(mask, n);
                const CircleFit circle{c.x, c.y, 0.3, 0, 0};
                const kernels::CircleStepSums a = kernels::scalar::circleStepSums(p, use, circle);
                const kernels::CircleStepSums b = kernels::sse2::circleStepSums(p, use, circle);
                // Each point's terms are the same; the SSE2 kernel sums them in
                // two lanes and joins them, so a sum of m terms each at most M
                // can differ by the rounding of reassociating it, at most
                // 2 m eps m M (m eps times the sum of the terms' sizes, for
                // either order). M is 1 for the sums of unit vectors, and the
                // largest |d - r| for those that carry residuals.
                double largestResidual = 0;
                for (std::size_t i = 0; i < n; ++i) {
                    if (use[i]) {
                        largestResidual =
                            std::max(largestResidual,
                                     std::fabs(std::hypot(p[i].x - c.x, p[i].y - c.y) - 0.3));
                    }
                }
                EXPECT_EQ(b.count, a.count);
                const double m = a.count, eps = std::numeric_limits<double>::epsilon();
                const double unitTolerance = 2 * m * m * eps;
                const double residualTolerance = unitTolerance * largestResidual;
                EXPECT_NEAR(b.sxx, a.sxx, unitTolerance);
                EXPECT_NEAR(b.sxy, a.sxy, unitTolerance);
                EXPECT_NEAR(b.syy, a.syy, unitTolerance);
                EXPECT_NEAR(b.sx, a.sx, unitTolerance);
                EXPECT_NEAR(b.sy, a.sy, unitTolerance);
                EXPECT_NEAR(b.rx, a.rx, residualTolerance);
                EXPECT_NEAR(b.ry, a.ry, residualTolerance);
                EXPECT_NEAR(b.r1, a.r1, residualTolerance);
            }
        }
    }
}

TEST(GeometryKernelsTest, Sse2ShapeRadiiAreTheScalarOnes) {
    const BinDirections bins;
    for (const Shape& shape : kShapes) {
        const double t = shape.angleDegrees * std::numbers::pi / 180;
        // The whole turn, and stretches of it of odd and even length.
        for (const std::size_t count : {0, 1, 2, 7, 359, 360}) {
            SCOPED_TRACE(std::string(shape.name) + ", " + std::to_string(count) + " bins");
            const std::span<const double> cosines(bins.cos.data() + (kBins - count), count);
            const std::span<const double> sines(bins.sin.data() + (kBins - count), count);
            std::vector<double> a(count), b(count);
            kernels::scalar::ellipseRadii(cosines, sines, std::cos(t), std::sin(t), shape.major,
                                          shape.minor, a);
            kernels::sse2::ellipseRadii(cosines, sines, std::cos(t), std::sin(t), shape.major,
                                        shape.minor, b);
            for (std::size_t k = 0; k < count; ++k) {
                EXPECT_TRUE(sameBits(b[k], a[k]))
                    << "bin " << k << ": " << b[k] << " against " << a[k];
            }
        }
    }
}

TEST(GeometryKernelsTest, Sse2PartitionPassIsTheScalarOne) {
    const double inf = std::numeric_limits<double>::infinity();
    std::mt19937 random(3);
    std::normal_distribution<double> normal(0.0, 1.0);
    for (const std::size_t n : {0, 1, 2, 3, 16, 17, 100, 101}) {
        std::vector<double> values(n);
        for (std::size_t i = 0; i < n; ++i) {
            // Repeats of the pivot, both zeros and infinities among them.
            const double specials[] = {0.0, -0.0, 0.5, inf, -inf};
            values[i] = i % 4 == 0 ? specials[(i / 4) % 5] : std::round(normal(random) * 4) / 8;
        }
        for (const double pivot : {0.0, 0.5, -1.0, 10.0}) {
            SCOPED_TRACE("n " + std::to_string(n) + ", pivot " + std::to_string(pivot));
            std::vector<double> a(n, 99.0), b(n, 99.0);
            const auto [belowA, aboveA] =
                kernels::scalar::partitionPass(values.data(), n, pivot, a.data());
            const auto [belowB, aboveB] =
                kernels::sse2::partitionPass(values.data(), n, pivot, b.data());
            ASSERT_EQ(belowB, belowA);
            ASSERT_EQ(aboveB, aboveA);
            std::size_t equal = 0;
            for (std::size_t i = 0; i < n; ++i) {
                const bool kept = i < belowA || i >= n - aboveA;
                if (kept) {
                    EXPECT_TRUE(sameBits(b[i], a[i])) << "slot " << i;
                }
                if (i < belowA) {
                    EXPECT_LT(a[i], pivot) << "slot " << i;
                }
                if (i >= n - aboveA) {
                    EXPECT_GT(a[i], pivot) << "slot " << i;
                }
                equal += values[i] == pivot;
            }
            EXPECT_EQ(belowA + aboveA + equal, n);
        }
    }
}

#endif

// The scalar loops against the library's arithmetic: distances against
// hypot, bins against atan2 (the quick arctangent is good to 1e-5 radians, so
// a point that close to a bin edge may go either side), shape radii against
// ellipseRadiusAt.
TEST(GeometryKernelsTest, ScalarKernelsComputeWhatTheySay) {
    for (const PointSet& set : pointSets()) {
        const std::vector<GeometryPoint>& p = set.points;
        const std::size_t n = p.size();
        for (const GeometryPoint& c : kCentres) {
            SCOPED_TRACE(set.name);
            std::vector<double> distances(n);
            std::vector<int> bins(n);
            kernels::scalar::distancesFrom(p, c.x, c.y, 0.29, distances);
            kernels::scalar::binsOf(p, c.x, c.y, bins);
            for (std::size_t i = 0; i < n; ++i) {
                const double dx = p[i].x - c.x, dy = p[i].y - c.y;
                const double d = std::hypot(dx, dy);
                // Both within an ulp of d, then the same rounding of d - 0.29.
                EXPECT_NEAR(distances[i], d - 0.29,
                            4 * std::numeric_limits<double>::epsilon() * (d + 0.29));
                if (d == 0) {
                    EXPECT_EQ(bins[i], 0);
                    continue;
                }
                double phi = std::atan2(dy, dx);
                if (phi < 0) phi += 2 * std::numbers::pi;
                const double edge = std::round(phi / kBinWidth) * kBinWidth;
                if (std::fabs(phi - edge) < 2e-5) continue;
                EXPECT_EQ(bins[i], static_cast<int>(phi / kBinWidth) % kBins) << "point " << i;
            }
        }
    }
    const BinDirections bins;
    for (const Shape& shape : kShapes) {
        const double t = shape.angleDegrees * std::numbers::pi / 180;
        std::vector<double> radii(kBins);
        kernels::scalar::ellipseRadii(bins.cos, bins.sin, std::cos(t), std::sin(t), shape.major,
                                      shape.minor, radii);
        EllipseFit ellipse;
        ellipse.semiMajor = shape.major;
        ellipse.semiMinor = shape.minor;
        ellipse.angleDegrees = shape.angleDegrees;
        for (int k = 0; k < kBins; ++k) {
            EXPECT_NEAR(radii[k], ellipseRadiusAt(ellipse, (k + 0.5) * kBinWidth), 1e-12)
                << shape.name << ", bin " << k;
        }
    }
}

}  // namespace
}  // namespace sondrel
