#include "pipeview/ChainageWindow.h"

#include <algorithm>
#include <cmath>

namespace sondrel {

double roundTickStep(double span, int maxTicks) {
    if (!(span > 0) || maxTicks < 1) return 0.0;
    const double raw = span / maxTicks;
    const double decade = std::pow(10.0, std::floor(std::log10(raw)));
    for (const double m : {1.0, 2.0, 5.0, 10.0}) {
        if (m * decade >= raw) return m * decade;
    }
    return 10.0 * decade;
}

std::vector<double> roundTicks(double from, double to, int maxTicks) {
    std::vector<double> ticks;
    const double step = roundTickStep(to - from, maxTicks);
    if (!(step > 0)) return ticks;
    for (double k = std::ceil(from / step); k * step <= to + step * 1e-9; k += 1.0) {
        // -0 reads badly in a label.
        ticks.push_back(k == 0.0 ? 0.0 : k * step);
    }
    return ticks;
}

void ChainageWindow::setExtent(double start, double end) {
    start_ = start;
    end_ = std::max(end, start);
    if (follow_) {
        from_ = start_;
        to_ = std::max(end_, start_ + shortest_);
        return;
    }
    keepWithinData();
}

void ChainageWindow::zoom(double factor, double around) {
    if (!(factor > 0)) return;
    follow_ = false;
    const double longest = std::max(end_ - start_, shortest_);
    const double span = std::clamp(this->span() / factor, shortest_, longest);
    const double share = this->span() > 0 ? (around - from_) / this->span() : 0.5;
    from_ = around - share * span;
    to_ = from_ + span;
    keepWithinData();
}

void ChainageWindow::pan(double share) {
    panMetres(share * span());
}

void ChainageWindow::panMetres(double metres) {
    follow_ = false;
    from_ += metres;
    to_ += metres;
    keepWithinData();
}

void ChainageWindow::show(double from, double to) {
    follow_ = false;
    from_ = from;
    to_ = std::max(to, from + shortest_);
    keepWithinData();
}

void ChainageWindow::follow() {
    follow_ = true;
    setExtent(start_, end_);
}

void ChainageWindow::keepWithinData() {
    const double span = to_ - from_;
    // A window longer than the data starts where the data starts.
    if (span >= end_ - start_) {
        from_ = start_;
    } else {
        from_ = std::clamp(from_, start_, end_ - span);
    }
    to_ = from_ + span;
}

}  // namespace sondrel
