#include "analysis/GeometryReport.h"

#include <algorithm>
#include <cmath>

#include "acquisition/SondrelDoc.h"
#include "analysis/GeometryPoints.h"
#include "common/JobProgress.h"
#include "display/ProfilePass.h"
#include "recording/BinaryFile.h"

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

}  // namespace

ConversionResult collectGeometryReport(CSondrelDoc& doc, const std::string& input,
                                       const GeometrySettings& settings, GeometryReport& report,
                                       JobProgress* progress) {
    BinaryFile in;
    std::int64_t length = 0;
    ConversionResult result = openDataFile(in, input, length);
    if (!result.ok()) return result;

    const bool wasPlaying = startWindowlessPlay(doc);

    report.file = input;
    report.settings = settings;
    report.nominalDiameter = settings.hasNominal() ? settings.nominalDiameter : 0.0;
    report.ovalityBasis = settings.ovalityBasis();
    report.bands = geometryBands(settings);
    ProfilePath path;
    GeometryPointCollector points(doc);
    PipeAnalyser analyser;
    bool inAlarm = false;
    GeometrySpan read;  // of every distance read, measured or not
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
        const GeometrySample s =
            geometrySample(record, -1, travelledDistance(doc), g, report.bands);
        report.series.add(s);
        ++report.records;
        if (report.date.empty()) report.date = doc.ping.dateText;
        if (s.hasDistance) {
            read.left = read.found ? std::min(read.left, s.distance) : s.distance;
            read.right = read.found ? std::max(read.right, s.distance) : s.distance;
            read.found = true;
        }
        const bool alarm =
            s.ok && (s.ovality == GeometryLevel::Alarm || s.sediment == GeometryLevel::Alarm);
        if (!s.ok) {
            inAlarm = false;
            return true;
        }
        ++report.measured;
        keepWorst(report.ovality, g.ovalityPercent, s);
        if (g.ok()) keepWorst(report.deformation, g.deformationPercent, s);
        keepWorst(report.sediment, g.sedimentDepth, s);
        if (!alarm) {
            inAlarm = false;
            return true;
        }
        GeometryPlace place;
        place.sample = s;
        place.geometry = g;
        place.points.assign(points.points().begin(), points.points().end());
        place.ovalityAlarm = s.ovality == GeometryLevel::Alarm;
        place.sedimentAlarm = s.sediment == GeometryLevel::Alarm;
        if (!inAlarm) {
            ++report.placesBeyondLimit;
            report.places.push_back(std::move(place));
        } else if (severity(place, report.bands) > severity(report.places.back(), report.bands)) {
            report.places.back() = std::move(place);
        }
        inAlarm = true;
        return true;
    });
    doc.flags.playbackActive = wasPlaying;
    if (progress && !report.cancelled) progress->report(length, length, report.records);
    if (read.found) report.lengthSurveyed = read.right - read.left;

    if (report.places.size() > kMaxReportPlaces) {
        std::stable_sort(report.places.begin(), report.places.end(),
                         [&](const GeometryPlace& a, const GeometryPlace& b) {
                             return severity(a, report.bands) > severity(b, report.bands);
                         });
        report.places.resize(kMaxReportPlaces);
        std::stable_sort(report.places.begin(), report.places.end(),
                         [](const GeometryPlace& a, const GeometryPlace& b) {
                             return a.sample.record < b.sample.record;
                         });
    }
    if (result.ok() && report.records == 0) {
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
