#include "analysis/GeometryKernels.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace sondrel::kernels {

namespace {

double quickAtan2(double y, double x) {
    const double ax = std::fabs(x), ay = std::fabs(y);
    const double big = std::max(ax, ay);
    if (big == 0) return 0;
    const double z = std::min(ax, ay) / big, z2 = z * z;
    double a =
        z * (0.99997726 +
             z2 * (-0.33262347 +
                   z2 * (0.19354346 + z2 * (-0.11643287 + z2 * (0.05265332 - z2 * 0.01172120)))));
    if (ay > ax) a = std::numbers::pi / 2 - a;
    if (x < 0) a = std::numbers::pi - a;
    return y < 0 ? -a : a;
}

// The terms of points from..end added to `s`: the SSE2 kernel's last point
// goes through here too, onto the sums of its pairs.
CircleStepSums addCircleTerms(std::span<const GeometryPoint> p, std::span<const std::uint8_t> use,
                              const CircleFit& c, std::size_t from, CircleStepSums s) {
    for (std::size_t i = from; i < p.size(); ++i) {
        if (!use[i]) continue;
        const double dx = p[i].x - c.centreX, dy = p[i].y - c.centreY;
        const double d = std::sqrt(dx * dx + dy * dy);
        if (!(d > 0)) continue;
        const double ux = dx / d, uy = dy / d, r = d - c.radius;
        s.sxx += ux * ux;
        s.sxy += ux * uy;
        s.syy += uy * uy;
        s.sx += ux;
        s.sy += uy;
        s.count += 1;
        s.rx += ux * r;
        s.ry += uy * r;
        s.r1 += r;
    }
    return s;
}

// Values i..n of a partition pass, onto the counts so far. The counts are
// locals: a count in memory would be reloaded after every store of a value.
PartitionCounts partitionFrom(const double* from, std::size_t n, double pivot, double* range,
                              std::size_t i, PartitionCounts counts) {
    std::size_t below = counts.below, above = counts.above;
    const std::size_t last = n - 1;  // unused when n is 0
    for (; i < n; ++i) {
        const double v = from[i];
        range[below] = v;
        range[last - above] = v;
        below += v < pivot;
        above += pivot < v;
    }
    return {below, above};
}

}  // namespace

int binOf(double dx, double dy) {
    double phi = quickAtan2(dy, dx);
    if (phi < 0) phi += 2.0 * std::numbers::pi;
    const int k = static_cast<int>(phi / kBinWidth);
    return std::clamp(k, 0, kBins - 1);
}

namespace scalar {

void distancesFrom(std::span<const GeometryPoint> p, double x, double y, double minus,
                   std::span<double> out) {
    for (std::size_t i = 0; i < p.size(); ++i) {
        const double dx = p[i].x - x, dy = p[i].y - y;
        out[i] = std::sqrt(dx * dx + dy * dy) - minus;
    }
}

void binsOf(std::span<const GeometryPoint> p, double x, double y, std::span<int> out) {
    for (std::size_t i = 0; i < p.size(); ++i) out[i] = binOf(p[i].x - x, p[i].y - y);
}

CircleStepSums circleStepSums(std::span<const GeometryPoint> p, std::span<const std::uint8_t> use,
                              const CircleFit& c) {
    return addCircleTerms(p, use, c, 0, {});
}

void ellipseRadii(std::span<const double> cosines, std::span<const double> sines, double ct,
                  double st, double major, double minor, std::span<double> out) {
    const double ab = major * minor;
    for (std::size_t k = 0; k < cosines.size(); ++k) {
        const double bc = minor * (cosines[k] * ct + sines[k] * st);
        const double as = major * (sines[k] * ct - cosines[k] * st);
        out[k] = ab / std::sqrt(bc * bc + as * as);
    }
}

PartitionCounts partitionPass(const double* from, std::size_t n, double pivot, double* range) {
    return partitionFrom(from, n, pivot, range, 0, {});
}

}  // namespace scalar

#if defined(__SSE2__)
namespace sse2 {

namespace {

// Points i and i + 1 (x, y pairs from `xy`) as offsets from `centre`, whose
// lanes are (x, y): one point per lane of dx and of dy.
struct TwoOffsets {
    __m128d dx, dy;
};

inline TwoOffsets twoOffsets(const double* xy, std::size_t i, __m128d centre) {
    const __m128d a = _mm_sub_pd(_mm_loadu_pd(xy + 2 * i), centre);
    const __m128d b = _mm_sub_pd(_mm_loadu_pd(xy + 2 * i + 2), centre);
    return {_mm_unpacklo_pd(a, b), _mm_unpackhi_pd(a, b)};
}

inline __m128d distances(const TwoOffsets& o) {
    return _mm_sqrt_pd(_mm_add_pd(_mm_mul_pd(o.dx, o.dx), _mm_mul_pd(o.dy, o.dy)));
}

inline double laneSum(__m128d v) {
    return _mm_cvtsd_f64(v) + _mm_cvtsd_f64(_mm_unpackhi_pd(v, v));
}

}  // namespace

void distancesFrom(std::span<const GeometryPoint> p, double x, double y, double minus,
                   std::span<double> out) {
    std::size_t i = 0;
    const __m128d centre = _mm_set_pd(y, x), less = _mm_set1_pd(minus);
    const auto* xy = reinterpret_cast<const double*>(p.data());
    for (; i + 1 < p.size(); i += 2) {
        const TwoOffsets o = twoOffsets(xy, i, centre);
        _mm_storeu_pd(out.data() + i, _mm_sub_pd(distances(o), less));
    }
    scalar::distancesFrom(p.subspan(i), x, y, minus, out.subspan(i));
}

void binsOf(std::span<const GeometryPoint> p, double x, double y, std::span<int> out) {
    std::size_t i = 0;
    const __m128d centre = _mm_set_pd(y, x), zero = _mm_setzero_pd();
    const __m128d sign = _mm_set1_pd(-0.0);
    const auto* xy = reinterpret_cast<const double*>(p.data());
    for (; i + 1 < p.size(); i += 2) {
        const auto [dx, dy] = twoOffsets(xy, i, centre);
        const __m128d ax = _mm_andnot_pd(sign, dx), ay = _mm_andnot_pd(sign, dy);
        const __m128d big = _mm_max_pd(ax, ay);
        const __m128d z = _mm_div_pd(_mm_min_pd(ax, ay), big), z2 = _mm_mul_pd(z, z);
        __m128d t = _mm_sub_pd(_mm_set1_pd(0.05265332), _mm_mul_pd(z2, _mm_set1_pd(0.01172120)));
        t = _mm_add_pd(_mm_set1_pd(-0.11643287), _mm_mul_pd(z2, t));
        t = _mm_add_pd(_mm_set1_pd(0.19354346), _mm_mul_pd(z2, t));
        t = _mm_add_pd(_mm_set1_pd(-0.33262347), _mm_mul_pd(z2, t));
        t = _mm_add_pd(_mm_set1_pd(0.99997726), _mm_mul_pd(z2, t));
        __m128d angle = _mm_mul_pd(z, t);
        const auto choose = [](__m128d mask, __m128d yes, __m128d no) {
            return _mm_or_pd(_mm_and_pd(mask, yes), _mm_andnot_pd(mask, no));
        };
        angle = choose(_mm_cmpgt_pd(ay, ax), _mm_sub_pd(_mm_set1_pd(std::numbers::pi / 2), angle),
                       angle);
        angle =
            choose(_mm_cmplt_pd(dx, zero), _mm_sub_pd(_mm_set1_pd(std::numbers::pi), angle), angle);
        angle = _mm_xor_pd(angle, _mm_and_pd(_mm_cmplt_pd(dy, zero), sign));
        // A point on the centre: 0/0 above, where the scalar arctangent gives 0.
        angle = _mm_andnot_pd(_mm_cmpeq_pd(big, zero), angle);
        angle = choose(_mm_cmplt_pd(angle, zero),
                       _mm_add_pd(angle, _mm_set1_pd(2.0 * std::numbers::pi)), angle);
        alignas(16) int k[4];
        _mm_store_si128(reinterpret_cast<__m128i*>(k),
                        _mm_cvttpd_epi32(_mm_div_pd(angle, _mm_set1_pd(kBinWidth))));
        out[i] = std::clamp(k[0], 0, kBins - 1);
        out[i + 1] = std::clamp(k[1], 0, kBins - 1);
    }
    scalar::binsOf(p.subspan(i), x, y, out.subspan(i));
}

CircleStepSums circleStepSums(std::span<const GeometryPoint> p, std::span<const std::uint8_t> use,
                              const CircleFit& c) {
    // The square root and the divisions, which set the pace of a step, go two
    // to an instruction.
    std::size_t i = 0;
    const __m128d centre = _mm_set_pd(c.centreY, c.centreX);
    const __m128d radius = _mm_set1_pd(c.radius), zero = _mm_setzero_pd(), one = _mm_set1_pd(1.0);
    __m128d vxx = zero, vxy = zero, vyy = zero, vx = zero, vy = zero, vn = zero, vrx = zero,
            vry = zero, vr = zero;
    const auto* xy = reinterpret_cast<const double*>(p.data());
    for (; i + 1 < p.size(); i += 2) {
        const TwoOffsets o = twoOffsets(xy, i, centre);
        const __m128d dx = o.dx, dy = o.dy, d = distances(o);
        const __m128d flagged =
            _mm_castsi128_pd(_mm_set_epi64x(use[i + 1] ? -1 : 0, use[i] ? -1 : 0));
        const __m128d w = _mm_and_pd(flagged, _mm_cmpgt_pd(d, zero));
        const __m128d ux = _mm_and_pd(w, _mm_div_pd(dx, d));
        const __m128d uy = _mm_and_pd(w, _mm_div_pd(dy, d));
        const __m128d r = _mm_and_pd(w, _mm_sub_pd(d, radius));
        vxx = _mm_add_pd(vxx, _mm_mul_pd(ux, ux));
        vxy = _mm_add_pd(vxy, _mm_mul_pd(ux, uy));
        vyy = _mm_add_pd(vyy, _mm_mul_pd(uy, uy));
        vx = _mm_add_pd(vx, ux);
        vy = _mm_add_pd(vy, uy);
        vn = _mm_add_pd(vn, _mm_and_pd(w, one));
        vrx = _mm_add_pd(vrx, _mm_mul_pd(ux, r));
        vry = _mm_add_pd(vry, _mm_mul_pd(uy, r));
        vr = _mm_add_pd(vr, r);
    }
    const CircleStepSums pairs{laneSum(vxx), laneSum(vxy), laneSum(vyy), laneSum(vx), laneSum(vy),
                               laneSum(vn),  laneSum(vrx), laneSum(vry), laneSum(vr)};
    return addCircleTerms(p, use, c, i, pairs);
}

void ellipseRadii(std::span<const double> cosines, std::span<const double> sines, double ct,
                  double st, double major, double minor, std::span<double> out) {
    std::size_t k = 0;
    const __m128d vct = _mm_set1_pd(ct), vst = _mm_set1_pd(st), vab = _mm_set1_pd(major * minor);
    const __m128d vminor = _mm_set1_pd(minor), vmajor = _mm_set1_pd(major);
    for (; k + 1 < cosines.size(); k += 2) {
        const __m128d c = _mm_loadu_pd(cosines.data() + k), sn = _mm_loadu_pd(sines.data() + k);
        const __m128d bc = _mm_mul_pd(vminor, _mm_add_pd(_mm_mul_pd(c, vct), _mm_mul_pd(sn, vst)));
        const __m128d as = _mm_mul_pd(vmajor, _mm_sub_pd(_mm_mul_pd(sn, vct), _mm_mul_pd(c, vst)));
        _mm_storeu_pd(
            out.data() + k,
            _mm_div_pd(vab, _mm_sqrt_pd(_mm_add_pd(_mm_mul_pd(bc, bc), _mm_mul_pd(as, as)))));
    }
    scalar::ellipseRadii(cosines.subspan(k), sines.subspan(k), ct, st, major, minor,
                         out.subspan(k));
}

PartitionCounts partitionPass(const double* from, std::size_t n, double pivot, double* range) {
    std::size_t below = 0, above = 0, i = 0;
    const std::size_t last = n - 1;  // unused when n is 0
    const __m128d pivots = _mm_set1_pd(pivot);
    for (; i + 1 < n; i += 2) {
        const __m128d pair = _mm_loadu_pd(from + i);
        const int less = _mm_movemask_pd(_mm_cmplt_pd(pair, pivots));
        const int more = _mm_movemask_pd(_mm_cmpgt_pd(pair, pivots));
        const double first = from[i], second = from[i + 1];
        range[below] = first;
        range[last - above] = first;
        below += static_cast<std::size_t>(less & 1);
        above += static_cast<std::size_t>(more & 1);
        range[below] = second;
        range[last - above] = second;
        below += static_cast<std::size_t>(less >> 1);
        above += static_cast<std::size_t>(more >> 1);
    }
    return partitionFrom(from, n, pivot, range, i, {below, above});
}

}  // namespace sse2
#endif

}  // namespace sondrel::kernels
