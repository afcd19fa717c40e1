#include "analysis/Selection.h"

#include "analysis/GeometryKernels.h"

#include <algorithm>
#include <utility>

namespace sondrel {

namespace {

double median3(double a, double b, double c) {
    if (b < a) std::swap(a, b);
    if (c < b) std::swap(b, c);
    if (b < a) std::swap(a, b);
    return b;
}

}  // namespace

double selectKth(const double* values, std::size_t n, std::size_t k, double* work) {
    const double* from = values;
    double* to = work;
    double* spare = work + n;
    for (int budget = 64; n > 16; --budget) {
        double* const range = to;
        if (budget == 0) {
            std::copy(from, from + n, range);
            std::nth_element(range, range + k, range + n);
            return range[k];
        }
        // The median of three medians of three, the nine spread over the
        // range: residuals follow the wall round, and three alone were often
        // all on one side.
        const std::size_t step = n / 9;
        const auto of3 = [&](std::size_t i) {
            return median3(from[i], from[i + step], from[i + 2 * step]);
        };
        const double pivot = median3(of3(0), of3(3 * step), of3(6 * step));
        const auto [below, above] = kernels::best::partitionPass(from, n, pivot, range);
        if (k < below) {
            from = range;
            n = below;
        } else if (k < n - above) {
            return pivot;
        } else {
            k -= n - above;
            from = range + (n - above);
            n = above;
        }
        to = spare;
        spare = range;
    }
    double small[16];
    std::copy(from, from + n, small);
    std::sort(small, small + n);
    return small[k];
}

}  // namespace sondrel
