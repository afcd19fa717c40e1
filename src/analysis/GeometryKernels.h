#pragma once
// The loops over every point (or every direction bin) that set the pace of a
// ping's analysis, each written twice: `scalar`, plain C++ that says what the
// loop computes, and `sse2`, two values to an instruction. The analysis calls
// `best`, the SSE2 ones wherever the build targets a processor that has
// them. The scalar ones are always compiled, so that a test can hold every
// SSE2 kernel against the loop it stands for.
//
// Each SSE2 kernel works on pairs and hands an odd last value to the same
// operations one at a time. Apart from the Gauss-Newton sums, every value it
// gives is bit for bit the scalar kernel's: the operations on each value are
// the same, in the same order.

#include "analysis/PipeGeometry.h"

#include <cstddef>
#include <cstdint>
#include <numbers>
#include <span>

namespace sondrel::kernels {

// Directions about a centre in one-degree bins, bin k from k to k + 1 degrees
// anticlockwise from the x axis.
inline constexpr int kBins = 360;
inline constexpr double kBinWidth = 2.0 * std::numbers::pi / kBins;

// J^T J and J^T r of the geometric circle fit, entry by entry, with J the row
// (-ux, -uy, -1) for the unit vector u from the centre to a point and r the
// point's distance from the centre less the radius.
struct CircleStepSums {
    double sxx = 0, sxy = 0, syy = 0, sx = 0, sy = 0, count = 0, rx = 0, ry = 0, r1 = 0;
};

// Where a partition pass left the values: `below` of them at the front,
// `above` at the back (in reverse order).
struct PartitionCounts {
    std::size_t below = 0, above = 0;
};

// The bin of the direction (dx, dy), by an arctangent accurate to 1e-5
// radians, several times faster than the library's: it only sorts points into
// bins.
int binOf(double dx, double dy);

namespace scalar {

// out[i] = the distance of point i from (x, y), less `minus`.
void distancesFrom(std::span<const GeometryPoint> points, double x, double y, double minus,
                   std::span<double> out);
// out[i] = binOf(the offset of point i from (x, y)).
void binsOf(std::span<const GeometryPoint> points, double x, double y, std::span<int> out);
// The sums over the points flagged in `use` that do not sit on the centre.
CircleStepSums circleStepSums(std::span<const GeometryPoint> points,
                              std::span<const std::uint8_t> use, const CircleFit& circle);
// out[k] = the distance from the centre of an ellipse (semi-axes `major`,
// `minor`, the major axis at the angle whose cosine and sine are `cosAngle`,
// `sinAngle`) to its edge in the direction whose cosine and sine are
// cosines[k], sines[k].
void ellipseRadii(std::span<const double> cosines, std::span<const double> sines, double cosAngle,
                  double sinAngle, double major, double minor, std::span<double> out);
// One pass of the selection: every value of `from` stored both at the front
// of `range` (n values) and at its back, the front count moved on by the
// values below `pivot` and the back count by those above it.
PartitionCounts partitionPass(const double* from, std::size_t n, double pivot, double* range);

}  // namespace scalar

#if defined(__SSE2__)
namespace sse2 {

void distancesFrom(std::span<const GeometryPoint> points, double x, double y, double minus,
                   std::span<double> out);
void binsOf(std::span<const GeometryPoint> points, double x, double y, std::span<int> out);
// Sums kept per lane and joined at the end: each point's terms are the
// scalar kernel's, the sums differ from a sum in order in their last bits.
CircleStepSums circleStepSums(std::span<const GeometryPoint> points,
                              std::span<const std::uint8_t> use, const CircleFit& circle);
void ellipseRadii(std::span<const double> cosines, std::span<const double> sines, double cosAngle,
                  double sinAngle, double major, double minor, std::span<double> out);
// Two comparisons to an instruction, the stores one value at a time.
PartitionCounts partitionPass(const double* from, std::size_t n, double pivot, double* range);

}  // namespace sse2
namespace best = sse2;
#else
namespace best = scalar;
#endif

}  // namespace sondrel::kernels
