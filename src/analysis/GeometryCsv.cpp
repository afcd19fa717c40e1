#include "analysis/GeometryCsv.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string_view>
#include <thread>
#include <tuple>
#include <vector>

#include "acquisition/SondrelDoc.h"
#include "analysis/GeometryPoints.h"
#include "analysis/GeometrySeries.h"
#include "display/ProfilePass.h"
#include "recording/BinaryFile.h"

namespace sondrel {

namespace {

constexpr std::string_view kHeader =
    "record,date,time,distance_m,pitch_deg,roll_deg,points_used,centre_x_m,centre_y_m,"
    "mean_diameter_m,min_diameter_m,max_diameter_m,ovality_pct,deformation_pct,area_m2,"
    "area_loss_pct,sediment_depth_m,rms_residual_m,quality,nominal_diameter_m,ovality_"
    "definition,chainage_m,chainage_estimated\r\n";

// `value` with `decimals` decimals, as "%.*f" prints it: both give the exact
// decimal value rounded, so the digits are the same, without the format
// parsing and locale of the C library. The table has always cut a number at
// 63 characters, which only an absurd value of a damaged record reaches.
void appendNumber(std::string& out, int decimals, double value) {
    char text[400];  // the longest double with five decimals takes 316
    const auto [end, error] =
        std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
    if (error != std::errc()) return;
    out.append(text, std::min<std::size_t>(static_cast<std::size_t>(end - text), 63));
}

// A time or date text never holds a comma or a quote, but a damaged record may
// hold anything: such characters are dropped rather than break the table.
void appendText(std::string& out, std::string_view text) {
    for (char c : text) {
        if (c != ',' && c != '"' && c != '\r' && c != '\n') out += c;
    }
}

}  // namespace

std::string_view geometryCsvHeader() {
    return kHeader;
}

void appendGeometryCsvRow(std::string& out, const GeometryRow& row) {
    const PipeGeometry& g = row.geometry;
    out += std::to_string(row.record);
    out += ',';
    appendText(out, row.date);
    out += ',';
    appendText(out, row.time);
    out += ',';
    if (std::isfinite(row.distance)) appendNumber(out, 3, row.distance);
    out += ',';
    appendNumber(out, 2, row.pitch);
    out += ',';
    appendNumber(out, 2, row.roll);
    out += ',';
    if (g.measured()) {
        // Without a nominal diameter, deformation and area loss are no figures.
        const bool nominal = g.ok();
        out += std::to_string(g.pointsUsed);
        for (const auto& [decimals, value, given] :
             {std::tuple{4, g.ellipse.valid ? g.ellipse.centreX : g.circle.centreX, true},
              std::tuple{4, g.ellipse.valid ? g.ellipse.centreY : g.circle.centreY, true},
              std::tuple{4, g.meanDiameter, true}, std::tuple{4, g.minDiameter, true},
              std::tuple{4, g.maxDiameter, true}, std::tuple{2, g.ovalityPercent, true},
              std::tuple{2, g.deformationPercent, nominal}, std::tuple{5, g.area, true},
              std::tuple{2, g.areaLossPercent, nominal}, std::tuple{4, g.sedimentDepth, true},
              std::tuple{5, g.rmsResidual, true}}) {
            out += ',';
            if (given) appendNumber(out, decimals, value);
        }
    } else {
        out += ",,,,,,,,,,,";
    }
    out += ',';
    out += geometryQualityText(g.quality);
    out += ',';
    if (g.ok()) appendNumber(out, 3, g.nominalDiameter);
    out += ',';
    if (g.measured()) out += ovalityDefinitionText(g.ovalityBasis);
    out += ',';
    if (std::isfinite(row.chainage)) {
        appendNumber(out, 3, row.chainage);
        out += row.chainageEstimated ? ",1" : ",0";
    } else {
        out += ',';
    }
    out += "\r\n";
}

namespace {

// One record as the profile pass left it: its row, the figures still to be
// measured, and its points.
struct PendingRow {
    GeometryRow row;
    std::vector<GeometryPoint> points;
};

// Records measured together, so that the threads meet once a batch rather
// than once a record. The text holds the batch's rows once measured.
struct Batch {
    enum class State { Filling, Pending, Taken, Done };
    std::vector<PendingRow> rows;
    std::size_t count = 0;
    std::string text;
    State state = State::Filling;
};

constexpr std::size_t kBatchRecords = 32;

// Measures the records handed to it on worker threads and on the calling
// thread, and hands the rows to `write` in record order. The rows of a record
// depend on nothing but that record, so they are the same bytes whatever
// thread measured them.
class RowPipeline {
  public:
    RowPipeline(const GeometrySettings& settings, unsigned threads,
                std::function<bool(std::string_view)> write)
        : nominal_(settings.nominalDiameter),
          basis_(settings.chosenOvalityBasis()),
          write_(std::move(write)) {
        const unsigned workers = threads > 1 ? threads - 1 : 0;
        // Enough batches ahead to keep every thread busy while the calling
        // thread reads, few enough to bound the memory.
        helpFrom_ = 2 * workers + 2;
        waitFrom_ = 8 * workers + 8;
        for (unsigned i = 0; i < workers; ++i) threads_.emplace_back([this] { work(); });
        filling_ = freshBatch();
    }
    ~RowPipeline() { stop(); }
    RowPipeline(const RowPipeline&) = delete;
    RowPipeline& operator=(const RowPipeline&) = delete;

    // The slot for the next record, to be filled and then committed.
    PendingRow& next() {
        if (filling_->rows.size() <= filling_->count) filling_->rows.emplace_back();
        return filling_->rows[filling_->count];
    }
    // Takes the filled slot; false once writing has failed.
    bool commit() {
        if (++filling_->count == kBatchRecords) submit();
        return !failed_;
    }
    // Measures and writes everything committed; false when writing failed.
    bool finish() {
        if (filling_->count > 0) submit();
        while (true) {
            std::unique_lock lock(mutex_);
            if (queue_.empty()) break;
            settleFront(lock);
        }
        stop();
        return !failed_;
    }

  private:
    std::unique_ptr<Batch> freshBatch() {
        std::unique_ptr<Batch> batch;
        {
            const std::lock_guard lock(mutex_);
            if (!spare_.empty()) {
                batch = std::move(spare_.back());
                spare_.pop_back();
            }
        }
        if (!batch) batch = std::make_unique<Batch>();
        batch->count = 0;
        batch->text.clear();
        batch->state = Batch::State::Filling;
        return batch;
    }

    void measure(Batch& batch, PipeAnalyser& analyser) const {
        for (std::size_t i = 0; i < batch.count; ++i) {
            PendingRow& pending = batch.rows[i];
            pending.row.geometry = analyser.analyse(pending.points, nominal_, basis_);
            appendGeometryCsvRow(batch.text, pending.row);
        }
    }

    Batch* firstPending() {
        for (const auto& batch : queue_) {
            if (batch->state == Batch::State::Pending) return batch.get();
        }
        return nullptr;
    }

    void submit() {
        if (threads_.empty()) {
            measure(*filling_, analyser_);
            writeOut(*filling_);
            filling_->count = 0;
            filling_->text.clear();
            return;
        }
        {
            std::unique_lock lock(mutex_);
            filling_->state = Batch::State::Pending;
            queue_.push_back(std::move(filling_));
            workReady_.notify_one();
            // Rows measured are written at once; past a few batches ahead the
            // calling thread measures too, and it waits for a worker only
            // when that thread is behind by many: on a busy machine a worker
            // may not run for a while, and the reading goes on meanwhile.
            while (!queue_.empty() && queue_.front()->state == Batch::State::Done) {
                settleFront(lock);
            }
            while (queue_.size() >= helpFrom_ && firstPending()) settleFront(lock);
            while (queue_.size() >= waitFrom_) settleFront(lock);
        }
        filling_ = freshBatch();
    }

    // Writes the first batch once it is measured, measuring a waiting batch
    // meanwhile rather than idling. Called with the lock held, which it
    // releases while it works.
    void settleFront(std::unique_lock<std::mutex>& lock) {
        if (queue_.front()->state != Batch::State::Done) {
            if (Batch* pending = firstPending()) {
                pending->state = Batch::State::Taken;
                lock.unlock();
                measure(*pending, analyser_);
                lock.lock();
                pending->state = Batch::State::Done;
                return;
            }
            batchDone_.wait(lock, [&] { return queue_.front()->state == Batch::State::Done; });
        }
        std::unique_ptr<Batch> done = std::move(queue_.front());
        queue_.pop_front();
        lock.unlock();
        writeOut(*done);
        lock.lock();
        spare_.push_back(std::move(done));
    }

    void writeOut(const Batch& batch) {
        if (!failed_ && !batch.text.empty() && !write_(batch.text)) failed_ = true;
    }

    void work() {
        PipeAnalyser analyser;
        std::unique_lock lock(mutex_);
        while (true) {
            workReady_.wait(lock, [&] { return stopping_ || firstPending() != nullptr; });
            if (stopping_) return;
            Batch* batch = firstPending();
            batch->state = Batch::State::Taken;
            lock.unlock();
            measure(*batch, analyser);
            lock.lock();
            batch->state = Batch::State::Done;
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

    const double nominal_;
    const OvalityBasis basis_;
    const std::function<bool(std::string_view)> write_;
    std::size_t helpFrom_ = 2, waitFrom_ = 2;
    bool failed_ = false;    // only the calling thread writes and reads it
    PipeAnalyser analyser_;  // the calling thread's
    std::unique_ptr<Batch> filling_;

    std::mutex mutex_;
    std::condition_variable workReady_, batchDone_;
    std::deque<std::unique_ptr<Batch>> queue_;  // in record order
    std::vector<std::unique_ptr<Batch>> spare_;
    bool stopping_ = false;
    std::vector<std::thread> threads_;
};

unsigned threadsFor(unsigned asked) {
    if (asked > 0) return asked;
    return std::clamp(std::thread::hardware_concurrency(), 1U, 8U);
}

}  // namespace

ConversionResult writeGeometryCsv(CSondrelDoc& doc, const std::string& input,
                                  const std::string& output, const GeometrySettings& settings,
                                  const ConversionProgress& progress, unsigned threads,
                                  const GeometryRowPlacer& place) {
    BinaryFile in;
    std::int64_t length = 0;
    if (ConversionResult opened = openDataFile(in, input, length); !opened.ok()) return opened;
    if (sameInode(input, output)) {
        ConversionResult result;
        result.error = ConversionError::SameFile;
        result.message = output + ": is the input file itself; choose another output";
        return result;
    }
    BinaryFile out;
    if (!out.create(output)) {
        ConversionResult result;
        result.error = ConversionError::OutputUnwritable;
        result.message = output + ": cannot create: " + out.errorText();
        return result;
    }

    const bool wasPlaying = startWindowlessPlay(doc);

    std::string buffer(geometryCsvHeader());
    constexpr std::size_t kFlushAt = 1 << 16;
    bool failed = false;
    const auto flush = [&] {
        if (!failed && !buffer.empty() && !out.write(buffer.data(), buffer.size())) failed = true;
        buffer.clear();
    };

    ConversionResult result;
    ProfilePath path;
    GeometryPointCollector points(doc);
    {
        RowPipeline rows(settings, threadsFor(threads), [&](std::string_view text) {
            buffer.append(text);
            if (buffer.size() >= kFlushAt) flush();
            return !failed;
        });
        walkRecords(
            doc, in, input, length, result,
            [&] {
                runProfilePass(doc, path, &points);
                PendingRow& pending = rows.next();
                GeometryRow& row = pending.row;
                row.record = result.summary.recordsRead + result.summary.recordsSkipped;
                row.date = doc.ping.dateText;
                row.time = doc.ping.timeText;
                row.time += doc.ping.millisecondText;
                row.distance = travelledDistance(doc);
                row.pitch = doc.orientationOnShow().pitchDeg;
                row.roll = doc.orientationOnShow().rollDeg;
                if (place) place(row);
                const std::span<const GeometryPoint> measured = points.points();
                pending.points.assign(measured.begin(), measured.end());
                ++result.summary.pointsWritten;
                return rows.commit();
            },
            progress);
        if (!rows.finish()) failed = true;
    }
    flush();
    // A name that went away with its folder takes the table with it.
    const bool reachable = failed || out.stillAtItsName();
    if (!out.close() || !reachable) failed = true;
    doc.flags.playbackActive = wasPlaying;

    if (failed) {
        result.error = ConversionError::OutputUnwritable;
        result.message =
            output + ": write failed: " + (reachable ? out.errorText() : kRemovedWhileWritten);
        discardPartialOutput(output, result);
    } else if (result.ok() && result.summary.recordsRead == 0 &&
               result.summary.recordsSkipped == 0 && !result.summary.stoppedAtUnsizableRecord) {
        result.error = ConversionError::InputEmpty;
        result.message = input + ": holds no complete record";
    }
    return result;
}

}  // namespace sondrel
