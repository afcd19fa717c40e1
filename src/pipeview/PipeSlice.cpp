#include "pipeview/PipeSlice.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <numbers>
#include <thread>

#include "acquisition/SondrelDoc.h"
#include "analysis/GeometrySeries.h"
#include "common/OrderedPipeline.h"
#include "recording/BinaryFile.h"

namespace sondrel {

double PipeSlice::clockDegreesOf(double x, double y) const {
    double c = std::atan2(x - centreX, y - centreY) * 180.0 / std::numbers::pi;
    if (c < 0) c += 360.0;
    return c >= 360.0 ? 0.0 : c;
}

bool PipeSlice::underSediment(double clockDegrees) const {
    if (!sedimentLevel || !std::isfinite(radius)) return false;
    const double wallY = centreY + radius * std::cos(clockDegrees * std::numbers::pi / 180.0);
    return wallY < *sedimentLevel;
}

namespace {

// Digits of `text` from `from`, `count` of them; -1 when one is not a digit.
int digitsAt(const std::string& text, std::size_t from, std::size_t count) {
    if (text.size() < from + count) return -1;
    int n = 0;
    for (std::size_t i = from; i < from + count; ++i) {
        const char c = text[i];
        if (c < '0' || c > '9') return -1;
        n = n * 10 + (c - '0');
    }
    return n;
}

}  // namespace

double stampSeconds(const std::string& date, const std::string& time,
                    const std::string& milliseconds) {
    static constexpr const char* kMonths[] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                              "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
    const int day = digitsAt(date, 0, 2), year = digitsAt(date, 7, 4);
    unsigned month = 0;
    for (unsigned m = 0; m < 12 && date.size() >= 6; ++m) {
        if (date.compare(3, 3, kMonths[m]) == 0) month = m + 1;
    }
    const int h = digitsAt(time, 0, 2), m = digitsAt(time, 3, 2), s = digitsAt(time, 6, 2);
    if (day < 0 || year < 0 || month == 0 || h < 0 || m < 0 || s < 0) return kNoValue;
    const std::chrono::year_month_day ymd{std::chrono::year(year), std::chrono::month(month),
                                          std::chrono::day(static_cast<unsigned>(day))};
    if (!ymd.ok()) return kNoValue;
    const double days = std::chrono::sys_days(ymd).time_since_epoch().count();
    double seconds = days * 86400.0 + h * 3600.0 + m * 60.0 + s;
    // ".120": thousandths after the point, when they are digits.
    if (const int ms = digitsAt(milliseconds, 1, 3); ms >= 0 && milliseconds[0] == '.') {
        seconds += ms / 1000.0;
    }
    return seconds;
}

SliceMaker::SliceMaker(const CSondrelDoc& doc, SliceSettings settings,
                       const ChainageSource& chainage)
    : doc_(doc), chainage_(chainage), measurer_(settings) {
    points_.reserve(kProfileSampleCount);
}

void SliceMaker::point(double distancePixels, double angleDegrees) {
    if (fresh_) {
        points_.clear();
        rangeMetres_ = doc_.headOnShow().rangeMetres;
        fresh_ = false;
    }
    // The point of the XYZ export; its z, the distance, is the chainage's business.
    const XyzPoint p = xyzPointFor(distancePixels, axes_.axesFor(angleDegrees), rangeMetres_, 0.0);
    double wrapped = std::fmod(angleDegrees, 360.0);
    if (wrapped < 0) wrapped += 360.0;
    // A hair below 360 is 360 in single precision, which is 0.
    float angle = static_cast<float>(wrapped);
    if (angle >= 360.0f) angle = 0.0f;
    points_.push_back({p.x, p.y, xyzRangeFor(distancePixels, rangeMetres_), angle});
}

void SliceMaker::endOfPing() {
    if (fresh_) points_.clear();  // a ping without points
    fresh_ = true;
}

void SliceMaker::take(std::int64_t record, PipeSlice& slice) {
    slice.record = record;
    slice.filePosition = doc_.ping.filePosition;
    const double stamp =
        stampSeconds(doc_.ping.dateText, doc_.ping.timeText, doc_.ping.millisecondText);
    if (!std::isfinite(firstStamp_)) firstStamp_ = stamp;
    slice.timeS = stamp - firstStamp_;
    const RecordChainage where = chainage_.chainageOf(record, travelledDistance(doc_));
    slice.chainage = where.metres.value_or(kNoValue);
    slice.kept = where.kept;
    slice.points.assign(points_.begin(), points_.end());
}

void SliceMaker::make(std::int64_t record, PipeSlice& slice) {
    take(record, slice);
    measurer_.measure(slice);
}

void SliceMeasurer::measure(PipeSlice& slice) {
    xy_.clear();
    for (const SlicePoint& p : slice.points) xy_.push_back({p.x, p.y});
    const PipeGeometry g = analyser_.analyse(xy_, settings_.nominalDiameter);
    slice.measured = g.measured();
    slice.sedimentLevel = sedimentLevelOf(g);
    if (!slice.measured) {
        slice.centreX = slice.centreY = 0.0;
        slice.radius = kNoValue;
        return;
    }
    const bool head = settings_.centre == WallCentre::Head;
    slice.centreX = head ? 0.0 : g.circle.centreX;
    slice.centreY = head ? 0.0 : g.circle.centreY;
    slice.radius =
        usableNominal(settings_.nominalDiameter) ? settings_.nominalDiameter / 2 : g.circle.radius;
}

namespace {

// Slices measured together, so that the threads meet once a batch rather
// than once a ping. The slices keep their buffers from batch to batch.
struct SliceBatch {
    std::vector<PipeSlice> slices;
    std::size_t count = 0;

    PipeSlice& next() {
        if (slices.size() <= count) slices.emplace_back();
        return slices[count];
    }
    void clear() { count = 0; }
};

constexpr std::size_t kBatchSlices = 32;

unsigned threadsFor(unsigned asked) {
    if (asked > 0) return asked;
    return std::clamp(std::thread::hardware_concurrency(), 1U, 8U);
}

}  // namespace

ConversionResult walkSlices(CSondrelDoc& doc, const std::string& input,
                            const SliceSettings& settings, const ChainageSource& chainage,
                            const SliceSink& sink, const ConversionProgress& progress,
                            const ConversionCancelled& cancelled, unsigned threads) {
    BinaryFile in;
    std::int64_t length = 0;
    ConversionResult result = openDataFile(in, input, length);
    if (!result.ok()) return result;
    const bool wasPlaying = startWindowlessPlay(doc);
    ProfilePath path;
    SliceMaker maker(doc, settings, chainage);
    bool stopped = false, cancel = false;
    {
        OrderedPipeline<SliceBatch, SliceMeasurer> slices(
            threadsFor(threads), [&settings] { return SliceMeasurer(settings); },
            [](SliceBatch& batch, SliceMeasurer& measurer) {
                for (std::size_t i = 0; i < batch.count; ++i) measurer.measure(batch.slices[i]);
            },
            [&sink](SliceBatch& batch) {
                for (std::size_t i = 0; i < batch.count; ++i) {
                    if (!sink(batch.slices[i])) return false;
                }
                return true;
            });
        walkRecords(
            doc, in, input, length, result,
            [&] {
                runProfilePass(doc, path, &maker);
                const ConversionSummary& s = result.summary;
                SliceBatch& batch = slices.filling();
                maker.take(s.recordsRead + s.recordsSkipped, batch.next());
                if (++batch.count == kBatchSlices) slices.submit();
                if (slices.stopped()) stopped = true;
                if (cancelled && cancelled()) cancel = true;
                return !stopped && !cancel;
            },
            progress);
        if (slices.filling().count > 0) slices.submit();
        slices.finish();
    }
    doc.flags.playbackActive = wasPlaying;
    if (cancel && !stopped) {
        result.error = ConversionError::Cancelled;
        result.message = input + ": cancelled";
    } else if (result.ok() && result.summary.recordsRead == 0 &&
               result.summary.recordsSkipped == 0 && !result.summary.stoppedAtUnsizableRecord) {
        result.error = ConversionError::InputEmpty;
        result.message = input + ": holds no complete record";
    }
    return result;
}

}  // namespace sondrel
