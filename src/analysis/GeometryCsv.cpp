#include "analysis/GeometryCsv.h"

#include <cstdio>

#include "acquisition/SondrelDoc.h"
#include "analysis/GeometryPoints.h"
#include "display/ProfilePass.h"
#include "recording/BinaryFile.h"

namespace sondrel {

namespace {

constexpr std::string_view kHeader =
    "record,date,time,distance_m,pitch_deg,roll_deg,points_used,centre_x_m,centre_y_m,"
    "mean_diameter_m,min_diameter_m,max_diameter_m,ovality_pct,deformation_pct,area_m2,"
    "area_loss_pct,sediment_depth_m,rms_residual_m,quality\r\n";

void appendNumber(std::string& out, const char* format, double value) {
    char text[64];
    const int n = std::snprintf(text, sizeof text, format, value);
    if (n > 0) out.append(text, static_cast<std::size_t>(std::min<int>(n, sizeof text - 1)));
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
    appendNumber(out, "%.3f", row.distance);
    out += ',';
    appendNumber(out, "%.2f", row.pitch);
    out += ',';
    appendNumber(out, "%.2f", row.roll);
    out += ',';
    if (g.ok()) {
        out += std::to_string(g.pointsUsed);
        for (const auto& [format, value] :
             {std::pair{"%.4f", g.ellipse.valid ? g.ellipse.centreX : g.circle.centreX},
              std::pair{"%.4f", g.ellipse.valid ? g.ellipse.centreY : g.circle.centreY},
              std::pair{"%.4f", g.meanDiameter}, std::pair{"%.4f", g.minDiameter},
              std::pair{"%.4f", g.maxDiameter}, std::pair{"%.2f", g.ovalityPercent},
              std::pair{"%.2f", g.deformationPercent}, std::pair{"%.5f", g.area},
              std::pair{"%.2f", g.areaLossPercent}, std::pair{"%.4f", g.sedimentDepth},
              std::pair{"%.5f", g.rmsResidual}}) {
            out += ',';
            appendNumber(out, format, value);
        }
    } else {
        out += ",,,,,,,,,,,";
    }
    out += ',';
    out += geometryQualityText(g.quality);
    out += "\r\n";
}

ConversionResult writeGeometryCsv(CSondrelDoc& doc, const std::string& input,
                                  const std::string& output, double nominalDiameter,
                                  const ConversionProgress& progress) {
    BinaryFile in;
    std::int64_t length = 0;
    if (ConversionResult opened = openDataFile(in, input, length); !opened.ok()) return opened;
    if (sameFile(input, output)) {
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

    const int wasPlaying = doc.playbackActive;
    doc.playbackActive = 1;
    doc.holdActive = 0;
    doc.fileLength = length;
    doc.echoLong.fill(0);
    doc.pingCount = 0;

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
    PipeAnalyser analyser;
    GeometryRow row;
    walkRecords(
        doc, in, input, length, result,
        [&] {
            runProfilePass(doc, path, &points);
            row.record = result.summary.recordsRead + result.summary.recordsSkipped;
            row.date = doc.dateText;
            row.time = doc.timeText + doc.millisecondText;
            row.distance = doc.distanceM;
            row.pitch = doc.pitchDeg;
            row.roll = doc.rollDeg;
            row.geometry = analyser.analyse(points.points(), nominalDiameter);
            appendGeometryCsvRow(buffer, row);
            ++result.summary.pointsWritten;
            if (buffer.size() >= kFlushAt) flush();
            return !failed;
        },
        progress);
    flush();
    if (!out.close()) failed = true;
    doc.playbackActive = wasPlaying;

    if (failed) {
        result.error = ConversionError::OutputUnwritable;
        result.message = output + ": write failed: " + out.errorText();
    } else if (result.ok() && result.summary.recordsRead == 0 &&
               result.summary.recordsSkipped == 0 && !result.summary.stoppedAtUnsizableRecord) {
        result.error = ConversionError::InputEmpty;
        result.message = input + ": holds no complete record";
    }
    return result;
}

}  // namespace sondrel
