#include <algorithm>
#include <cmath>
#include <numbers>
#include <thread>

#include "acquisition/SondrelDoc.h"
#include "analysis/GeometryPoints.h"
#include "analysis/GeometrySeries.h"
#include "common/IniFile.h"
#include "common/JobProgress.h"
#include "common/OrderedPipeline.h"
#include "common/SonarBitmap.h"
#include "display/ProfilePass.h"
#include "recording/BinaryFile.h"
#include "survey/Chainage.h"
#include "survey/Survey.h"

namespace sondrel {

namespace {

// What measuring a record needs besides its points, taken while it is the
// ping on show.
struct RecordToMeasure {
    std::uint32_t index = 0;  // into Survey::pings
    std::uint32_t pointsFrom = 0, pointsTo = 0;
    float quantisation = 0.0f;  // metres per step of the profile value
};

struct Batch {
    std::vector<RecordToMeasure> records;
    std::vector<GeometryPoint> points;
    std::vector<SurveyPing> figures;  // one per record once measured
    void clear() {
        records.clear();
        points.clear();
        figures.clear();
    }
};

constexpr std::size_t kBatchRecords = 64;

// How a record's figures come from its geometry.
struct Measure {
    double nominal = 0.0;
    OvalityBasis basis = OvalityBasis::Nominal;
    double velocityShare = 0.0;  // relative standard uncertainty of the velocity

    void operator()(Batch& batch, PipeAnalyser& analyser) const {
        batch.figures.resize(batch.records.size());
        for (std::size_t k = 0; k < batch.records.size(); ++k) {
            const RecordToMeasure& r = batch.records[k];
            const std::span<const GeometryPoint> points(batch.points.data() + r.pointsFrom,
                                                        r.pointsTo - r.pointsFrom);
            fill(batch.figures[k], analyser.analyse(points, nominal, basis), r.quantisation);
        }
    }

    void fill(SurveyPing& p, const PipeGeometry& g, double quantisation) const {
        if (!g.measured()) return;
        p.flags |= SurveyPing::kMeasured;
        const double mean = g.meanDiameter, least = g.minDiameter, most = g.maxDiameter;
        p.meanDiameter = static_cast<float>(mean);
        p.minDiameter = static_cast<float>(least);
        p.maxDiameter = static_cast<float>(most);
        p.ovalityQ = static_cast<float>(100.0 * std::max(most - mean, mean - least) / mean);
        p.ovalitySpread = static_cast<float>(100.0 * (most - least) / mean);
        if (nominal > 0) p.deformation = static_cast<float>(100.0 * (nominal - least) / nominal);
        p.sedimentDepth = static_cast<float>(g.sedimentDepth);
        p.sedimentArea = static_cast<float>(g.sedimentArea);
        p.shortAxis = static_cast<float>(g.minDirectionDegrees);
        const double radius = g.circle.radius;
        if (g.sedimentDepth > 0 && radius > 0) {
            // Where the flat floor meets a round wall, either side of the bottom
            // (-90 degrees from the right).
            const double half = std::acos(std::clamp(1.0 - g.sedimentDepth / radius, -1.0, 1.0)) *
                                180.0 / std::numbers::pi;
            p.floorClockFrom = static_cast<float>(clockHours(-90.0 + half));
            p.floorClockTo = static_cast<float>(clockHours(-90.0 - half));
        }
        // Independent parts, added in quadrature: the profile value's step
        // (a uniform error of q/sqrt(12) at each of the two walls), the
        // velocity's share of the diameter, and the fit's scatter (the
        // residual over the square root of the wall points, at both walls).
        const double resolution = std::sqrt(2.0) * quantisation / std::sqrt(12.0);
        const double velocity = mean * velocityShare;
        const double fit = g.pointsUsed > 0 ? 2.0 * g.rmsResidual / std::sqrt(g.pointsUsed) : 0.0;
        p.diameterUncertainty = static_cast<float>(
            std::sqrt(resolution * resolution + velocity * velocity + fit * fit));
    }
};

// Puts a batch's figures into their pings, keeping what was taken of each
// ping while it was read.
void takeBack(const Batch& b, std::vector<SurveyPing>& pings) {
    for (std::size_t k = 0; k < b.records.size(); ++k) {
        SurveyPing& p = pings[b.records[k].index];
        const SurveyPing& f = b.figures[k];
        const std::uint8_t flags = p.flags;
        const std::int64_t position = p.filePosition;
        const std::int32_t record = p.record;
        const float seconds = p.seconds, distance = p.distance, velocity = p.soundVelocity;
        p = f;
        p.flags |= flags;
        p.filePosition = position;
        p.record = record;
        p.seconds = seconds;
        p.distance = distance;
        p.soundVelocity = velocity;
    }
}

unsigned threadsFor(unsigned asked) {
    if (asked > 0) return asked;
    return std::clamp(std::thread::hardware_concurrency(), 1U, 8U);
}

// Metres per step of the profile value of the ping on show, as its format,
// range and velocity convert it.
double quantisationOf(const CSondrelDoc& doc) {
    const HeadSettings shown = doc.headOnShow();
    const ProfileConversion c{doc.ping.headStatusLow, shown.command[cmd::kRange], shown.rangeMetres,
                              shown.soundVelocity, shown.pulseLengthCode};
    constexpr int kSteps = 1000;
    const double pixels = (c.distancePixels(kSteps) - c.distancePixels(0)) / kSteps;
    return std::abs(pixels) * shown.rangeMetres / kFullRangePixels;
}

// Places every ping and marks the kept ones; the kept order by chainage.
void placePings(Survey& survey) {
    const SurveyHeader& header = survey.record.header;
    const ChainageChoices& choices = survey.record.chainage;
    survey.chainageEstimated =
        std::none_of(survey.pings.begin(), survey.pings.end(),
                     [](const SurveyPing& p) { return !std::isnan(p.distance); });
    survey.hasChainage = !survey.chainageEstimated || choices.estimatedSpeed > 0;
    ChainagePlacer placer(header, choices, survey.chainageEstimated);
    std::vector<double> places(survey.pings.size());
    for (std::size_t i = 0; i < survey.pings.size(); ++i) {
        SurveyPing& p = survey.pings[i];
        const std::optional<double> seconds =
            std::isnan(p.seconds) ? std::nullopt : std::optional<double>(p.seconds);
        places[i] = placer.place(p.distance, seconds);
        p.chainage = static_cast<float>(places[i]);
        if (survey.chainageEstimated) p.flags |= SurveyPing::kEstimated;
    }
    const std::vector<std::uint8_t> kept = keptRecords(places, choices.keptPass);
    survey.kept.clear();
    for (std::size_t i = 0; i < survey.pings.size(); ++i) {
        if (!kept[i]) continue;
        survey.pings[i].flags |= SurveyPing::kKept;
        survey.kept.push_back(static_cast<std::uint32_t>(i));
    }
    std::stable_sort(survey.kept.begin(), survey.kept.end(), [&](std::uint32_t a, std::uint32_t b) {
        return survey.pings[a].chainage < survey.pings[b].chainage;
    });
}

}  // namespace

const char* verdictText(Verdict verdict) {
    switch (verdict) {
        case Verdict::Pass:
            return "pass";
        case Verdict::Evaluate:
            return "evaluate";
        case Verdict::Fail:
            return "fail";
        case Verdict::None:
            break;
    }
    return "no verdict";
}

SurveyInputs surveyInputsFor(const std::string& recording, const std::string& settingsPath,
                             SidecarLoad* sidecar) {
    SurveyInputs in;
    in.recording = recording;
    SidecarLoad load = loadSidecar(recording);
    if (load.ok()) in.record = load.record;
    if (sidecar) *sidecar = std::move(load);
    IniFile ini;
    ini.load(settingsPath);
    in.geometry = loadGeometrySettings(ini);
    in.thresholds = loadObservationSettings(ini);
    in.limits = loadGradingLimits(ini);
    return in;
}

Survey analyseSurvey(CSondrelDoc& doc, const SurveyInputs& inputs, JobProgress* progress) {
    Survey survey;
    survey.record = inputs.record;
    survey.limits = inputs.limits;
    if (const std::optional<double> size = inputs.record.header.nominalSize();
        size && usableNominal(*size)) {
        survey.nominalDiameter = *size;
        survey.nominalSource = "header";
    } else if (inputs.geometry.hasNominal()) {
        survey.nominalDiameter = inputs.geometry.nominalDiameter;
        survey.nominalSource = "settings";
    }

    BinaryFile in;
    std::int64_t length = 0;
    survey.result = openDataFile(in, inputs.recording, length);
    if (!survey.result.ok()) return survey;
    // About how many records, so that the pings are laid out once.
    survey.pings.reserve(static_cast<std::size_t>(length / kBlockLengthLong + 16));

    const Calibration& calibration = inputs.record.calibration;
    const GradingLimits& limits = inputs.limits;
    Measure measure;
    measure.nominal = survey.nominalDiameter;
    measure.basis = inputs.geometry.chosenOvalityBasis();
    measure.velocityShare = calibration.applied && calibration.soundVelocity > 0
                                ? calibration.velocityUncertainty / calibration.soundVelocity
                                : limits.velocityUncertainty / kDefaultSoundVelocity;

    // Left on the document, so that what is read with it next (the report,
    // the views, the cloud) measures as the survey did.
    doc.files.calibratedSoundVelocity = calibratedVelocity(inputs.record);
    const bool wasPlaying = startWindowlessPlay(doc);
    ProfilePath path;
    GeometryPointCollector points(doc);
    std::optional<double> firstSeconds;
    constexpr std::int64_t kProgressEvery = 256;
    {
        OrderedPipeline<Batch, PipeAnalyser> pool(
            threadsFor(inputs.threads), [] { return PipeAnalyser(); }, measure,
            [&survey](Batch& b) {
                takeBack(b, survey.pings);
                return true;
            });
        walkRecords(doc, in, inputs.recording, length, survey.result, [&] {
            const std::int64_t record =
                survey.result.summary.recordsRead + survey.result.summary.recordsSkipped;
            if (progress && record % kProgressEvery == 0) {
                progress->report(in.tell(), length, record);
                if (progress->cancelled()) {
                    survey.cancelled = true;
                    return false;
                }
            }
            runProfilePass(doc, path, &points);

            SurveyPing p;
            p.record = static_cast<std::int32_t>(record);
            p.filePosition = doc.ping.filePosition;
            p.distance = static_cast<float>(travelledDistance(doc));
            p.soundVelocity = static_cast<float>(doc.headOnShow().soundVelocity);
            if (const std::optional<double> s =
                    recordSeconds(doc.ping.dateText, doc.ping.timeText, doc.ping.millisecondText)) {
                if (!firstSeconds) firstSeconds = s;
                p.seconds = static_cast<float>(*s - *firstSeconds);
            }
            Batch& batch = pool.filling();
            RecordToMeasure r;
            r.index = static_cast<std::uint32_t>(survey.pings.size());
            r.pointsFrom = static_cast<std::uint32_t>(batch.points.size());
            batch.points.insert(batch.points.end(), points.points().begin(), points.points().end());
            r.pointsTo = static_cast<std::uint32_t>(batch.points.size());
            r.quantisation = static_cast<float>(quantisationOf(doc));
            batch.records.push_back(r);
            survey.pings.push_back(p);
            if (batch.records.size() >= kBatchRecords) pool.submit();
            return true;
        });
        if (!pool.filling().records.empty()) pool.submit();
        pool.finish();
    }
    doc.flags.playbackActive = wasPlaying;
    if (progress && !survey.cancelled)
        progress->report(length, length, survey.result.summary.recordsRead);
    if (survey.cancelled) {
        survey.result.error = ConversionError::Cancelled;
        survey.result.message = inputs.recording + ": cancelled";
        return survey;
    }
    if (survey.result.ok() && survey.pings.empty()) {
        survey.result.error = ConversionError::InputEmpty;
        survey.result.message = inputs.recording + ": holds no complete record";
    }

    placePings(survey);
    gradeSurvey(survey);
    detectAgain(survey, inputs.thresholds);
    return survey;
}

void detectAgain(Survey& survey, const ObservationSettings& thresholds) {
    const bool against = survey.record.header.againstFlow();
    survey.detected =
        detectObservations(survey.pings, survey.kept, survey.nominalDiameter, thresholds,
                           survey.record.header.startChainage, survey.summary.endChainage, against);
    if (survey.chainageEstimated) {
        // The coded file has no column for it: the start node's remark says so.
        for (Observation& o : survey.detected) {
            if (o.code == "BCD" && o.remark.empty()) {
                o.remark = "chainage estimated from time at " +
                           formatFixed(survey.record.chainage.estimatedSpeed, 3) + " m/s";
            }
        }
    }
    survey.observations = mergeObservations(survey.detected, survey.record.observations, against);
    survey.record.observations = survey.observations;
}

void gradeSurvey(Survey& survey) {
    SurveySummary& s = survey.summary;
    s = SurveySummary{};
    survey.perMetre.clear();
    const std::vector<SurveyPing>& pings = survey.pings;
    s.records = static_cast<std::int64_t>(pings.size());
    s.kept = static_cast<std::int64_t>(survey.kept.size());
    const double nominal = survey.nominalDiameter;
    s.gradedOnDeformation = nominal > 0;

    // The kept, measured records in chainage order.
    std::vector<std::uint32_t> order;
    for (const std::uint32_t i : survey.kept) {
        if (pings[i].measured()) order.push_back(i);
    }
    s.measured = static_cast<std::int64_t>(std::count_if(
        pings.begin(), pings.end(), [](const SurveyPing& p) { return p.measured(); }));
    if (!survey.kept.empty()) {
        s.startChainage = pings[survey.kept.front()].chainage;
        s.endChainage = pings[survey.kept.back()].chainage;
        s.lengthSurveyed = s.endChainage - s.startChainage;
        // Along the survey, the chainage the crawler left from comes first.
        if (survey.record.header.againstFlow()) std::swap(s.startChainage, s.endChainage);
    }
    if (order.empty()) return;

    const auto keepWorst = [](SurveyWorst& w, double value, double u, const SurveyPing& p) {
        if (std::isnan(value) || (w.found && value <= w.value)) return;
        w = SurveyWorst{true, value, u, p.chainage, p.filePosition};
    };
    double diameterSum = 0.0, uncertaintySum = 0.0;
    for (const std::uint32_t i : order) {
        const SurveyPing& p = pings[i];
        const double u = p.diameterUncertainty;
        if (nominal > 0) keepWorst(s.deformation, p.deformation, 100.0 * u / nominal, p);
        keepWorst(s.ovalityQ, p.ovalityQ, 100.0 * u / p.meanDiameter, p);
        keepWorst(s.ovalitySpread, p.ovalitySpread, 100.0 * std::sqrt(2.0) * u / p.meanDiameter, p);
        diameterSum += p.meanDiameter;
        uncertaintySum += u;
    }
    s.meanDiameter = diameterSum / static_cast<double>(order.size());
    s.meanDiameterUncertainty = uncertaintySum / static_cast<double>(order.size());

    const auto graded = [&](const SurveyPing& p) {
        return double(s.gradedOnDeformation ? p.deformation : p.ovalityQ);
    };
    const SurveyWorst& worst = s.gradedOnDeformation ? s.deformation : s.ovalityQ;
    const GradingLimits& limits = survey.limits;
    s.verdict = !worst.found                     ? Verdict::None
                : worst.value >= limits.fail     ? Verdict::Fail
                : worst.value >= limits.evaluate ? Verdict::Evaluate
                                                 : Verdict::Pass;

    // Each record stands for the chainage halfway to its neighbours.
    for (std::size_t k = 0; k < order.size(); ++k) {
        const double here = pings[order[k]].chainage;
        const double left = k > 0 ? (here + pings[order[k - 1]].chainage) / 2 : here;
        const double right =
            k + 1 < order.size() ? (here + pings[order[k + 1]].chainage) / 2 : here;
        const double g = graded(pings[order[k]]);
        if (g >= limits.evaluate) s.lengthBeyondEvaluate += right - left;
        if (g >= limits.fail) s.lengthBeyondFail += right - left;
    }

    // Sediment volume: the area integrated along the chainage (trapezoids),
    // each trapezoid shared among the metres it spans.
    const double first = std::floor(static_cast<double>(pings[order.front()].chainage));
    const double last = pings[order.back()].chainage;
    const std::size_t metres = static_cast<std::size_t>(last - first) + 1;
    survey.perMetre.resize(metres);
    for (std::size_t m = 0; m < metres; ++m) survey.perMetre[m].from = first + double(m);
    const auto areaOf = [](const SurveyPing& p) {
        return std::isnan(p.sedimentArea) ? 0.0 : double(p.sedimentArea);
    };
    for (std::size_t k = 0; k + 1 < order.size(); ++k) {
        const SurveyPing& a = pings[order[k]];
        const SurveyPing& b = pings[order[k + 1]];
        double x0 = a.chainage;
        const double x1 = b.chainage;
        const double a0 = areaOf(a), a1 = areaOf(b);
        if (!(x1 > x0)) continue;
        while (x0 < x1) {
            const auto m = static_cast<std::size_t>(std::floor(x0) - first);
            const double end = std::min(x1, first + double(m) + 1.0);
            const double f0 = a0 + (a1 - a0) * (x0 - a.chainage) / (x1 - a.chainage);
            const double f1 = a0 + (a1 - a0) * (end - a.chainage) / (x1 - a.chainage);
            const double v = (f0 + f1) / 2 * (end - x0);
            if (m < metres) survey.perMetre[m].volume += v;
            s.sedimentVolume += v;
            x0 = end;
        }
    }
    for (const std::uint32_t i : order) {
        const SurveyPing& p = pings[i];
        MetreRow& row =
            survey.perMetre[std::min(metres - 1, static_cast<std::size_t>(p.chainage - first))];
        const auto add = [&](double& sum, double v) { sum = std::isnan(sum) ? v : sum + v; };
        const auto most = [](double& m, double v) {
            if (!std::isnan(v) && (std::isnan(m) || v > m)) m = v;
        };
        ++row.records;
        add(row.meanDiameter, p.meanDiameter);
        add(row.meanDiameterUncertainty, p.diameterUncertainty);
        add(row.sedimentArea, areaOf(p));
        most(row.deformation, p.deformation);
        most(row.ovalityQ, p.ovalityQ);
    }
    for (MetreRow& row : survey.perMetre) {
        if (row.records == 0) continue;
        row.meanDiameter /= row.records;
        row.meanDiameterUncertainty /= row.records;
        row.sedimentArea /= row.records;
    }
    if (s.lengthSurveyed > 0) {
        s.volumePerMetre = s.sedimentVolume / s.lengthSurveyed;
        if (nominal > 0) {
            s.capacityLoss = 100.0 * s.sedimentVolume /
                             (std::numbers::pi * nominal * nominal / 4 * s.lengthSurveyed);
        }
        if (const std::optional<double> unit = survey.record.header.number(kSurveyUnitLength)) {
            s.volumePerUnit = s.volumePerMetre * *unit;
        }
    }
}

std::optional<Calibration> calibrate(const Survey& survey, double from, double to,
                                     double knownDiameter, std::string& problem) {
    if (!(knownDiameter >= kMinNominalDiameter && knownDiameter <= kMaxNominalDiameter)) {
        problem = "the known diameter must lie between 0.01 and 50 m";
        return std::nullopt;
    }
    const double lo = std::min(from, to), hi = std::max(from, to);
    double sum = 0.0, squares = 0.0, velocity = 0.0;
    int n = 0;
    for (const std::uint32_t i : survey.kept) {
        const SurveyPing& p = survey.pings[i];
        if (!p.measured() || p.chainage < lo || p.chainage > hi) continue;
        sum += p.meanDiameter;
        squares += double(p.meanDiameter) * p.meanDiameter;
        velocity += p.soundVelocity;
        ++n;
    }
    if (n < 3) {
        problem = "fewer than 3 measured records lie between chainage " + formatFixed(lo, 2) +
                  " and " + formatFixed(hi, 2) + " m";
        return std::nullopt;
    }
    const double mean = sum / n;
    const double spread = std::sqrt(std::max(0.0, squares / n - mean * mean) * n / (n - 1));
    Calibration c;
    c.applied = true;
    c.velocityBefore = velocity / n;
    c.soundVelocity = c.velocityBefore * knownDiameter / mean;
    // The mean's standard error, as a share of it, is the velocity's.
    c.velocityUncertainty = c.soundVelocity * spread / (mean * std::sqrt(double(n)));
    c.knownDiameter = knownDiameter;
    c.measuredDiameter = mean;
    c.from = lo;
    c.to = hi;
    if (!(c.soundVelocity >= 750.0 && c.soundVelocity <= 2250.0)) {
        problem = "the stretch would need a sound velocity of " + formatFixed(c.soundVelocity, 1) +
                  " m/s, beyond 750 to 2250 m/s: is the diameter right?";
        return std::nullopt;
    }
    return c;
}

}  // namespace sondrel
