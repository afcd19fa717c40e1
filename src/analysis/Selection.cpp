#include "analysis/Selection.h"

#include <algorithm>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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
        std::size_t below = 0, above = 0, i = 0;
        double* const top = range + n - 1;
#if defined(__SSE2__)
        // Two comparisons to an instruction, the stores one value at a time.
        const __m128d pivots = _mm_set1_pd(pivot);
        for (; i + 1 < n; i += 2) {
            const __m128d pair = _mm_loadu_pd(from + i);
            const int less = _mm_movemask_pd(_mm_cmplt_pd(pair, pivots));
            const int more = _mm_movemask_pd(_mm_cmpgt_pd(pair, pivots));
            const double first = from[i], second = from[i + 1];
            range[below] = first;
            *(top - above) = first;
            below += static_cast<std::size_t>(less & 1);
            above += static_cast<std::size_t>(more & 1);
            range[below] = second;
            *(top - above) = second;
            below += static_cast<std::size_t>(less >> 1);
            above += static_cast<std::size_t>(more >> 1);
        }
#endif
        for (; i < n; ++i) {
            const double v = from[i];
            range[below] = v;
            *(top - above) = v;
            below += v < pivot;
            above += pivot < v;
        }
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
