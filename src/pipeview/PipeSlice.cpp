#include "pipeview/PipeSlice.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <numbers>
#include <thread>

#include "acquisition/SondrelDoc.h"
#include "analysis/GeometrySeries.h"
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
// than once a ping.
struct SliceBatch {
    enum class State { Filling, Pending, Taken, Done };
    std::vector<PipeSlice> slices;
    std::size_t count = 0;
    State state = State::Filling;
};

constexpr std::size_t kBatchSlices = 32;

// Measures the slices handed to it on worker threads and on the calling
// thread, and hands them to the sink in order on the calling thread.
class MeasuringPipeline {
  public:
    MeasuringPipeline(const SliceSettings& settings, unsigned threads, const SliceSink& sink)
        : settings_(settings), sink_(sink), measurer_(settings) {
        const unsigned workers = threads > 1 ? threads - 1 : 0;
        // Enough batches ahead to keep every thread busy, few enough to bound
        // the memory; past them the calling thread measures too.
        helpFrom_ = 2 * workers + 2;
        waitFrom_ = 8 * workers + 8;
        for (unsigned i = 0; i < workers; ++i) threads_.emplace_back([this] { work(); });
        filling_ = freshBatch();
    }
    ~MeasuringPipeline() { stop(); }
    MeasuringPipeline(const MeasuringPipeline&) = delete;
    MeasuringPipeline& operator=(const MeasuringPipeline&) = delete;

    PipeSlice& next() {
        if (filling_->slices.size() <= filling_->count) filling_->slices.emplace_back();
        return filling_->slices[filling_->count];
    }
    // Takes the filled slot; false once the sink has said stop.
    bool commit() {
        if (++filling_->count == kBatchSlices) submit();
        return !stopped_;
    }
    void finish() {
        if (filling_->count > 0) submit();
        while (true) {
            std::unique_lock lock(mutex_);
            if (queue_.empty()) break;
            settleFront(lock);
        }
        stop();
    }

  private:
    std::unique_ptr<SliceBatch> freshBatch() {
        std::unique_ptr<SliceBatch> batch;
        {
            const std::lock_guard lock(mutex_);
            if (!spare_.empty()) {
                batch = std::move(spare_.back());
                spare_.pop_back();
            }
        }
        if (!batch) batch = std::make_unique<SliceBatch>();
        batch->count = 0;
        batch->state = SliceBatch::State::Filling;
        return batch;
    }

    static void measure(SliceBatch& batch, SliceMeasurer& measurer) {
        for (std::size_t i = 0; i < batch.count; ++i) measurer.measure(batch.slices[i]);
    }

    void deliver(const SliceBatch& batch) {
        for (std::size_t i = 0; i < batch.count && !stopped_; ++i) {
            if (!sink_(batch.slices[i])) stopped_ = true;
        }
    }

    SliceBatch* firstPending() {
        for (const auto& batch : queue_) {
            if (batch->state == SliceBatch::State::Pending) return batch.get();
        }
        return nullptr;
    }

    void submit() {
        if (threads_.empty()) {
            measure(*filling_, measurer_);
            deliver(*filling_);
            filling_->count = 0;
            return;
        }
        {
            std::unique_lock lock(mutex_);
            filling_->state = SliceBatch::State::Pending;
            queue_.push_back(std::move(filling_));
            workReady_.notify_one();
            while (!queue_.empty() && queue_.front()->state == SliceBatch::State::Done) {
                settleFront(lock);
            }
            while (queue_.size() >= helpFrom_ && firstPending()) settleFront(lock);
            while (queue_.size() >= waitFrom_) settleFront(lock);
        }
        filling_ = freshBatch();
    }

    // Hands over the first batch once it is measured, measuring a waiting
    // batch meanwhile rather than idling. Called with the lock held, which it
    // releases while it works.
    void settleFront(std::unique_lock<std::mutex>& lock) {
        if (queue_.front()->state != SliceBatch::State::Done) {
            if (SliceBatch* pending = firstPending()) {
                pending->state = SliceBatch::State::Taken;
                lock.unlock();
                measure(*pending, measurer_);
                lock.lock();
                pending->state = SliceBatch::State::Done;
                return;
            }
            batchDone_.wait(lock, [&] { return queue_.front()->state == SliceBatch::State::Done; });
        }
        std::unique_ptr<SliceBatch> done = std::move(queue_.front());
        queue_.pop_front();
        lock.unlock();
        deliver(*done);
        lock.lock();
        spare_.push_back(std::move(done));
    }

    void work() {
        SliceMeasurer measurer(settings_);
        std::unique_lock lock(mutex_);
        while (true) {
            workReady_.wait(lock, [&] { return stopping_ || firstPending() != nullptr; });
            if (stopping_) return;
            SliceBatch* batch = firstPending();
            batch->state = SliceBatch::State::Taken;
            lock.unlock();
            measure(*batch, measurer);
            lock.lock();
            batch->state = SliceBatch::State::Done;
            batchDone_.notify_all();
        }
    }

    void stop() {
        {
            const std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        workReady_.notify_all();
        for (std::thread& t : threads_) t.join();
        threads_.clear();
    }

    const SliceSettings settings_;
    const SliceSink& sink_;
    SliceMeasurer measurer_;  // the calling thread's
    std::size_t helpFrom_ = 2, waitFrom_ = 2;
    bool stopped_ = false;  // only the calling thread writes and reads it
    std::unique_ptr<SliceBatch> filling_;

    std::mutex mutex_;
    std::condition_variable workReady_, batchDone_;
    std::deque<std::unique_ptr<SliceBatch>> queue_;  // in record order
    std::vector<std::unique_ptr<SliceBatch>> spare_;
    bool stopping_ = false;
    std::vector<std::thread> threads_;
};

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
        MeasuringPipeline slices(settings, threadsFor(threads), sink);
        walkRecords(
            doc, in, input, length, result,
            [&] {
                runProfilePass(doc, path, &maker);
                const ConversionSummary& s = result.summary;
                maker.take(s.recordsRead + s.recordsSkipped, slices.next());
                if (!slices.commit()) stopped = true;
                if (cancelled && cancelled()) cancel = true;
                return !stopped && !cancel;
            },
            progress);
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
