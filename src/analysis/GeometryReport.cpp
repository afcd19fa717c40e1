#include "analysis/GeometryReport.h"

#include <algorithm>
#include <cmath>

#include "acquisition/SondrelDoc.h"
#include "analysis/GeometryPoints.h"
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
                                       const GeometrySettings& settings, GeometryReport& report) {
    BinaryFile in;
    std::int64_t length = 0;
    ConversionResult result = openDataFile(in, input, length);
    if (!result.ok()) return result;

    const int wasPlaying = startWindowlessPlay(doc, length);

    report.file = input;
    report.settings = settings;
    report.nominalDiameter = settings.nominalFor(doc.display.circleDiameter);
    report.bands = geometryBands(settings, report.nominalDiameter);
    ProfilePath path;
    GeometryPointCollector points(doc);
    PipeAnalyser analyser;
    bool inAlarm = false;
    bool haveDistance = false;
    double firstDistance = 0.0, lastDistance = 0.0;
    walkRecords(doc, in, input, length, result, [&] {
        runProfilePass(doc, path, &points);
        const std::int64_t record = result.summary.recordsRead + result.summary.recordsSkipped;
        const PipeGeometry g = analyser.analyse(points.points(), report.nominalDiameter);
        const GeometrySample s =
            geometrySample(record, -1, travelledDistance(doc), g, report.bands);
        report.series.add(s);
        ++report.records;
        if (report.date.empty()) report.date = doc.dateText;
        if (s.hasDistance) {
            if (!haveDistance) firstDistance = s.distance;
            haveDistance = true;
            lastDistance = s.distance;
        }
        const bool alarm =
            s.ok && (s.ovality == GeometryLevel::Alarm || s.sediment == GeometryLevel::Alarm);
        if (!s.ok) {
            inAlarm = false;
            return true;
        }
        ++report.measured;
        keepWorst(report.ovality, g.ovalityPercent, s);
        keepWorst(report.deformation, g.deformationPercent, s);
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
    doc.playbackActive = wasPlaying;
    report.lengthSurveyed = haveDistance ? std::abs(lastDistance - firstDistance) : 0.0;

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

}  // namespace sondrel
