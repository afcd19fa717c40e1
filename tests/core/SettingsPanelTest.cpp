// The settings panel's fields and the steps of its spins, and the rules of the
// input dialogs.

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "acquisition/SondrelDoc.h"
#include "app/InputDialogs.h"
#include "app/SettingsPanel.h"
#include "support/CycleFakes.h"

namespace sondrel {
namespace {

using testing::CountingViews;

TEST(SettingsPanelTest, FieldsShowTheDocumentInEachRowsFormat) {
    struct Case {
        const char* what;
        void (*setUp)(CSondrelDoc&);
        PanelRow row;
        const char* text;
        int position;
    };
    const Case cases[] = {
        {"quarter metre", [](CSondrelDoc& d) { d.head.setRangeIndex(0); }, PanelRow::Range,
         "0.25 m", 0},
        {"whole metres", [](CSondrelDoc& d) { d.head.setRangeIndex(8); }, PanelRow::Range, "6 m",
         8},
        {"feet are three per metre",
         [](CSondrelDoc& d) {
             d.display.unitsFeet = 1;
             d.head.setRangeIndex(2);
         },
         PanelRow::Range, "2.25 ft", 2},
        {"gain", [](CSondrelDoc& d) { d.head.setGain(17); }, PanelRow::Gain, "17 dB", 17},
        {"sector in units of three degrees",
         [](CSondrelDoc& d) { d.head.setCurrentSectorWidth(40); }, PanelRow::Sector, "120 deg.",
         40},
        {"train shows degrees, spin the code", [](CSondrelDoc& d) { d.head.setCurrentTrain(59); },
         PanelRow::Train, "357 deg.", 59},
        {"speed", [](CSondrelDoc& d) { d.head.setStepSize(8); }, PanelRow::Speed, "Fastest", 8},
        {"mode", [](CSondrelDoc& d) { d.head.setScanMode(kSideScan); }, PanelRow::Mode, "SideScan",
         2},
        {"frequency", [](CSondrelDoc& d) { d.head.setFrequencyCode(21); }, PanelRow::Frequency,
         "280 kHz", 0},
        {"absorption", [](CSondrelDoc& d) { d.head.setAbsorptionCode(5); }, PanelRow::Absorption,
         "0.05 dB/m", 5},
        {"pulse length", [](CSondrelDoc& d) { d.head.setPulseLengthCode(100); },
         PanelRow::PulseLength, "100 usec", 100},
        {"switch delay in steps of two", [](CSondrelDoc& d) { d.stepSwitchDelay(50); },
         PanelRow::SwitchDelay, "100 ms", 50},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CSondrelDoc doc;
        c.setUp(doc);
        const PanelFields fields = panelFields(doc, PanelKind::ControlPanel);
        const PanelField& f = fields[c.row];
        EXPECT_EQ(f.text, c.text);
        EXPECT_EQ(f.spinPosition, c.position);
        EXPECT_TRUE(f.enabled);
    }
}

TEST(SettingsPanelTest, AutomaticFrequencyGreysItsThreeRowsAndFollowsTheRange) {
    CSondrelDoc doc;
    CountingViews views;
    doc.setViews(&views);
    EXPECT_TRUE(panelFields(doc, PanelKind::ControlPanel).manualFrequencyChecked);
    toggleManualFrequency(doc);
    EXPECT_EQ(views.panelRefreshes, 1);
    stepPanelRow(doc, PanelRow::Range, +1);  // 1 m -> 2 m: row 4 of the per-range table
    const PanelFields f = panelFields(doc, PanelKind::ControlPanel);
    EXPECT_FALSE(f.manualFrequencyChecked);
    EXPECT_EQ(f[PanelRow::Frequency].text, "1000 kHz");
    EXPECT_EQ(f[PanelRow::Absorption].text, "0.60 dB/m");
    EXPECT_EQ(f[PanelRow::PulseLength].text, "3 usec");
    for (PanelRow row : {PanelRow::Frequency, PanelRow::Absorption, PanelRow::PulseLength})
        EXPECT_FALSE(f[row].enabled);
    EXPECT_TRUE(f[PanelRow::SwitchDelay].enabled);
}

// Each row's spin reaches its own setting, under that setting's rule.
TEST(SettingsPanelTest, EachSpinStepsItsOwnSetting) {
    struct Case {
        const char* what;
        void (*setUp)(CSondrelDoc&);
        PanelRow row;
        int step;
        const char* text;
        std::size_t commandByte;
        int byteValue;
    };
    const Case cases[] = {
        {"range up sends the next code", [](CSondrelDoc&) {}, PanelRow::Range, +1, "2 m",
         cmd::kRange, 20},
        {"gain stops at twenty", [](CSondrelDoc& d) { d.head.setGain(20); }, PanelRow::Gain, +1,
         "20 dB", cmd::kGain, 20},
        {"train wraps from 120 to 0",
         [](CSondrelDoc& d) {
             d.head.setScanMode(kSector);
             d.head.setCurrentTrain(120);
         },
         PanelRow::Train, +1, "180 deg.", cmd::kTrain, 0},
        {"sector stops at 180 degrees in sector mode",
         [](CSondrelDoc& d) { d.head.setScanMode(kSector); }, PanelRow::Sector, +1, "180 deg.",
         cmd::kSectorWidth, 60},
        {"faster steps to fastest", [](CSondrelDoc& d) { d.head.setStepSize(4); }, PanelRow::Speed,
         +1, "Fastest", cmd::kStepSize, 8},
        {"mode up to side scan", [](CSondrelDoc&) {}, PanelRow::Mode, +1, "SideScan",
         cmd::kSectorWidth, 0},
        {"frequency stops at 280 kHz", [](CSondrelDoc& d) { d.head.setFrequencyCode(21); },
         PanelRow::Frequency, -1, "280 kHz", cmd::kFrequency, 21},
        {"absorption skips 253", [](CSondrelDoc& d) { d.head.setAbsorptionCode(252); },
         PanelRow::Absorption, +1, "2.54 dB/m", cmd::kAbsorption, 254},
        {"pulse length stops at 1", [](CSondrelDoc&) {}, PanelRow::PulseLength, -1, "1 usec",
         cmd::kPulseLength, 1},
        {"switch delay steps by two", [](CSondrelDoc&) {}, PanelRow::SwitchDelay, +1, "2 ms",
         cmd::kSwitchDelay, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CSondrelDoc doc;
        CountingViews views;
        doc.setViews(&views);
        c.setUp(doc);
        const CommandBuffer before = doc.head.command;
        stepPanelRow(doc, c.row, c.step);
        EXPECT_EQ(panelFields(doc, PanelKind::ControlPanel)[c.row].text, c.text);
        EXPECT_EQ(doc.head.command[c.commandByte], c.byteValue);
        // Every click that lands shows at once in both windows.
        if (doc.head.command != before) {
            EXPECT_GE(views.panelRefreshes, 1);
        }
    }
}

TEST(SettingsPanelTest, PlaybackFreezesTheHeadSettingsButNotTheManualFrequencyRows) {
    CSondrelDoc doc;
    doc.flags.playbackActive = true;
    const CommandBuffer before = doc.head.command;
    for (int i = 0; i < kSettingsBarRowCount; ++i) stepPanelRow(doc, static_cast<PanelRow>(i), +1);
    EXPECT_EQ(doc.head.command, before);
    stepPanelRow(doc, PanelRow::Frequency, +1);
    EXPECT_EQ(doc.head.command[cmd::kFrequency], before[cmd::kFrequency] + 1);
}

// ------------------------------------------------------------ input dialogs

TEST(InputDialogsTest, OnlyLiteralIpv4AddressesAreTaken) {
    const std::pair<const char*, const char*> cases[] = {
        {"127.0.0.2", "127.0.0.2"},
        {" 10.0.0.7 ", "10.0.0.7"},
        {"192.168.000.005", "192.168.0.5"},
        {"255.255.255.255", "255.255.255.255"},
        {"256.1.1.1", nullptr},
        {"1.2.3", nullptr},
        {"1.2.3.4.5", nullptr},
        {"1.2.3.", nullptr},
        {"head.local", nullptr},
        {"1..2.3", nullptr},
        {"-1.2.3.4", nullptr},
        {"1.2.3.4x", nullptr},
        {"1234.1.1.1", nullptr},
        {"", nullptr},
    };
    for (const auto& [text, expected] : cases) {
        SCOPED_TRACE(text);
        const std::optional<std::string> address = literalIpv4(text);
        if (expected) {
            ASSERT_TRUE(address.has_value());
            EXPECT_EQ(*address, expected);
        } else {
            EXPECT_FALSE(address.has_value());
        }
    }
}

TEST(InputDialogsTest, AddressFieldStaysEmptyForShortTexts) {
    EXPECT_EQ(ipAddressFieldText("192.168.0.5"), "192.168.0.5");
    EXPECT_EQ(ipAddressFieldText("1.2.3"), "");
    EXPECT_EQ(ipAddressFieldText("10.1.2"), "");
    EXPECT_EQ(ipAddressFieldText("10.1.2.3.4"), "10.1.2.3");
    EXPECT_EQ(ipAddressFieldText("10.1.22"), "10.1.22.0");
}

TEST(InputDialogsTest, UpDownClicksStopAtTheLimits) {
    struct Case {
        const ValueDialogRule* rule;
        double from;
        int step;
        double to;
    };
    const Case cases[] = {
        {&kSoundVelocityDialog, 1500.0, +1, 1500.1}, {&kSoundVelocityDialog, 1600.0, +1, 1600.0},
        {&kSoundVelocityDialog, 1400.0, -1, 1400.0}, {&kSoundVelocityDialog, 1599.95, +1, 1600.0},
        {&kMinimumRangeDialog, 2.49, +1, 2.5},       {&kMinimumRangeDialog, 2.5, +1, 2.5},
        {&kMinimumRangeDialog, 0.0, -1, 0.0},        {&kCircleDiameterDialog, 0.1, -1, 0.1},
        {&kCircleDiameterDialog, 11.99, +1, 12.0},   {&kCircleDiameterDialog, 1.0, -1, 0.99},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.rule->title) + " from " + std::to_string(c.from));
        EXPECT_DOUBLE_EQ(steppedValue(*c.rule, c.from, c.step), c.to);
    }
    // A hundred clicks from 1.0 land exactly on 2.0.
    double d = 1.0;
    for (int i = 0; i < 100; ++i) d = steppedValue(kCircleDiameterDialog, d, +1);
    EXPECT_EQ(valueFieldText(kCircleDiameterDialog, d), "2.00");
    EXPECT_EQ(valueSpinPosition(kSoundVelocityDialog, 1500.0), 1000);
    EXPECT_EQ(valueSpinPosition(kCircleDiameterDialog, 0.01), 10);
    EXPECT_EQ(valueSpinPosition(kMinimumRangeDialog, 1.0), 100);
}

TEST(InputDialogsTest, TypedValuesOutsideTheLimitsAreRefused) {
    struct Case {
        const ValueDialogRule* rule;
        const char* text;
        bool accepted;
        double value;  // what the dialog holds afterwards, from 1.5 (or 1500)
    };
    const Case cases[] = {
        {&kSoundVelocityDialog, "1600", true, 1600.0},
        {&kSoundVelocityDialog, "1600.5", false, 1500.0},
        {&kSoundVelocityDialog, "fast", false, 1500.0},
        {&kSoundVelocityDialog, "1480.259", true, 1480.25},  // seven characters count
        {&kMinimumRangeDialog, "2.5", true, 2.5},
        {&kMinimumRangeDialog, "2.51", false, 1.5},
        {&kMinimumRangeDialog, "-0.1", false, 1.5},
        {&kMinimumRangeDialog, "abc", false, 1.5},  // not 0, which the limits take
        {&kMinimumRangeDialog, "", false, 1.5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const double current = c.rule == &kSoundVelocityDialog ? 1500.0 : 1.5;
        const ValueEntry entry = enteredValue(*c.rule, c.text, current);
        EXPECT_EQ(entry.accepted, c.accepted);
        EXPECT_DOUBLE_EQ(entry.value, c.value);
    }
    EXPECT_EQ(kSoundVelocityDialog.message,
              "Wrong Input!!! Make sure the input is between 1400.0 and 1600.0   ");
}

TEST(InputDialogsTest, CircleDiameterIsCutToTwelveOrKeptWhenNegative) {
    const ValueEntry big = enteredCircleDiameter("15", 1.0);
    EXPECT_FALSE(big.accepted);
    EXPECT_DOUBLE_EQ(big.value, 12.0);
    const ValueEntry negative = enteredCircleDiameter("-3", 1.0);
    EXPECT_FALSE(negative.accepted);
    EXPECT_DOUBLE_EQ(negative.value, 1.0);
    const ValueEntry cut = enteredCircleDiameter("11.755", 1.0);
    EXPECT_TRUE(cut.accepted);
    EXPECT_DOUBLE_EQ(cut.value, 11.7);
    EXPECT_DOUBLE_EQ(enteredCircleDiameter("abc", 1.0).value, 1.0);
}

TEST(InputDialogsTest, ATypedNumberIsTheWholeCountedText) {
    for (const auto& [text, number] : std::vector<std::pair<const char*, double>>{{"1.5", 1.5},
                                                                                  {"  7", 7},
                                                                                  {"+3", 3},
                                                                                  {"-2", -2},
                                                                                  {".5", .5},
                                                                                  {"1e1", 10},
                                                                                  {"12345", 1234}})
        EXPECT_EQ(typedNumber(text, 4), number) << text;
    for (const char* text :
         {"abc", "", "    9", "2.5m", "+-1", "inf", "nan", "0x1", "1,5", "1 2", "-"})
        EXPECT_EQ(typedNumber(text, 4), std::nullopt) << text;
}

}  // namespace
}  // namespace sondrel
