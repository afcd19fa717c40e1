#include "analysis/GeometryReport.h"

#include <algorithm>
#include <cmath>

#include "acquisition/SondrelDoc.h"
#include "analysis/GeometryPoints.h"
#include "common/JobProgress.h"
#include "display/ProfilePass.h"
#include "recording/BinaryFile.h"
#include "recording/RecordFormat.h"

namespace sondrel {

namespace {

void keepWorst(GeometryWorst& worst, double value, const GeometrySample& at) {
    if (worst.found && value <= worst.value) return;
    worst.found = true;
    worst.value = value;
    worst.at = at;
}

// How far beyond its alarm levels a place is, for keeping the worst ones.
double severity(const GeometryPlace& p, const GeometryBands& bands) {
    const double o = bands.ovalityAlarm > 0 ? p.geometry.ovalityPercent / bands.ovalityAlarm : 0;
    const double s = bands.sedimentAlarm > 0 ? p.geometry.sedimentDepth / bands.sedimentAlarm : 0;
    return std::max(o, s);
}

// The report taken in one sample at a time, in record order: counts, the
// worst figures, and the places beyond an alarm level, each stretch told by
// its most severe record.
class ReportGatherer {
  public:
    ReportGatherer(GeometryReport& report, const std::string& input,
                   const GeometrySettings& settings)
        : r_(report) {
        r_.file = input;
        r_.settings = settings;
        r_.nominalDiameter = settings.hasNominal() ? settings.nominalDiameter : 0.0;
        r_.ovalityBasis = settings.ovalityBasis();
        r_.bands = geometryBands(settings);
    }

    // `g` and `points` are the record's measurement when at hand; without
    // them a place keeps its sample alone, to be measured again later.
    void add(const GeometrySample& s, const PipeGeometry* g,
             std::span<const GeometryPoint> points) {
        r_.series.add(s);
        ++r_.records;
        if (s.hasDistance) {
            read_.left = read_.found ? std::min(read_.left, s.distance) : s.distance;
            read_.right = read_.found ? std::max(read_.right, s.distance) : s.distance;
            read_.found = true;
        }
        const bool alarm =
            s.ok && (s.ovality == GeometryLevel::Alarm || s.sediment == GeometryLevel::Alarm);
        if (!s.ok) {
            inAlarm_ = false;
            return;
        }
        ++r_.measured;
        keepWorst(r_.ovality, s.ovalityPercent, s);
        if (g ? g->ok() : r_.nominalDiameter > 0)
            keepWorst(r_.deformation,
                      g ? g->deformationPercent
                        : (r_.nominalDiameter - s.minDiameter) / r_.nominalDiameter * 100,
                      s);
        keepWorst(r_.sediment, s.sedimentDepth, s);
        if (!alarm) {
            inAlarm_ = false;
            return;
        }
        GeometryPlace place;
        place.sample = s;
        if (g) {
            place.geometry = *g;
            place.points.assign(points.begin(), points.end());
        } else {
            place.geometry.ovalityPercent = s.ovalityPercent;
            place.geometry.sedimentDepth = s.sedimentDepth;
        }
        place.ovalityAlarm = s.ovality == GeometryLevel::Alarm;
        place.sedimentAlarm = s.sediment == GeometryLevel::Alarm;
        if (!inAlarm_) {
            ++r_.placesBeyondLimit;
            r_.places.push_back(std::move(place));
        } else if (severity(place, r_.bands) > severity(r_.places.back(), r_.bands)) {
            r_.places.back() = std::move(place);
        }
        inAlarm_ = true;
    }

    void finish() {
        if (read_.found) r_.lengthSurveyed = read_.right - read_.left;
        if (r_.places.size() <= kMaxReportPlaces) return;
        std::stable_sort(r_.places.begin(), r_.places.end(),
                         [&](const GeometryPlace& a, const GeometryPlace& b) {
                             return severity(a, r_.bands) > severity(b, r_.bands);
                         });
        r_.places.resize(kMaxReportPlaces);
        std::stable_sort(r_.places.begin(), r_.places.end(),
                         [](const GeometryPlace& a, const GeometryPlace& b) {
                             return a.sample.record < b.sample.record;
                         });
    }

  private:
    GeometryReport& r_;
    bool inAlarm_ = false;
    GeometrySpan read_;  // of every distance read, measured or not
};

}  // namespace

ConversionResult collectGeometryReport(CSondrelDoc& doc, const std::string& input,
                                       const GeometrySettings& settings, GeometryReport& report,
                                       JobProgress* progress) {
    BinaryFile in;
    std::int64_t length = 0;
    ConversionResult result = openDataFile(in, input, length);
    if (!result.ok()) return result;

    const bool wasPlaying = startWindowlessPlay(doc);
    ReportGatherer gatherer(report, input, settings);
    ProfilePath path;
    GeometryPointCollector points(doc);
    PipeAnalyser analyser;
    constexpr std::int64_t kProgressEvery = 64;
    walkRecords(doc, in, input, length, result, [&] {
        const std::int64_t record = result.summary.recordsRead + result.summary.recordsSkipped;
        if (progress && record % kProgressEvery == 0) {
            progress->report(in.tell(), length, record);
            if (progress->cancelled()) {
                report.cancelled = true;
                return false;
            }
        }
        runProfilePass(doc, path, &points);
        const PipeGeometry g = analyser.analyse(points.points(), settings.nominalDiameter,
                                                settings.chosenOvalityBasis());
        if (report.date.empty()) report.date = doc.ping.dateText;
        gatherer.add(geometrySample(record, -1, travelledDistance(doc), g, report.bands), &g,
                     points.points());
        return true;
    });
    doc.flags.playbackActive = wasPlaying;
    if (progress && !report.cancelled) progress->report(length, length, report.records);
    gatherer.finish();
    if (result.ok() && report.records == 0) {
        result.error = ConversionError::InputEmpty;
        result.message = input + ": holds no complete record";
    }
    return result;
}

ConversionResult collectGeometryReportFrom(CSondrelDoc& doc, const std::string& input,
                                           const GeometrySettings& settings,
                                           std::span<const GeometrySample> samples,
                                           GeometryReport& report) {
    BinaryFile in;
    std::int64_t length = 0;
    ConversionResult result = openDataFile(in, input, length);
    if (!result.ok()) return result;
    ReportGatherer gatherer(report, input, settings);
    for (GeometrySample s : samples) {
        remeasureSample(s, settings);
        gatherer.add(s, nullptr, {});
    }
    gatherer.finish();
    // Only the places pictured are read again, for their points and shapes.
    const bool wasPlaying = startWindowlessPlay(doc);
    ProfilePath path;
    GeometryPointCollector points(doc);
    PipeAnalyser analyser;
    bool first = true;
    for (GeometryPlace& place : report.places) {
        if (place.sample.position < 0 ||
            readRecord(doc, in, place.sample.position).status != ReadStatus::Valid)
            continue;
        if (first) report.date = doc.ping.dateText;
        first = false;
        runProfilePass(doc, path, &points);
        place.geometry = analyser.analyse(points.points(), settings.nominalDiameter,
                                          settings.chosenOvalityBasis());
        place.points.assign(points.points().begin(), points.points().end());
    }
    if (report.date.empty() && !samples.empty() && samples.front().position >= 0 &&
        readRecord(doc, in, samples.front().position).status == ReadStatus::Valid)
        report.date = doc.ping.dateText;
    doc.flags.playbackActive = wasPlaying;
    if (report.records == 0) {
        result.error = ConversionError::InputEmpty;
        result.message = input + ": holds no complete record";
    }
    return result;
}

std::vector<double> chartTicks(double low, double high, int most) {
    std::vector<double> ticks;
    if (!(high > low) || most < 1 || !std::isfinite(low) || !std::isfinite(high)) return ticks;
    const double rough = (high - low) / most;
    const double power = std::pow(10.0, std::floor(std::log10(rough)));
    double step = 10 * power;
    for (const double m : {1.0, 2.0, 5.0}) {
        if (m * power >= rough) {
            step = m * power;
            break;
        }
    }
    // Within a hair of the ends, so that an end on a tick keeps it.
    const double slack = step * 1e-9;
    for (double k = std::ceil((low - slack) / step); k * step <= high + slack; k += 1)
        ticks.push_back(k * step == 0 ? 0.0 : k * step);
    return ticks;
}

}  // namespace sondrel
