#include "analysis/GeometryCsv.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string_view>
#include <thread>
#include <tuple>
#include <vector>

#include "acquisition/SondrelDoc.h"
#include "analysis/GeometryPoints.h"
#include "analysis/GeometrySeries.h"
#include "common/OrderedPipeline.h"
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
// than once a record. The rows keep their buffers from batch to batch; the
// text holds the batch's rows once measured.
struct RowBatch {
    std::vector<PendingRow> rows;
    std::size_t count = 0;
    std::string text;

    PendingRow& next() {
        if (rows.size() <= count) rows.emplace_back();
        return rows[count];
    }
    void clear() {
        count = 0;
        text.clear();
    }
};

constexpr std::size_t kBatchRecords = 32;

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
        // The rows of a record depend on nothing but that record, so they are
        // the same bytes whatever thread measured them.
        const double nominal = settings.nominalDiameter;
        const OvalityBasis basis = settings.chosenOvalityBasis();
        OrderedPipeline<RowBatch, PipeAnalyser> rows(
            threadsFor(threads), [] { return PipeAnalyser(); },
            [nominal, basis](RowBatch& batch, PipeAnalyser& analyser) {
                for (std::size_t i = 0; i < batch.count; ++i) {
                    PendingRow& pending = batch.rows[i];
                    pending.row.geometry = analyser.analyse(pending.points, nominal, basis);
                    appendGeometryCsvRow(batch.text, pending.row);
                }
            },
            [&](RowBatch& batch) {
                buffer.append(batch.text);
                if (buffer.size() >= kFlushAt) flush();
                return !failed;
            });
        walkRecords(
            doc, in, input, length, result,
            [&] {
                runProfilePass(doc, path, &points);
                RowBatch& batch = rows.filling();
                PendingRow& pending = batch.next();
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
                if (++batch.count == kBatchRecords) rows.submit();
                return !rows.stopped();
            },
            progress);
        if (rows.filling().count > 0) rows.submit();
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
