#pragma once
// The stretch of chainage a view along the pipe shows, and how the operator
// moves it: zoom about a point, pan by a share of the stretch, and "follow",
// in which the stretch keeps the newest chainage in view as the survey grows
// until the operator zooms or pans. The stretch never leaves the data by more
// than it must and never gets shorter than a few bins.

#include <vector>

namespace sondrel {

// The marks along an axis at a round step (1, 2 or 5 x 10^n) that leaves at
// most `maxTicks` of them over [from, to]; empty for an empty stretch.
double roundTickStep(double span, int maxTicks);
std::vector<double> roundTicks(double from, double to, int maxTicks);

class ChainageWindow {
  public:
    explicit ChainageWindow(double shortestSpan = 1.0) : shortest_(shortestSpan) {}

    double from() const { return from_; }
    double to() const { return to_; }
    double span() const { return to_ - from_; }
    bool following() const { return follow_; }

    // The data now spans [start, end]: following, the window shows all of
    // it; otherwise it stays where it is, kept within the data.
    void setExtent(double start, double end);
    // Factor > 1 shows less (zooms in), about the chainage `around`.
    void zoom(double factor, double around);
    // By a share of the window's span; positive moves towards higher chainage.
    void pan(double share);
    void panMetres(double metres);
    // Shows [from, to] as given (stops following).
    void show(double from, double to);
    void follow();

  private:
    void keepWithinData();

    double shortest_;
    double start_ = 0.0, end_ = 0.0;
    double from_ = 0.0, to_ = 1.0;
    bool follow_ = true;
};

}  // namespace sondrel
