// The diagnostics rows: their texts, and which rows a refresh rewrites.

#include <gtest/gtest.h>

#include <algorithm>

#include "acquisition/Diagnostics.h"
#include "acquisition/SondrelDoc.h"

namespace sondrel {
namespace {

using R = DiagnosticsRow;

bool contains(const std::vector<R>& rows, R row) {
    return std::ranges::find(rows, row) != rows.end();
}

TEST(Diagnostics, RowsShowTheDocumentInTheirFormats) {
    CSondrelDoc doc;
    doc.ping.headerText = "QSZ";
    doc.ping.headId = 0x10;
    doc.ping.headStatus = 0xA5;
    doc.head.setRangeIndex(4);
    doc.head.gainDb = 12;
    doc.head.scanMode = kSideScan;
    doc.head.command[cmd::kSectorWidth] = 40;
    doc.head.trainDegrees = -45;
    doc.head.stepSize = 8;
    doc.ping.headPosition = 321;
    doc.ping.dataBytes = 800;
    doc.head.absorptionCode = 170;
    doc.head.pulseLengthCode = 7;
    doc.head.switchDelayMs = 3;
    doc.head.soundVelocity = 1487.25;
    doc.head.sonarType = kTypeP;
    doc.link.sonarComPort = 7;
    doc.pings.pingPeriodRounded = 900;

    DiagnosticsRows rows;
    EXPECT_EQ(rows.refresh(doc).size(), kDiagnosticsRowCount - 1);  // no address for Type P
    const std::pair<R, const char*> expected[] = {
        {R::Header, ":   QSZ"},
        {R::HeadId, ":   0x10"},
        {R::Status, ":   0xa5"},
        {R::Range, ":   2.00 m"},
        {R::Gain, ":   12 dB"},
        {R::Mode, ":   Side Scan"},
        {R::SectorSize, ":   120 deg."},
        {R::TrainAngle, ":   -45 deg."},
        {R::Speed, ":   Fastest"},
        {R::HeadPos, ":   321 "},
        {R::DataBytes, ":   800 "},
        {R::Frequency, ":   2.25 MHz"},
        {R::Absorption, ":   1.70 dB/m"},
        {R::PulseLength, ":   70 usec"},
        {R::SwitchDelay, ":   3 msec"},
        {R::SoundVelocity, ":   1487.2 m/s"},
        {R::ComPort, ":   COM7"},
        {R::IpAddress, ":   n/a"},
        {R::PingRate, ":   900 ms (1.2 Hz)"},
    };
    for (const auto& [row, text] : expected) EXPECT_EQ(rows.text(row), text) << int(row);
    EXPECT_EQ(diagnosticsLabel(R::Frequency), "Freqency");
    EXPECT_EQ(diagnosticsLabel(R::IpAddress), "IP Address:");
    EXPECT_EQ(diagnosticsLabel(R::PingRate), "RealTime PRF");
}

TEST(Diagnostics, OnlyRowsWhoseValueChangedAreRewritten) {
    CSondrelDoc doc;
    doc.pings.pingPeriodRounded = 0;
    DiagnosticsRows rows;
    rows.refresh(doc);
    EXPECT_EQ(rows.text(R::PingRate), ":   n/a");
    EXPECT_TRUE(rows.refresh(doc).empty());

    doc.head.gainDb = 9;
    EXPECT_EQ(rows.refresh(doc), std::vector<R>{R::Gain});

    // Feet show only once the range itself moves: the row follows the index.
    doc.display.unitsFeet = 1;
    EXPECT_TRUE(rows.refresh(doc).empty());
    EXPECT_EQ(rows.text(R::Range), ":   1.00 m");
    doc.head.setRangeIndex(doc.head.rangeIndex + 1);
    EXPECT_EQ(rows.refresh(doc), std::vector<R>{R::Range});
    EXPECT_EQ(rows.text(R::Range), ":   6.00 ft");

    // The frequency text is fixed, but a new code still writes it.
    doc.head.frequencyCode = 150;
    EXPECT_EQ(rows.refresh(doc), std::vector<R>{R::Frequency});

    // A reset forgets what was shown: everything is written again.
    rows.reset();
    EXPECT_EQ(rows.text(R::Gain), ":   n/a");
    EXPECT_EQ(rows.refresh(doc).size(), kDiagnosticsRowCount - 1);
}

TEST(Diagnostics, LinkRowsAreWrittenOnlyForTheirHeadInRealTime) {
    CSondrelDoc doc;
    doc.head.sonarType = kTypeP;
    doc.link.sonarComPort = 4;
    DiagnosticsRows rows;
    rows.refresh(doc);
    EXPECT_EQ(rows.text(R::ComPort), ":   COM4");

    doc.head.sonarType = kTypeQ;
    doc.link.ipAddress = "127.0.0.1";
    doc.link.sonarComPort = 9;
    const auto changed = rows.refresh(doc);
    EXPECT_TRUE(contains(changed, R::IpAddress));
    EXPECT_FALSE(contains(changed, R::ComPort));
    EXPECT_EQ(rows.text(R::ComPort), ":   COM4");  // left at its last text
    EXPECT_EQ(rows.text(R::IpAddress), ":   127.0.0.1");

    doc.flags.playbackActive = true;
    doc.link.ipAddress = "127.0.0.2";
    EXPECT_TRUE(rows.refresh(doc).empty());
    EXPECT_EQ(rows.text(R::IpAddress), ":   127.0.0.1");
}

}  // namespace
}  // namespace sondrel
