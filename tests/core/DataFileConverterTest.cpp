#include "recording/DataFileConverter.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "acquisition/SondrelDoc.h"
#include "recording/RecordFormat.h"
#include "recording/SettingsFile.h"
#include "support/ReceivedBlock.h"
#include "support/TempFolder.h"

namespace sondrel {
namespace {

using test::readBytes;
using test::writeBytes;

using Bytes = std::vector<std::uint8_t>;

class ConverterTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const std::string stem = ::testing::TempDir() + "converter_" + std::to_string(::getpid());
        input = stem + ".qzr";
        output = stem + ".xyz";
    }
    void TearDown() override {
        std::remove(input.c_str());
        std::remove(output.c_str());
    }
    // A document as sondrel-convert prepares it.
    std::unique_ptr<CSondrelDoc> documentWith(const std::string& settings) {
        auto doc = std::make_unique<CSondrelDoc>();
        doc->flags.playbackActive = true;
        loadSettings(*doc, settings);
        return doc;
    }
    // A record with one point at 1 m (250 pixels at 2 m, format 0).
    Bytes goodRecord(int second, bool orientation) {
        auto doc = std::make_unique<CSondrelDoc>();
        doc->ping.dateText = "08-DEC-2026";
        doc->ping.timeText =
            "14:03:" + std::string(second < 10 ? "0" : "") + std::to_string(second);
        doc->ping.hundredthsText = ".12";
        doc->link.prdEnable = orientation ? 1 : 0;
        doc->orientation.distanceM = second;
        doc->orientation.distanceValid = 1;
        const std::uint8_t header[12] = {'Q', 'S', 'Z', 0x10, 0x00, 0, 0x40, 20, 0, 0, 0, 0};
        std::copy(std::begin(header), std::end(header), doc->ping.returnHeader.begin());
        doc->ping.echoLong.fill(0);
        doc->ping.echoLong[0] = 250 & 0x7F;
        doc->ping.echoLong[1] = 250 >> 7;
        RecordBuffer b;
        const std::size_t n = encodeRecord(test::stampedPing(*doc), b);
        return Bytes(b.begin(), b.begin() + static_cast<std::ptrdiff_t>(n));
    }
    std::string input, output;
};

TEST_F(ConverterTest, GoldenFileConvertsToItsHandCheckedPointList) {
    auto doc = documentWith(SONDREL_TEST_DATA "/golden.ini");
    ASSERT_EQ(doc->display.rollCorrection, 1);
    ASSERT_DOUBLE_EQ(doc->head.profileMinRange, 0.05);
    std::vector<std::pair<std::int64_t, std::int64_t>> progress;
    const ConversionResult r = convertDataFile(
        *doc, SONDREL_TEST_DATA "/golden.qzr", output,
        [&](std::int64_t done, std::int64_t total) { progress.emplace_back(done, total); });
    ASSERT_TRUE(r.ok()) << r.message;
    EXPECT_EQ(r.summary.recordsRead, 4);
    EXPECT_EQ(r.summary.recordsSkipped, 1);
    EXPECT_EQ(r.summary.pointsWritten, 15);
    EXPECT_EQ(r.summary.trailingBytes, 2);
    EXPECT_FALSE(r.summary.stoppedAtUnsizableRecord);
    EXPECT_EQ(readBytes(output), readBytes(SONDREL_TEST_DATA "/golden.xyz"));
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.back().first, progress.back().second);
    EXPECT_FALSE(doc->flags.xyzConversionActive);
}

TEST_F(ConverterTest, SettingsShapeThePoints) {
    // Without the settings file's minimum range and roll correction the same
    // records give more points.
    auto doc = std::make_unique<CSondrelDoc>();
    doc->flags.playbackActive = true;
    const ConversionResult r = convertDataFile(*doc, SONDREL_TEST_DATA "/golden.qzr", output);
    ASSERT_TRUE(r.ok()) << r.message;
    EXPECT_GT(r.summary.pointsWritten, 15);
    EXPECT_NE(readBytes(output), readBytes(SONDREL_TEST_DATA "/golden.xyz"));
}

TEST_F(ConverterTest, EachRecordIsWrittenOnceInOrder) {
    Bytes file;
    for (int s = 0; s < 6; ++s) {
        const Bytes r = goodRecord(s, s % 2 == 1);
        file.insert(file.end(), r.begin(), r.end());
    }
    writeBytes(input, file);
    auto doc = std::make_unique<CSondrelDoc>();
    const ConversionResult r = convertDataFile(*doc, input, output);
    ASSERT_TRUE(r.ok()) << r.message;
    EXPECT_EQ(r.summary.recordsRead, 6);
    EXPECT_EQ(r.summary.pointsWritten, 6);
    const std::string text = readBytes(output);
    std::string expected;
    for (int s = 0; s < 6; ++s) {
        // Records without orientation keep the distance of the record before.
        const int z = s % 2 == 1 ? s : (s == 0 ? 0 : s - 1);
        char line[128];
        std::snprintf(line, sizeof line,
                      "08-DEC-2026\t14:03:%02d.120\t  0.000\t -1.000\t% 7.3f\r\n\r\n", s,
                      static_cast<double>(z));
        expected += line;
    }
    EXPECT_EQ(text, expected);
}

TEST_F(ConverterTest, TruncatedLastRecordEndsTheFileAndStrayBytesAreIgnored) {
    const Bytes a = goodRecord(1, false);
    const Bytes b = goodRecord(2, true);
    Bytes file = a;
    file.insert(file.end(), b.begin(), b.begin() + 700);
    writeBytes(input, file);
    auto doc = std::make_unique<CSondrelDoc>();
    ConversionResult r = convertDataFile(*doc, input, output);
    ASSERT_TRUE(r.ok()) << r.message;
    EXPECT_EQ(r.summary.recordsRead, 1);
    EXPECT_EQ(r.summary.trailingBytes, 700);

    file = a;
    file.insert(file.end(), {'Q', 'Z', 'R'});
    writeBytes(input, file);
    r = convertDataFile(*doc, input, output);
    ASSERT_TRUE(r.ok()) << r.message;
    EXPECT_EQ(r.summary.recordsRead, 1);
    EXPECT_EQ(r.summary.trailingBytes, 3);
}

TEST_F(ConverterTest, AnUnsizableRecordStopsTheConversionAndKeepsWhatCameBefore) {
    Bytes file = goodRecord(1, false);
    Bytes bad = goodRecord(2, false);
    bad[3] = 5;
    const Bytes after = goodRecord(3, false);
    const Bytes first = file;
    file.insert(file.end(), bad.begin(), bad.end());
    file.insert(file.end(), after.begin(), after.end());
    writeBytes(input, file);
    auto doc = std::make_unique<CSondrelDoc>();
    const ConversionResult r = convertDataFile(*doc, input, output);
    ASSERT_TRUE(r.ok()) << r.message;
    EXPECT_TRUE(r.summary.stoppedAtUnsizableRecord);
    EXPECT_EQ(r.summary.stopPosition, 1024);
    EXPECT_EQ(r.summary.recordsRead, 1);
    EXPECT_EQ(readBytes(output), "08-DEC-2026\t14:03:01.120\t  0.000\t -1.000\t  0.000\r\n\r\n");
}

TEST_F(ConverterTest, InvalidReturnHeadersAreSkipped) {
    Bytes file;
    for (int s = 0; s < 3; ++s) {
        Bytes r = goodRecord(s, false);
        if (s == 1) r[100] = 'Z';
        file.insert(file.end(), r.begin(), r.end());
    }
    writeBytes(input, file);
    auto doc = std::make_unique<CSondrelDoc>();
    const ConversionResult r = convertDataFile(*doc, input, output);
    ASSERT_TRUE(r.ok()) << r.message;
    EXPECT_EQ(r.summary.recordsRead, 2);
    EXPECT_EQ(r.summary.recordsSkipped, 1);
    EXPECT_EQ(r.summary.pointsWritten, 2);
}

TEST_F(ConverterTest, InputsThatCannotBeConverted) {
    auto doc = std::make_unique<CSondrelDoc>();
    ConversionResult r = convertDataFile(*doc, input + ".missing", output);
    EXPECT_EQ(r.error, ConversionError::InputUnreadable);
    EXPECT_NE(r.message.find("No such file"), std::string::npos) << r.message;

    r = convertDataFile(*doc, ::testing::TempDir(), output);
    EXPECT_EQ(r.error, ConversionError::InputUnreadable);

    // A named pipe nobody writes to and a device are refused at once, by name.
    const std::string pipe = input + ".pipe.qzr";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    for (const std::string& notAFile : {pipe, std::string("/dev/null")}) {
        r = convertDataFile(*doc, notAFile, output);
        EXPECT_EQ(r.error, ConversionError::InputUnreadable);
        EXPECT_EQ(r.message,
                  notAFile + ": cannot open: not a regular file (a pipe, a device or a socket)");
    }
    std::remove(pipe.c_str());

    writeBytes(input, Bytes(99, 'Q'));
    r = convertDataFile(*doc, input, output);
    EXPECT_EQ(r.error, ConversionError::InputEmpty);
    EXPECT_NE(r.message.find("no data"), std::string::npos) << r.message;

    // A header alone is not a record.
    Bytes header = goodRecord(1, false);
    header.resize(100);
    writeBytes(input, header);
    r = convertDataFile(*doc, input, output);
    EXPECT_EQ(r.error, ConversionError::InputEmpty);
    EXPECT_NE(r.message.find("no complete record"), std::string::npos) << r.message;
}

TEST_F(ConverterTest, OutputsThatCannotBeWritten) {
    writeBytes(input, goodRecord(1, false));
    auto doc = std::make_unique<CSondrelDoc>();
    ConversionResult r = convertDataFile(*doc, input, ::testing::TempDir() + "no/such/dir/x.xyz");
    EXPECT_EQ(r.error, ConversionError::OutputUnwritable);

    r = convertDataFile(*doc, input, input);
    EXPECT_EQ(r.error, ConversionError::SameFile);
    EXPECT_EQ(readBytes(input).size(), 1024u) << "the input must survive";

    if (::access("/dev/full", W_OK) == 0) {
        r = convertDataFile(*doc, input, "/dev/full");
        EXPECT_EQ(r.error, ConversionError::OutputUnwritable);
        EXPECT_NE(r.message.find("write failed"), std::string::npos) << r.message;
    }
}

}  // namespace
}  // namespace sondrel
