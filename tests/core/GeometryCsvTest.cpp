// The geometry table of a data file measured on several threads: whatever
// their number, the table must be the very bytes one thread writes, damaged
// records and all, and a failing output must end the run, not hang it.

#include "analysis/GeometryCsv.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "acquisition/SondrelDoc.h"
#include "recording/BinaryFile.h"
#include "recording/RecordFormat.h"
#include "simulation/SimulatedHead.h"
#include "support/FileSizeLimit.h"
#include "support/ReceivedBlock.h"
#include "support/TempFolder.h"

namespace sondrel {
namespace {

using test::readBytes;

GeometrySettings pipeOf(double nominal) {
    GeometrySettings settings;
    settings.nominalDiameter = nominal;
    return settings;
}

constexpr std::size_t kRecordBytes = kRecordSizeWithOrientation;

// A survey of the model pipe, round then oval and silted, with damage: every
// 17th record's return header is garbage (the record is skipped), every 13th
// record's samples are noise, every 29th ping has no return at all, and the
// last record is cut short. Returns the number of whole records.
int writeDamagedSurvey(const std::string& path, int records) {
    const auto doc = test::surveyDocument();
    PipeModel round;
    round.diameter = 0.6;
    round.noise = 0.001;
    PipeModel silted = round;
    silted.ovality = 0.08;
    silted.sediment = 0.07;
    silted.debris = 0.03;
    silted.dropouts = 0.03;
    SimulatedHead roundHead(HeadConfig{}, round), siltedHead(HeadConfig{}, silted);
    BinaryFile file;
    EXPECT_TRUE(file.create(path));
    for (int i = 0; i < records; ++i) {
        SimulatedHead& head = i < records / 2 ? roundHead : siltedHead;
        std::vector<std::uint8_t> block = head.buildBlock(doc->head.command, i * 0.1);
        if (i % 29 == 28) std::fill(block.begin() + 12, block.end(), 0);
        EXPECT_TRUE(test::receiveBlock(*doc, block));
        doc->orientation.distanceM = 0.05 * i;
        doc->orientation.pitchDeg = 0.01 * i;
        doc->orientation.rollDeg = -0.02 * i;
        EXPECT_TRUE(writeRecord(test::stampedPing(*doc), file));
    }
    EXPECT_TRUE(file.close());

    std::string bytes = readBytes(path);
    EXPECT_EQ(bytes.size(), kRecordBytes * static_cast<std::size_t>(records));
    std::mt19937 noise(7);
    for (int i = 0; i < records; ++i) {
        const std::size_t at = kRecordBytes * static_cast<std::size_t>(i);
        if (i % 17 == 16) {
            for (std::size_t k = 0; k < 3; ++k) bytes[at + kRecordReturnHeaderOffset + k] = '#';
        } else if (i % 13 == 12) {
            for (std::size_t k = 0; k < kRecordSampleCount; ++k) {
                bytes[at + kRecordSamplesOffset + k] = static_cast<char>(noise() & 0xFF);
            }
        }
    }
    bytes.resize(bytes.size() - kRecordBytes / 2);
    test::writeBytes(path,
                     std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
    return records - 1;
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t from = 0;
    while (from < text.size()) {
        const std::size_t end = text.find("\r\n", from);
        if (end == std::string::npos) break;
        lines.push_back(text.substr(from, end - from));
        from = end + 2;
    }
    return lines;
}

TEST(GeometryCsvTest, EveryNumberOfThreadsWritesTheBytesOfOne) {
    test::TempFolder dir;
    const std::string qzr = dir.path() + "/survey.qzr";
    // Enough records for many batches, so that threads overtake each other.
    const int whole = writeDamagedSurvey(qzr, 700);

    auto doc = std::make_unique<CSondrelDoc>();
    const ConversionResult one =
        writeGeometryCsv(*doc, qzr, dir.path() + "/1.csv", pipeOf(0.6), {}, 1);
    ASSERT_TRUE(one.ok()) << one.message;
    const int skipped = whole / 17;
    EXPECT_EQ(one.summary.recordsSkipped, skipped);
    EXPECT_EQ(one.summary.recordsRead, whole - skipped);
    EXPECT_EQ(one.summary.pointsWritten, whole - skipped);
    EXPECT_EQ(one.summary.trailingBytes, static_cast<std::int64_t>(kRecordBytes / 2));
    const std::string expected = readBytes(dir.path() + "/1.csv");
    const std::vector<std::string> lines = linesOf(expected);
    ASSERT_EQ(lines.size(), static_cast<std::size_t>(whole - skipped + 1));
    // The table shows the damage: measured rows, rows of noise flagged, and
    // the skipped records missing from the numbering.
    int measured = 0, flagged = 0;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const bool ok = lines[i].find(",ok,0.600,(Dmax - Dmin) / Dnominal") != std::string::npos;
        measured += ok;
        flagged += !ok;
    }
    EXPECT_GT(measured, whole / 2);
    EXPECT_GE(flagged, whole / 29);
    EXPECT_TRUE(lines[16].starts_with("16,"));
    EXPECT_TRUE(lines[17].starts_with("18,"));

    for (const unsigned threads : {2U, 3U, 8U, 0U}) {
        SCOPED_TRACE("threads " + std::to_string(threads));
        auto fresh = std::make_unique<CSondrelDoc>();
        const std::string csv = dir.path() + "/" + std::to_string(threads) + ".csv";
        const ConversionResult r = writeGeometryCsv(*fresh, qzr, csv, pipeOf(0.6), {}, threads);
        ASSERT_TRUE(r.ok()) << r.message;
        EXPECT_EQ(r.summary.recordsRead, one.summary.recordsRead);
        EXPECT_EQ(r.summary.recordsSkipped, one.summary.recordsSkipped);
        EXPECT_EQ(r.summary.pointsWritten, one.summary.pointsWritten);
        EXPECT_EQ(r.summary.trailingBytes, one.summary.trailingBytes);
        EXPECT_TRUE(readBytes(csv) == expected) << "the table differs from one thread's";
    }
}

TEST(GeometryCsvTest, AFailingOutputEndsTheRunOnAnyNumberOfThreads) {
    test::TempFolder dir;
    const std::string qzr = dir.path() + "/survey.qzr";
    // More rows than the first write takes, so that it fails mid-way.
    const int whole = writeDamagedSurvey(qzr, 2000);
    for (const unsigned threads : {1U, 3U}) {
        SCOPED_TRACE("threads " + std::to_string(threads));
        auto doc = std::make_unique<CSondrelDoc>();
        const ConversionResult r =
            writeGeometryCsv(*doc, qzr, "/dev/full", pipeOf(0.6), {}, threads);
        EXPECT_EQ(r.error, ConversionError::OutputUnwritable);
        // The walk stops at the failure rather than measuring the whole file.
        EXPECT_LT(r.summary.recordsRead + r.summary.recordsSkipped, whole);
    }
}

// "%.*f" of a value, the way the table printed its numbers before.
std::string printed(int decimals, double value) {
    char text[64];
    const int n = std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return std::string(text, static_cast<std::size_t>(std::min<int>(n, sizeof text - 1)));
}

TEST(GeometryCsvTest, NumbersReadAsTheCLibraryPrintsThem) {
    // Halves that the binary value puts either side of the rounding point,
    // exact ties (to even), negative values that round to zero, signs of
    // zero, values too large for the column and values that are no number.
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const double values[] = {0.0,    -0.0,    0.125,      0.375,       2.675,      1.005,
                             -1.005, 0.00005, 0.000049,   -0.00001,    -0.0000049, 123.456789,
                             1e-300, 1e20,    -1e300,     1e308,       nan,        -nan,
                             inf,    -inf,    0.59967216, 0.266945813, 1.5,        999.99999};
    for (const double v : values) {
        for (const double other : {v, -v}) {
            GeometryRow row;
            row.record = 42;
            row.date = "09-DEC-2026";
            row.time = "10:00:00.000";
            row.distance = other;
            row.pitch = other;
            row.roll = other;
            PipeGeometry& g = row.geometry;
            g.quality = GeometryQuality::Ok;
            g.pointsUsed = 7;
            g.ellipse.valid = true;
            g.ellipse.centreX = g.ellipse.centreY = g.meanDiameter = g.minDiameter = g.maxDiameter =
                g.ovalityPercent = g.deformationPercent = g.area = g.areaLossPercent =
                    g.sedimentDepth = g.rmsResidual = other;
            g.nominalDiameter = other;
            // A distance that is no number is no reading: an empty field.
            std::string expected = "42,09-DEC-2026,10:00:00.000," +
                                   (std::isfinite(other) ? printed(3, other) : "") + "," +
                                   printed(2, other) + "," + printed(2, other) + ",7";
            for (const int decimals : {4, 4, 4, 4, 4, 2, 2, 5, 2, 4, 5}) {
                expected += "," + printed(decimals, other);
            }
            expected += ",ok," + printed(3, other) + ",(Dmax - Dmin) / Dnominal,,\r\n";
            std::string line;
            appendGeometryCsvRow(line, row);
            EXPECT_EQ(line, expected) << "value " << other;
        }
    }
}

// Without a nominal diameter a ping keeps its diameters, area and sediment
// and an ovality on its mean diameter; deformation, area loss and the nominal
// are empty, and the quality says why; a distance not read is empty too.
TEST(GeometryCsvTest, ARowWithoutANominalSaysSo) {
    GeometryRow row;
    row.record = 3;
    row.distance = std::numeric_limits<double>::quiet_NaN();
    PipeGeometry& g = row.geometry;
    g.quality = GeometryQuality::BadNominal;
    g.ovalityBasis = OvalityBasis::Mean;
    g.pointsUsed = 300;
    g.circle.centreX = 0.01;
    g.meanDiameter = 0.6;
    g.minDiameter = 0.57;
    g.maxDiameter = 0.63;
    g.ovalityPercent = 10.0;
    g.area = 0.28;
    g.sedimentDepth = 0.02;
    g.deformationPercent = g.areaLossPercent = std::numeric_limits<double>::quiet_NaN();
    std::string line;
    appendGeometryCsvRow(line, row);
    EXPECT_EQ(line,
              "3,,,,0.00,0.00,300,0.0100,0.0000,0.6000,0.5700,0.6300,10.00,,0.28000,,0.0200,"
              "0.00000,no valid nominal diameter,,(Dmax - Dmin) / Dmean,,\r\n");
}

// A table the disk could not take is not left behind half written.
TEST(GeometryCsvTest, AFailedTableIsRemoved) {
    test::TempFolder dir;
    const std::string qzr = dir.path() + "/survey.qzr";
    writeDamagedSurvey(qzr, 200);
    auto doc = std::make_unique<CSondrelDoc>();
    // The first rows are taken, then the file may grow no more.
    const std::string csv = dir.path() + "/small.csv";
    testing::FileSizeLimit limit(4096);
    ASSERT_TRUE(limit.ok());
    const ConversionResult r = writeGeometryCsv(*doc, qzr, csv, pipeOf(0.6), {}, 1);
    EXPECT_EQ(r.error, ConversionError::OutputUnwritable);
    EXPECT_NE(r.message.find(kPartialFileRemoved), std::string::npos) << r.message;
    EXPECT_FALSE(std::filesystem::exists(csv));
}

}  // namespace
}  // namespace sondrel
