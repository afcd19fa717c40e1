#pragma once
// Selection of the k-th smallest of a few hundred values, for the medians of
// the robust fits.

#include <cstddef>

namespace sondrel {

// The value that would stand at `k` were the `n` values sorted, leaving them
// as they are; `work` holds room for 2n values. Residuals come in random
// order, so std::nth_element mispredicts about every other comparison and
// took a quarter of a noisy ping's analysis. Here each pass copies the values
// below the pivot to the front of a work area and those above it to the back,
// every element stored to both sides and only the counts moved by the
// comparisons, so the pass has no branch on a value and no store a later load
// waits for; values equal to the pivot are only counted, so a run of them ends
// the search at once. A run of bad pivots hands over to std::nth_element,
// which bounds the worst case. The k-th value is one value whatever the order
// of the work: the answer is exactly the library's.
double selectKth(const double* values, std::size_t n, std::size_t k, double* work);

}  // namespace sondrel
