#include "analysis/GeometrySeries.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "acquisition/SondrelDoc.h"
#include "analysis/GeometrySettings.h"

namespace sondrel {

GeometryLevel geometryLevel(double value, double warning, double alarm) {
    if (!std::isfinite(value)) return GeometryLevel::Normal;
    if (value >= alarm) return GeometryLevel::Alarm;
    if (value >= warning) return GeometryLevel::Warning;
    return GeometryLevel::Normal;
}

GeometryBands geometryBands(const GeometrySettings& settings) {
    GeometryBands b;
    b.ovalityWarning = settings.ovalityWarning;
    b.ovalityAlarm = std::max(settings.ovalityAlarm, settings.ovalityWarning);
    // Without a pipe to measure against no depth is beyond a level.
    const double d =
        settings.hasNominal() ? settings.nominalDiameter : std::numeric_limits<double>::infinity();
    b.sedimentWarning = settings.sedimentWarning / 100.0 * d;
    b.sedimentAlarm = std::max(settings.sedimentAlarm, settings.sedimentWarning) / 100.0 * d;
    return b;
}

double travelledDistance(const CSondrelDoc& doc) {
    return doc.orientationInputOnShow() && doc.orientationOnShow().distanceValid != 0
               ? doc.orientationOnShow().distanceM
               : std::numeric_limits<double>::quiet_NaN();
}

GeometrySample geometrySample(std::int64_t record, std::int64_t position, double distance,
                              const PipeGeometry& geometry, const GeometryBands& bands) {
    GeometrySample s;
    s.record = record;
    s.position = position;
    s.hasDistance = std::isfinite(distance);
    s.distance = s.hasDistance ? distance : std::numeric_limits<double>::quiet_NaN();
    s.ok = geometry.measured();
    if (!s.ok) return s;
    s.meanDiameter = geometry.meanDiameter;
    s.minDiameter = geometry.minDiameter;
    s.maxDiameter = geometry.maxDiameter;
    s.ovalityPercent = geometry.ovalityPercent;
    s.sedimentDepth = geometry.sedimentDepth;
    s.ovality = geometryLevel(s.ovalityPercent, bands.ovalityWarning, bands.ovalityAlarm);
    s.sediment = geometryLevel(s.sedimentDepth, bands.sedimentWarning, bands.sedimentAlarm);
    return s;
}

void remeasureSample(GeometrySample& s, const GeometrySettings& settings) {
    if (!s.ok) return;
    const GeometryBands bands = geometryBands(settings);
    s.ovalityPercent = ovalityPercentOf(s.maxDiameter, s.minDiameter, s.meanDiameter,
                                        settings.nominalDiameter, settings.ovalityBasis());
    s.ovality = geometryLevel(s.ovalityPercent, bands.ovalityWarning, bands.ovalityAlarm);
    s.sediment = geometryLevel(s.sedimentDepth, bands.sedimentWarning, bands.sedimentAlarm);
}

GeometrySeries::GeometrySeries(std::size_t capacity)
    : capacity_(std::max<std::size_t>(capacity, 2)) {}

void GeometrySeries::add(const GeometrySample& sample) {
    if (sample.hasDistance) alongDistance_ = true;
    if (samples_.empty() || sample.record > samples_.back().record) {
        if (samples_.size() >= capacity_) {
            // The oldest quarter goes at once, so that a long run does not
            // move the whole series at every ping.
            samples_.erase(samples_.begin(),
                           samples_.begin() + static_cast<std::ptrdiff_t>(capacity_ / 4 + 1));
        }
        samples_.push_back(sample);
        return;
    }
    const auto at = std::lower_bound(
        samples_.begin(), samples_.end(), sample.record,
        [](const GeometrySample& s, std::int64_t record) { return s.record < record; });
    if (at->record == sample.record) {
        *at = sample;
    } else if (samples_.size() < capacity_) {
        samples_.insert(at, sample);
    }
}

void GeometrySeries::clear() {
    samples_.clear();
    alongDistance_ = false;
}

void GeometrySeries::remeasure(const GeometrySettings& settings) {
    for (GeometrySample& s : samples_) remeasureSample(s, settings);
}

std::vector<GeometryRun> GeometrySeries::runs() const {
    std::vector<GeometryRun> runs;
    bool open = false;
    // The pass's direction once it has moved beyond the jitter (0 before),
    // where it began and the furthest it has gone.
    int direction = 0;
    double start = 0.0, furthest = 0.0;
    for (std::size_t i = 0; i < samples_.size(); ++i) {
        const GeometrySample& s = samples_[i];
        if (alongDistance_ && !s.hasDistance) {
            open = false;
            continue;
        }
        if (!s.ok) continue;
        bool newPass = !open;
        if (open && alongDistance_) {
            const double x = s.distance;
            if (direction == 0) {
                if (std::abs(x - start) > kPassReversalMetres) {
                    direction = x > start ? 1 : -1;
                    furthest = x;
                }
            } else if ((x - furthest) * direction > 0) {
                furthest = x;
            } else if ((furthest - x) * direction > kPassReversalMetres) {
                newPass = true;
            }
        }
        if (newPass) {
            runs.push_back({i, i + 1});
            open = true;
            direction = 0;
            start = furthest = s.distance;
        }
        runs.back().end = i + 1;
    }
    return runs;
}

GeometrySpan GeometrySeries::span() const {
    GeometrySpan span;
    for (const GeometrySample& s : samples_) {
        if (!placed(s)) continue;
        const double x = along(s);
        span.left = span.found ? std::min(span.left, x) : x;
        span.right = span.found ? std::max(span.right, x) : x;
        span.found = true;
    }
    return span;
}

const GeometrySample* GeometrySeries::nearest(double x) const {
    const GeometrySample* best = nullptr;
    double bestGap = 0.0;
    for (const GeometrySample& s : samples_) {
        if (!placed(s)) continue;
        const double gap = std::abs(along(s) - x);
        if (!best || gap < bestGap) {
            best = &s;
            bestGap = gap;
        }
    }
    return best;
}

}  // namespace sondrel
