#include "survey/Observation.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <numbers>

namespace sondrel {

namespace {

// A stretch of kept records where a figure reached its level: the places of
// its first and last record at or above it, and its worst record.
struct Stretch {
    double from = 0.0, to = 0.0;
    std::uint32_t worst = 0;
    double worstValue = 0.0;
};

// Stretches where `value(i)` (NaN: no figure) reaches `level`, along
// `order`; a stretch ends once the figure has stayed below it for more than
// kObservationBridgeMetres.
template <typename Value>
std::vector<Stretch> stretchesAbove(std::span<const SurveyPing> pings,
                                    std::span<const std::uint32_t> order, double level,
                                    Value value) {
    std::vector<Stretch> found;
    bool open = false;
    Stretch current;
    for (const std::uint32_t i : order) {
        const SurveyPing& p = pings[i];
        if (!p.measured()) continue;
        const double v = value(i);
        if (std::isnan(v)) continue;
        const double at = p.chainage;
        if (v >= level) {
            if (!open) {
                current = Stretch{at, at, i, v};
                open = true;
            }
            current.to = at;
            if (v > current.worstValue) {
                current.worstValue = v;
                current.worst = i;
            }
        } else if (open && at - current.to > kObservationBridgeMetres) {
            found.push_back(current);
            open = false;
        }
    }
    if (open) found.push_back(current);
    return found;
}

// Area of a circle of radius r below a chord at height h above its bottom.
double segmentArea(double r, double h) {
    h = std::clamp(h, 0.0, 2 * r);
    return r * r * std::acos((r - h) / r) - (r - h) * std::sqrt(std::max(0.0, 2 * r * h - h * h));
}

double along(const Observation& o, bool againstFlow) {
    return againstFlow ? -o.chainage : o.chainage;
}

// Where a code sorts among observations at the same place: the start node
// first, the finish node last.
int rank(const Observation& o) {
    if (o.code == "BCD") return 0;
    if (o.code == "BCE") return 2;
    return 1;
}

double rounded(double v, int decimals) {
    const double scale = std::pow(10.0, decimals);
    return std::round(v * scale) / scale;
}

class Detector {
  public:
    Detector(std::span<const SurveyPing> pings, double nominal, const ObservationSettings& settings,
             bool againstFlow)
        : pings_(pings), nominal_(nominal), settings_(settings), againstFlow_(againstFlow) {}

    // One stretch as one observation, or as a start and a finish.
    void add(const Stretch& s, Observation o) {
        const SurveyPing& worst = pings_[s.worst];
        o.filePosition = worst.filePosition;
        if (s.to - s.from <= settings_.continuousLength) {
            o.chainage = worst.chainage;
            out.push_back(std::move(o));
            return;
        }
        // The start is where the survey meets the stretch first.
        const double first = againstFlow_ ? s.to : s.from;
        const double last = againstFlow_ ? s.from : s.to;
        o.continuous = "S";
        o.chainage = first;
        out.push_back(o);
        o.continuous = "F";
        o.chainage = last;
        out.push_back(std::move(o));
    }

    void deformation(std::span<const std::uint32_t> order) {
        for (const Stretch& s :
             stretchesAbove(pings_, order, settings_.deformationStart,
                            [&](std::uint32_t i) { return double(pings_[i].deformation); })) {
            Observation o;
            o.code = "BAA";
            const double axis = pings_[s.worst].shortAxis;
            o.characterisation1 = std::abs(axis - 90.0) <= 45.0 ? "A" : "B";
            o.quantification1 = rounded(s.worstValue, 1);
            add(s, std::move(o));
        }
    }

    void deposits(std::span<const std::uint32_t> order) {
        const double area = std::numbers::pi * nominal_ * nominal_ / 4;
        for (const Stretch& s : stretchesAbove(
                 pings_, order, settings_.depositStart,
                 [&](std::uint32_t i) { return 100.0 * pings_[i].sedimentArea / area; })) {
            depositStretches_.push_back(s);
            Observation o;
            o.code = "BBC";
            o.quantification1 = rounded(s.worstValue, 1);
            const SurveyPing& w = pings_[s.worst];
            if (!std::isnan(w.floorClockFrom)) {
                o.clockFrom = wholeHour(w.floorClockFrom);
                o.clockTo = wholeHour(w.floorClockTo);
            }
            add(s, std::move(o));
        }
    }

    void obstacles(std::span<const std::uint32_t> order) {
        if (order.empty()) return;
        // The floor around a record: the median of the 0.25 m bins' medians
        // within kObstacleSurroundMetres either side.
        constexpr double kBin = 0.25;
        std::map<long long, std::vector<float>> bins;
        for (const std::uint32_t i : order) {
            const SurveyPing& p = pings_[i];
            if (!p.measured()) continue;
            bins[std::llround(std::floor(p.chainage / kBin))].push_back(floorOf(p));
        }
        std::map<long long, float> medians;
        for (auto& [bin, depths] : bins) medians[bin] = median(depths);
        const long long reach = std::llround(kObstacleSurroundMetres / kBin);
        std::vector<float> around;
        std::map<long long, float> surround;
        for (const auto& [bin, m] : medians) {
            around.clear();
            for (auto it = medians.lower_bound(bin - reach);
                 it != medians.end() && it->first <= bin + reach; ++it) {
                around.push_back(it->second);
            }
            surround[bin] = median(around);
        }
        const double r = nominal_ / 2;
        const auto rise = [&](std::uint32_t i) {
            const SurveyPing& p = pings_[i];
            const float base = surround[std::llround(std::floor(p.chainage / kBin))];
            return 100.0 * (floorOf(p) - base) / nominal_;
        };
        for (const Stretch& s : stretchesAbove(pings_, order, settings_.obstacleHeight, rise)) {
            if (s.to - s.from > settings_.obstacleLongest) continue;
            // What the deposits have reported is not reported again.
            if (std::any_of(depositStretches_.begin(), depositStretches_.end(),
                            [&](const Stretch& d) { return d.from <= s.to && s.from <= d.to; }))
                continue;
            const SurveyPing& w = pings_[s.worst];
            const double base = surround[std::llround(std::floor(w.chainage / kBin))];
            Observation o;
            o.code = "BBE";
            // The share of the bore the obstacle takes above the floor around it.
            o.quantification1 =
                rounded(100.0 * (segmentArea(r, floorOf(w)) - segmentArea(r, base)) /
                            (std::numbers::pi * r * r),
                        1);
            if (!std::isnan(w.floorClockFrom)) {
                o.clockFrom = wholeHour(w.floorClockFrom);
                o.clockTo = wholeHour(w.floorClockTo);
            }
            o.chainage = w.chainage;
            o.filePosition = w.filePosition;
            out.push_back(std::move(o));
        }
    }

    std::vector<Observation> out;

  private:
    static float floorOf(const SurveyPing& p) {
        return std::isnan(p.sedimentDepth) ? 0.0f : p.sedimentDepth;
    }
    static float median(std::vector<float>& values) {
        const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
        std::nth_element(values.begin(), middle, values.end());
        return *middle;
    }

    std::span<const SurveyPing> pings_;
    std::vector<Stretch> depositStretches_;  // found before the obstacles
    double nominal_;
    const ObservationSettings& settings_;
    bool againstFlow_;
};

bool sameNumber(double a, double b) {
    return a == b || (std::isnan(a) && std::isnan(b));
}

}  // namespace

bool Observation::operator==(const Observation& o) const {
    return chainage == o.chainage && code == o.code && characterisation1 == o.characterisation1 &&
           characterisation2 == o.characterisation2 &&
           sameNumber(quantification1, o.quantification1) &&
           sameNumber(quantification2, o.quantification2) && remark == o.remark &&
           clockFrom == o.clockFrom && clockTo == o.clockTo && continuous == o.continuous &&
           joint == o.joint && filePosition == o.filePosition && byOperator == o.byOperator &&
           deleted == o.deleted;
}

double clockHours(double degreesFromRight) {
    // 3 o'clock at 0 degrees, hours running clockwise, i.e. against the angle.
    double hours = std::fmod(3.0 - degreesFromRight / 30.0, 12.0);
    if (hours < 0) hours += 12.0;
    return hours;
}

int wholeHour(double hours) {
    const int h = static_cast<int>(std::lround(hours)) % 12;
    return h <= 0 ? h + 12 : h;
}

int clockHour(double degreesFromRight) {
    return wholeHour(clockHours(degreesFromRight));
}

void sortObservations(std::vector<Observation>& observations, bool againstFlow) {
    std::stable_sort(observations.begin(), observations.end(),
                     [&](const Observation& a, const Observation& b) {
                         if (rank(a) != rank(b)) return rank(a) < rank(b);
                         return along(a, againstFlow) < along(b, againstFlow);
                     });
    // Continuous defects numbered in the order they start along the survey,
    // each finish taking its start's new number.
    std::map<std::string, std::string> renumbered;
    int next = 1;
    for (Observation& o : observations) {
        if (o.continuous.size() < 1 || o.deleted) continue;
        const char kind = o.continuous[0];
        const std::string key = o.code + "#" + o.continuous.substr(1);
        if (kind == 'S') {
            renumbered[key] = std::to_string(next++);
            o.continuous = "S" + renumbered[key];
        } else if (kind == 'F') {
            const auto it = renumbered.find(key);
            o.continuous = it != renumbered.end() ? "F" + it->second : std::string();
            if (it != renumbered.end()) renumbered.erase(it);
        }
    }
}

std::vector<Observation> detectObservations(std::span<const SurveyPing> pings,
                                            std::span<const std::uint32_t> keptOrder,
                                            double nominal, const ObservationSettings& settings,
                                            double startChainage, double endChainage,
                                            bool againstFlow) {
    Detector d(pings, nominal, settings, againstFlow);
    if (nominal > 0) {
        d.deformation(keptOrder);
        d.deposits(keptOrder);
        d.obstacles(keptOrder);
    }
    // Each detected continuous pair gets a number of its own before sorting.
    int pair = 0;
    for (std::size_t i = 0; i < d.out.size(); ++i) {
        if (d.out[i].continuous == "S") {
            ++pair;
            d.out[i].continuous += std::to_string(pair);
            if (i + 1 < d.out.size()) d.out[i + 1].continuous += std::to_string(pair);
        }
    }
    Observation start;
    start.code = "BCD";
    start.chainage = startChainage;
    Observation finish;
    finish.code = "BCE";
    finish.chainage = endChainage;
    if (!keptOrder.empty()) {
        start.filePosition = pings[againstFlow ? keptOrder.back() : keptOrder.front()].filePosition;
        finish.filePosition =
            pings[againstFlow ? keptOrder.front() : keptOrder.back()].filePosition;
    }
    d.out.push_back(start);
    d.out.push_back(finish);
    sortObservations(d.out, againstFlow);
    return std::move(d.out);
}

std::vector<Observation> mergeObservations(std::span<const Observation> detected,
                                           std::span<const Observation> stored, bool againstFlow) {
    std::vector<Observation> merged;
    for (const Observation& o : stored) {
        if (o.byOperator) merged.push_back(o);
    }
    const std::size_t operators = merged.size();
    for (const Observation& o : detected) {
        const bool superseded =
            std::any_of(merged.begin(), merged.begin() + static_cast<std::ptrdiff_t>(operators),
                        [&](const Observation& op) {
                            return op.code == o.code &&
                                   std::abs(op.chainage - o.chainage) <= kSameObservationMetres;
                        });
        if (!superseded) merged.push_back(o);
    }
    sortObservations(merged, againstFlow);
    return merged;
}

}  // namespace sondrel
