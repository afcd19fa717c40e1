#pragma once
// Columns of equal length along the chainage, each `stride` values, stored
// contiguously from the first bin any slice reached to the last: the wall
// map's cells and the tube's rings. It grows at either end as slices arrive
// (a survey may start at any chainage and run either way) with room made in
// doubling steps, so appending stays cheap; a column further than a cap from
// the others (a damaged distance reading) is refused rather than allocated.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace sondrel {

template <typename T>
class BinnedColumns {
  public:
    BinnedColumns(double binMetres, std::size_t stride, std::int64_t maxColumns)
        : bin_(binMetres > 0 ? binMetres : 0.05),
          stride_(std::max<std::size_t>(stride, 1)),
          maxColumns_(maxColumns) {}

    double binMetres() const { return bin_; }
    std::size_t stride() const { return stride_; }
    // Beyond belief (and NaN, taken as far below) is held far from any column.
    std::int64_t binOf(double chainage) const {
        constexpr double kFar = 4e18;
        const double b = std::floor(chainage / bin_);
        if (!(b > -kFar)) return static_cast<std::int64_t>(-kFar);
        return static_cast<std::int64_t>(std::min(b, kFar));
    }
    bool empty() const { return count_ == 0; }
    std::int64_t firstBin() const { return first_; }
    std::int64_t columns() const { return count_; }
    std::int64_t endBin() const { return first_ + count_; }

    // The column of `bin`, made (as T{} values) when missing; null when it lies
    // beyond the cap or the chainage is no number.
    T* column(double chainage) {
        if (!std::isfinite(chainage) || std::fabs(chainage / bin_) > 1e15) return nullptr;
        const std::int64_t bin = binOf(chainage);
        if (count_ == 0) {
            first_ = base_ = bin;
            count_ = 1;
            store_.assign(stride_ * 16, T{});
            capacity_ = 16;
            return store_.data();
        }
        const std::int64_t low = std::min(first_, bin), high = std::max(endBin(), bin + 1);
        if (high - low > maxColumns_) return nullptr;
        if (bin < base_ || bin >= base_ + capacity_) regrow(low, high);
        if (bin < first_) {
            count_ += first_ - bin;
            first_ = bin;
        } else if (bin >= endBin()) {
            count_ = bin + 1 - first_;
        }
        return &store_[static_cast<std::size_t>(bin - base_) * stride_];
    }
    // The column of bin `bin`, null when none was made.
    const T* find(std::int64_t bin) const {
        if (bin < first_ || bin >= endBin()) return nullptr;
        return &store_[static_cast<std::size_t>(bin - base_) * stride_];
    }
    void clear() {
        store_.clear();
        store_.shrink_to_fit();
        count_ = capacity_ = 0;
    }
    std::size_t memoryBytes() const { return store_.capacity() * sizeof(T); }

  private:
    // Room for [low, high) and as much again, the free part at the side it grew.
    void regrow(std::int64_t low, std::int64_t high) {
        const std::int64_t span = high - low;
        const std::int64_t capacity = std::min(maxColumns_, 2 * span);
        const std::int64_t spare = capacity - span;
        const std::int64_t start = low < first_ ? low - spare : low;
        std::vector<T> grown(static_cast<std::size_t>(capacity) * stride_, T{});
        const std::size_t at = static_cast<std::size_t>(first_ - start) * stride_;
        const std::size_t from = static_cast<std::size_t>(first_ - base_) * stride_;
        std::copy(store_.begin() + static_cast<std::ptrdiff_t>(from),
                  store_.begin() + static_cast<std::ptrdiff_t>(from + count_ * stride_),
                  grown.begin() + static_cast<std::ptrdiff_t>(at));
        store_.swap(grown);
        base_ = start;
        capacity_ = capacity;
    }

    double bin_;
    std::size_t stride_;
    std::int64_t maxColumns_;
    std::vector<T> store_;
    std::int64_t first_ = 0, count_ = 0;
    std::int64_t base_ = 0;      // the bin of the store's first column
    std::int64_t capacity_ = 0;  // columns the store holds
};

}  // namespace sondrel
