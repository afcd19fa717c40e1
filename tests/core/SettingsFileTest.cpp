#include "recording/SettingsFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "acquisition/SondrelDoc.h"
#include "common/IniFile.h"
#include "support/TempFolder.h"

using namespace sondrel;
using sondrel::test::readBytes;
using sondrel::test::TempFolder;

namespace {

void loadText(CSondrelDoc& doc, const std::string& text) {
    IniFile ini;
    ini.parse(text);
    loadSettings(doc, ini);
}

std::string sonarLines(const std::string& lines) {
    return "[Sonar Settings]\n" + lines;
}
std::string systemLines(const std::string& lines) {
    return "[System Settings]\n" + lines;
}

// Every field the file carries from one run to the next, compared one by one.
void expectSamePersistedSettings(const CSondrelDoc& a, const CSondrelDoc& b) {
    EXPECT_EQ(a.head.sonarType, b.head.sonarType);
    EXPECT_EQ(a.link.ipAddress, b.link.ipAddress);
    EXPECT_EQ(a.link.sonarComPort, b.link.sonarComPort);
    EXPECT_EQ(a.link.rtsEnable, b.link.rtsEnable);
    EXPECT_EQ(a.files.readDirectory, b.files.readDirectory);
    EXPECT_EQ(a.files.writeDirectory, b.files.writeDirectory);
    EXPECT_EQ(a.files.autoFileNames, b.files.autoFileNames);
    EXPECT_EQ(a.files.openFilterIndex, b.files.openFilterIndex);
    EXPECT_EQ(a.display.colourTable, b.display.colourTable);
    EXPECT_DOUBLE_EQ(a.head.soundVelocity, b.head.soundVelocity);
    EXPECT_EQ(a.display.unitsFeet, b.display.unitsFeet);
    EXPECT_EQ(a.display.viewRangeMark, b.display.viewRangeMark);
    EXPECT_EQ(a.display.gridStyle, b.display.gridStyle);
    EXPECT_EQ(a.files.playbackIntervalMs, b.files.playbackIntervalMs);
    EXPECT_EQ(a.display.diagnosticsVisible, b.display.diagnosticsVisible);
    EXPECT_EQ(a.display.settingsDlgVisible, b.display.settingsDlgVisible);
    EXPECT_EQ(a.link.prdEnable, b.link.prdEnable);
    EXPECT_EQ(a.link.prdComPort, b.link.prdComPort);
    EXPECT_EQ(a.link.prdBaud, b.link.prdBaud);
    EXPECT_EQ(a.link.sentenceType, b.link.sentenceType);
    EXPECT_EQ(a.display.profileDispMode, b.display.profileDispMode);
    EXPECT_DOUBLE_EQ(a.display.profileMixFactor, b.display.profileMixFactor);
    EXPECT_DOUBLE_EQ(a.display.zoom, b.display.zoom);
    EXPECT_EQ(a.display.pointsColour, b.display.pointsColour);
    EXPECT_EQ(a.display.gridColour, b.display.gridColour);
    EXPECT_EQ(a.display.bkColour, b.display.bkColour);
    EXPECT_EQ(a.display.textColour, b.display.textColour);
    EXPECT_EQ(a.display.circleColour, b.display.circleColour);
    EXPECT_EQ(a.display.lineColour, b.display.lineColour);
    EXPECT_EQ(a.display.pointSize, b.display.pointSize);
    EXPECT_EQ(a.display.textSize, b.display.textSize);
    EXPECT_EQ(a.display.displayPrd, b.display.displayPrd);
    EXPECT_EQ(a.display.rollCorrection, b.display.rollCorrection);
    EXPECT_EQ(a.display.circleOffsetX, b.display.circleOffsetX);
    EXPECT_EQ(a.display.circleOffsetY, b.display.circleOffsetY);
    EXPECT_DOUBLE_EQ(a.display.circleDiameter, b.display.circleDiameter);
    EXPECT_EQ(a.display.displayCircle, b.display.displayCircle);
    EXPECT_DOUBLE_EQ(a.head.profileMinRange, b.head.profileMinRange);

    EXPECT_DOUBLE_EQ(a.head.rangeMetres, b.head.rangeMetres);
    EXPECT_EQ(a.head.rangeIndex, b.head.rangeIndex);
    EXPECT_EQ(a.head.gainDb, b.head.gainDb);
    EXPECT_EQ(a.head.xdcrForward, b.head.xdcrForward);
    EXPECT_EQ(a.head.zeroDown, b.head.zeroDown);
    EXPECT_EQ(a.head.trainPolar, b.head.trainPolar);
    EXPECT_EQ(a.head.trainSector, b.head.trainSector);
    EXPECT_EQ(a.head.trainSideScan, b.head.trainSideScan);
    EXPECT_EQ(a.head.sectorWidthPolar, b.head.sectorWidthPolar);
    EXPECT_EQ(a.head.sectorWidthSector, b.head.sectorWidthSector);
    EXPECT_EQ(a.head.stepSize, b.head.stepSize);
    EXPECT_EQ(a.head.stepSizeSaved, b.head.stepSizeSaved);
    EXPECT_EQ(a.head.scanMode, b.head.scanMode);
    EXPECT_EQ(a.head.currentTrain, b.head.currentTrain);
    EXPECT_EQ(a.head.currentSectorWidth, b.head.currentSectorWidth);
    EXPECT_EQ(a.head.trainDegrees, b.head.trainDegrees);
    EXPECT_EQ(a.head.command, b.head.command);
}

// A document with every persisted setting away from its default.
void setEverySetting(CSondrelDoc& doc) {
    doc.head.sonarType = kTypeQ;
    doc.link.ipAddress = "127.0.0.1";
    doc.link.sonarComPort = 4;
    doc.link.rtsEnable = 1;
    doc.files.readDirectory = "/data/read folder/";
    doc.files.writeDirectory = "/data/write/";
    doc.files.autoFileNames = 1;
    doc.files.openFilterIndex = 2;
    doc.display.colourTable = 5;
    doc.head.soundVelocity = 1485.5;
    doc.display.unitsFeet = 1;
    doc.display.viewRangeMark = 0;
    doc.display.gridStyle = 2;
    doc.files.playbackIntervalMs = 750;
    doc.display.diagnosticsVisible = 1;
    doc.display.settingsDlgVisible = 1;
    doc.link.prdEnable = 1;
    doc.link.prdComPort = 5;
    doc.link.prdBaud = 9600;
    doc.link.sentenceType = 2;
    doc.display.profileDispMode = 3;
    doc.display.profileMixFactor = profileMixFactorFor(3);
    doc.display.zoom = 1.75;
    doc.display.pointsColour = 0x0000FF;
    doc.display.gridColour = 0x00FF00;
    doc.display.bkColour = 0x102030;
    doc.display.textColour = 0xFF0000;
    doc.display.circleColour = 0x123456;
    doc.display.lineColour = 0x654321;
    doc.display.pointSize = 2;
    doc.display.textSize = 3;
    doc.display.displayPrd = 1;
    doc.display.rollCorrection = 1;
    doc.display.circleOffsetX = -40;
    doc.display.circleOffsetY = 25;
    doc.display.circleDiameter = 0.85;
    doc.display.displayCircle = 1;
    doc.head.profileMinRange = 0.35;

    doc.head.setRangeIndex(8);
    doc.head.setGain(14);
    doc.head.xdcrForward = 1;
    doc.head.zeroDown = 1;
    doc.head.setScanMode(kSector);
    doc.head.trainPolar = 45;
    doc.head.sectorWidthPolar = 90;
    doc.head.trainSideScan = 12;
    doc.head.setCurrentSectorWidth(50);
    doc.head.setCurrentTrain(67);
    doc.head.rememberModeValues();
    doc.head.setStepSize(2);
    doc.head.stepSizeSaved = 2;
}

std::string sectionText(const std::string& text, const std::string& header) {
    const std::size_t start = text.find(header);
    if (start == std::string::npos) return {};
    const std::size_t end = text.find("\r\n[", start);
    return text.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

}  // namespace

// ------------------------------------------------------------------ round trip

TEST(SettingsFile, EverySettingSurvivesASaveAndALoad) {
    TempFolder folder;
    const std::string path = folder.file(kSettingsFileName);
    CSondrelDoc saved;
    setEverySetting(saved);
    ASSERT_TRUE(saveSettings(saved, path));

    CSondrelDoc loaded;
    loadSettings(loaded, path);
    expectSamePersistedSettings(saved, loaded);

    // Saving what was loaded writes the same file again.
    const std::string first = readBytes(path);
    ASSERT_TRUE(saveSettings(loaded, path));
    EXPECT_EQ(readBytes(path), first);
}

TEST(SettingsFile, KeysAreWrittenInTheirOrderAndFormats) {
    CSondrelDoc doc;
    setEverySetting(doc);
    IniFile ini;
    saveSettings(doc, ini);
    const std::string text = ini.text();
    const std::vector<std::string> expected = {
        "[System Settings]",
        "Sonar Type=1",
        "IP Address=127.0.0.1",
        "SonarComPort=4",
        "SonarComPortBaud=115200",
        "RTS=1",
        "Read File Directory=/data/read folder/",
        "Write File Directory=/data/write/",
        "AutoSaveFileName=1",
        "OpenFileFilterIndex=2",
        "ColorTable=5",
        "Speed of Sound=1485.5",
        "Metric Scale=1",
        "ViewRangeMark=0",
        "Grid=2",
        "Playback Speed=750",
        "Diagnostics Visible=1",
        "SettingsDlgVisible=1",
        "EnablePRDInput=1",
        "PRDComPort=5",
        "PRDComPortBaud=9600",
        "SentenceType=2",
        "ProfileDispMode=3",
        "Zoom=1.75",
        "PointsColor=255",
        "GridColor=65280",
        "BKColor=1056816",
        "TextColor=16711680",
        "CircleColor=1193046",
        "LineColor=6636321",
        "PointSize=2",
        "TextSize=3",
        "Display PRD=1",
        "RollCorrection=1",
        "CircleOffsetX=-40",
        "CircleOffsetY=25",
        "CircleDiameter=0.85",
        "DisplayCircle=1",
        "PPMinRange=0.35",
        "",
        "[Sonar Settings]",
        "Range=6.00",
        "Range Index=8",
        "Gain=14",
        "Train Polar=45",
        "Train Sector=67",
        "Train SS=12",
        "SectorWidth Polar=90",
        "SectorWidth Sector=50",
        "Step Size=2",
        "Sector Mode=0",
        "Auto Settings=0",
        "Frequency=100",
        "Pulse Length=1",
        "Absorption=170",
        "Sonar Up/Down=0",
        "Sonar FWD/AFT=1",
        "Zero Up/Down=1",
    };
    std::string joined;
    for (const std::string& line : expected) joined += line + "\r\n";
    EXPECT_EQ(text, joined);
}

// ------------------------------------------------------------------ foreign files

TEST(SettingsFile, AHandWrittenWindowsFileLoadsAndKeepsItsForeignLines) {
    TempFolder folder;
    const std::string original =
        "; written by hand\r\n"
        "[SYSTEM settings]\r\n"
        "sonar type=1\r\n"
        "ip address = 127.0.0.1\r\n"
        "SPEED OF SOUND=1480.0\r\n"
        "zoom=2.00\r\n"
        "PointsColor=255\r\n"
        "Operator=Field crew 2\r\n"
        "\r\n"
        "[Window Placement]\r\n"
        "Left=10\r\n"
        "# closing remark\r\n"
        "\r\n"
        "[sonar SETTINGS]\r\n"
        "range=2.00\r\n"
        "RANGE INDEX=4\r\n"
        "gain=12\r\n"
        "train sector=40\r\n"
        "sectorwidth sector=30\r\n"
        "step size=2\r\n"
        "sector mode=0\r\n";
    const std::string path = folder.write(kSettingsFileName, original);

    CSondrelDoc doc;
    loadSettings(doc, path);
    EXPECT_EQ(doc.head.sonarType, kTypeQ);
    EXPECT_EQ(doc.link.ipAddress, "127.0.0.1");
    EXPECT_DOUBLE_EQ(doc.head.soundVelocity, 1480.0);
    EXPECT_DOUBLE_EQ(doc.display.zoom, 2.0);
    EXPECT_EQ(doc.display.pointsColour, 0x0000FFu);
    EXPECT_DOUBLE_EQ(doc.head.rangeMetres, 2.0);
    EXPECT_EQ(doc.head.command[cmd::kRange], 20);
    EXPECT_EQ(doc.head.rangeIndex, 4);
    EXPECT_EQ(doc.head.gainDb, 12);
    EXPECT_EQ(doc.head.command[cmd::kGain], 12);
    EXPECT_EQ(doc.head.scanMode, kSector);
    EXPECT_EQ(doc.head.currentTrain, 40);
    EXPECT_EQ(doc.head.currentSectorWidth, 30);
    EXPECT_EQ(doc.head.command[cmd::kTrain], 40);
    EXPECT_EQ(doc.head.command[cmd::kSectorWidth], 30);
    EXPECT_EQ(doc.head.stepSize, 2);
    EXPECT_EQ(doc.head.command[cmd::kStepSize], 2);

    doc.head.setGain(15);
    ASSERT_TRUE(saveSettings(doc, path));
    const std::string text = readBytes(path);
    for (const char* kept : {"; written by hand\r\n[SYSTEM settings]\r\nsonar type=1\r\n",
                             "ip address=127.0.0.1\r\nSPEED OF SOUND=1480.0\r\nzoom=2.00\r\n",
                             "Operator=Field crew 2\r\n",
                             "\r\n\r\n[Window Placement]\r\nLeft=10\r\n# closing remark\r\n\r\n"
                             "[sonar SETTINGS]\r\nrange=2.00\r\nRANGE INDEX=4\r\ngain=15\r\n"}) {
        EXPECT_NE(text.find(kept), std::string::npos) << kept;
    }
    // Keys already there were updated, not added again.
    EXPECT_EQ(text.find("[System Settings]"), std::string::npos);
    EXPECT_EQ(text.find("Gain="), std::string::npos);
    EXPECT_NE(text.find("SonarComPortBaud=115200\r\n"), std::string::npos);

    CSondrelDoc reloaded;
    loadSettings(reloaded, path);
    expectSamePersistedSettings(doc, reloaded);
}

TEST(SettingsFile, DuplicateKeysAreReadAndUpdatedAtTheFirst) {
    CSondrelDoc doc;
    IniFile ini;
    ini.parse(sonarLines("Gain=12\nGain=3\n"));
    loadSettings(doc, ini);
    EXPECT_EQ(doc.head.gainDb, 12);
    doc.head.setGain(7);
    saveSettings(doc, ini);
    EXPECT_EQ(ini.readInt(kSonarSettingsSection, "Gain", -1), 7);
    EXPECT_NE(ini.text().find("Gain=7\r\nGain=3\r\n"), std::string::npos);
}

// ------------------------------------------------------------------ first start

TEST(SettingsFile, AFirstStartWithoutTheFileTakesTheFileDefaults) {
    TempFolder folder;
    CSondrelDoc doc;
    doc.files.readDirectory = doc.files.writeDirectory = "/opt/sondrel/";
    doc.display.gridColour = 0x111111;  // keys that default to the current value keep it
    doc.display.pointSize = 1;
    loadSettings(doc, folder.file(kSettingsFileName));

    EXPECT_EQ(doc.link.ipAddress, "192.168.0.5");
    EXPECT_EQ(doc.link.sonarComPort, 1);
    EXPECT_EQ(doc.link.prdComPort, 3);
    EXPECT_EQ(doc.link.prdBaud, 38400);
    EXPECT_EQ(doc.files.autoFileNames, 0);
    EXPECT_EQ(doc.files.openFilterIndex, 0);
    EXPECT_EQ(doc.head.sonarType, kTypeP);
    EXPECT_EQ(doc.files.readDirectory, "/opt/sondrel/");
    EXPECT_EQ(doc.files.writeDirectory, "/opt/sondrel/");
    EXPECT_EQ(doc.display.gridColour, 0x111111u);
    EXPECT_EQ(doc.display.pointSize, 1);
    EXPECT_DOUBLE_EQ(doc.head.soundVelocity, 1500.0);
    EXPECT_DOUBLE_EQ(doc.display.zoom, 1.0);
    EXPECT_DOUBLE_EQ(doc.head.rangeMetres, 1.0);
    EXPECT_EQ(doc.head.command[cmd::kRange], 10);
    EXPECT_EQ(doc.head.rangeIndex, 5);
    EXPECT_EQ(doc.head.gainDb, 6);
    EXPECT_EQ(doc.head.scanMode, kPolar);
    EXPECT_EQ(doc.head.currentSectorWidth, 120);
    EXPECT_EQ(doc.head.currentTrain, 60);
    EXPECT_EQ(doc.head.stepSize, 3);
    EXPECT_EQ(doc.head.command[cmd::kStepSize], 3);
}

// ------------------------------------------------------------------ load rules

TEST(SettingsLoadRules, SpeedOfSoundOutside1400To1600Gives1500) {
    const std::pair<const char*, double> cases[] = {
        {"1399.9", 1500.0}, {"1400", 1400.0}, {"1600", 1600.0}, {"1600.05", 1500.0},
        {"1485.5", 1485.5}, {"fast", 1500.0}, {"", 1500.0},     {"-1500", 1500.0},
    };
    for (const auto& [text, expected] : cases) {
        CSondrelDoc doc;
        doc.head.soundVelocity = 1450.0;
        loadText(doc, systemLines(std::string("Speed of Sound=") + text + "\n"));
        EXPECT_DOUBLE_EQ(doc.head.soundVelocity, expected) << text;
    }
}

TEST(SettingsLoadRules, GainKeepsItsLowByteAndStopsAt20) {
    const std::pair<const char*, int> cases[] = {
        {"25", 20}, {"260", 4}, {"20", 20}, {"0", 0}, {"-1", 20}, {"253", 20}, {"13", 13},
    };
    for (const auto& [text, expected] : cases) {
        CSondrelDoc doc;
        loadText(doc, sonarLines(std::string("Gain=") + text + "\n"));
        EXPECT_EQ(doc.head.gainDb, expected) << text;
        EXPECT_EQ(doc.head.command[cmd::kGain], expected) << text;
    }
}

TEST(SettingsLoadRules, ProfileMinimumRangeIsCutTo0To2_5) {
    const std::pair<const char*, double> cases[] = {
        {"3.0", 2.5}, {"-1", 0.0}, {"2.5", 2.5}, {"1.25", 1.25}, {"none", 0.0},
    };
    for (const auto& [text, expected] : cases) {
        CSondrelDoc doc;
        loadText(doc, systemLines(std::string("PPMinRange=") + text + "\n"));
        EXPECT_DOUBLE_EQ(doc.head.profileMinRange, expected) << text;
    }
}

TEST(SettingsLoadRules, RealsAreTakenAsTheyWillBeSaved) {
    // A value with more decimals than the file keeps, the value it is taken
    // as, and the command byte it drives (the profile minimum range after a
    // status of format 1, and the range code).
    struct Case {
        std::string line;
        std::function<double(const CSondrelDoc&)> field;
        double expected;
        std::size_t commandByte;
        int expectedByte;
    };
    const auto ppMinRange = [](const CSondrelDoc& d) { return d.head.profileMinRange; };
    const auto range = [](const CSondrelDoc& d) { return d.head.rangeMetres; };
    const Case cases[] = {
        {systemLines("PPMinRange=0.168\n"), ppMinRange, 0.17, cmd::kProfileMinRange, 15},
        {systemLines("PPMinRange=2.504\n"), ppMinRange, 2.5, cmd::kProfileMinRange, 248},
        {sonarLines("Range=0.999\n"), range, 1.0, cmd::kRange, 10},
        {sonarLines("Range=5.996\n"), range, 6.0, cmd::kRange, 60},
        {systemLines("Speed of Sound=1485.56\n"),
         [](const CSondrelDoc& d) { return d.head.soundVelocity; }, 1485.6, cmd::kStart, 0xFE},
        {systemLines("Zoom=1.754\n"), [](const CSondrelDoc& d) { return d.display.zoom; }, 1.75,
         cmd::kStart, 0xFE},
        {systemLines("CircleDiameter=0.4449\n"),
         [](const CSondrelDoc& d) { return d.display.circleDiameter; }, 0.44, cmd::kStart, 0xFE},
    };
    const auto commandOf = [](CSondrelDoc& d) {
        d.ping.headStatusLow = 1;
        d.prepareCommandForPoll();
        return d.head.command;
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        CSondrelDoc first;
        loadText(first, c.line);
        EXPECT_DOUBLE_EQ(c.field(first), c.expected);
        EXPECT_EQ(commandOf(first)[c.commandByte], c.expectedByte);
        // Saving and reading again changes nothing, the command included.
        IniFile saved;
        saveSettings(first, saved);
        CSondrelDoc second;
        loadText(second, saved.text());
        IniFile savedAgain;
        saveSettings(second, savedAgain);
        EXPECT_EQ(savedAgain.text(), saved.text());
        EXPECT_EQ(commandOf(second), commandOf(first));
    }
}

TEST(SettingsLoadRules, ProfileDisplayModeSetsTheMixFactor) {
    const std::pair<int, double> cases[] = {{0, 1.0}, {1, 0.0}, {2, 0.25},
                                            {3, 0.5}, {4, 1.0}, {9, 1.0}};
    for (const auto& [mode, factor] : cases) {
        CSondrelDoc doc;
        doc.display.profileMixFactor = 0.75;
        loadText(doc, systemLines("ProfileDispMode=" + std::to_string(mode) + "\n"));
        EXPECT_EQ(doc.display.profileDispMode, mode);
        EXPECT_DOUBLE_EQ(doc.display.profileMixFactor, factor) << mode;
    }
}

TEST(SettingsLoadRules, ZoomOfZeroOrLessGivesOneAndOthersStayInTheZoomRange) {
    const std::pair<const char*, double> cases[] = {
        {"0", 1.0}, {"-2", 1.0}, {"1.75", 1.75}, {"4.00", 4.0}, {"100", 4.0}, {"0.1", 0.5},
    };
    for (const auto& [text, expected] : cases) {
        CSondrelDoc doc;
        loadText(doc, systemLines(std::string("Zoom=") + text + "\n"));
        EXPECT_DOUBLE_EQ(doc.display.zoom, expected) << text;
    }
}

TEST(SettingsLoadRules, SectorModeTakesTheModesOwnWidthAndTrain) {
    const std::string remembered =
        "Train Polar=50\nTrain Sector=40\nTrain SS=20\n"
        "SectorWidth Polar=100\nSectorWidth Sector=30\nStep Size=4\n";
    struct Case {
        const char* mode;
        int scanMode, width, train, step;
    };
    const Case cases[] = {
        {"0", kSector, 30, 40, 4}, {"1", kPolar, 100, 50, 4},  {"2", kSideScan, 0, 20, 0},
        {"7", kSector, 30, 40, 4}, {"-1", kSector, 30, 40, 4}, {"x", kSector, 30, 40, 4},
    };
    for (const Case& c : cases) {
        CSondrelDoc doc;
        loadText(doc, sonarLines(remembered + "Sector Mode=" + c.mode + "\n"));
        EXPECT_EQ(doc.head.scanMode, c.scanMode) << c.mode;
        EXPECT_EQ(doc.head.currentSectorWidth, c.width) << c.mode;
        EXPECT_EQ(doc.head.command[cmd::kSectorWidth], c.width) << c.mode;
        EXPECT_EQ(doc.head.currentTrain, c.train) << c.mode;
        EXPECT_EQ(doc.head.command[cmd::kTrain], c.train) << c.mode;
        EXPECT_EQ(doc.head.trainDegrees, trainDegreesFor(c.train, false)) << c.mode;
        EXPECT_EQ(doc.head.stepSize, c.step) << c.mode;
        EXPECT_EQ(doc.head.command[cmd::kStepSize], c.step) << c.mode;
    }
}

TEST(SettingsLoadRules, LoadingTheModeResetsFrequencyAbsorptionAndPulse) {
    CSondrelDoc doc;
    doc.head.setFrequencyCode(150);
    doc.head.setAbsorptionCode(50);
    doc.head.setPulseLengthCode(20);
    doc.head.setTrainReversed(1);
    loadText(doc, sonarLines("Sector Mode=1\nTrain Polar=59\nSectorWidth Polar=60\n"));
    EXPECT_EQ(doc.head.frequencyCode, 100);
    EXPECT_EQ(doc.head.absorptionCode, 170);
    EXPECT_EQ(doc.head.pulseLengthCode, 1);
    EXPECT_EQ(doc.head.command[cmd::kFrequency], 100);
    EXPECT_EQ(doc.head.command[cmd::kAbsorption], 170);
    EXPECT_EQ(doc.head.command[cmd::kPulseLength], 1);
    EXPECT_EQ(doc.head.trainDegrees, 3);  // code 59, counted the other way
}

TEST(SettingsLoadRules, RangeAndRangeIndexAreReadIndependently) {
    CSondrelDoc doc;
    loadText(doc, sonarLines("Range=0.25\nRange Index=7\n"));
    EXPECT_DOUBLE_EQ(doc.head.rangeMetres, 0.25);
    EXPECT_EQ(doc.head.command[cmd::kRange], 4);
    EXPECT_EQ(doc.head.rangeIndex, 7);
}

// ------------------------------------------------------------------ mended input

TEST(SettingsLoadRules, HeadValuesOutsideTheirRangeAreClamped) {
    struct Case {
        std::string line;
        std::function<int(const CSondrelDoc&)> field;
        int expected;
    };
    const auto trainPolar = [](const CSondrelDoc& d) { return d.head.trainPolar; };
    const auto widthSector = [](const CSondrelDoc& d) { return d.head.sectorWidthSector; };
    const auto step = [](const CSondrelDoc& d) { return d.head.stepSize; };
    const auto rangeIndex = [](const CSondrelDoc& d) { return d.head.rangeIndex; };
    const Case cases[] = {
        {"Train Polar=200", trainPolar, 120},
        {"Train Polar=-5", trainPolar, 120},
        {"Train Polar=90", trainPolar, 90},
        {"Train Sector=253", [](const CSondrelDoc& d) { return d.head.trainSector; }, 120},
        {"Train SS=121", [](const CSondrelDoc& d) { return d.head.trainSideScan; }, 120},
        {"SectorWidth Sector=90", widthSector, 60},
        {"SectorWidth Sector=253", widthSector, 60},
        {"SectorWidth Polar=130", [](const CSondrelDoc& d) { return d.head.sectorWidthPolar; },
         120},
        {"Step Size=5", step, 8},
        {"Step Size=6", step, 4},
        {"Step Size=7", step, 4},
        {"Step Size=253", step, 8},
        {"Step Size=-1", step, 8},
        {"Step Size=1", step, 1},
        {"Range Index=300", rangeIndex, 8},
        {"Range Index=-1", rangeIndex, 8},
        {"Range Index=2", rangeIndex, 2},
    };
    for (const Case& c : cases) {
        CSondrelDoc doc;
        loadText(doc, sonarLines(c.line + "\n"));
        EXPECT_EQ(c.field(doc), c.expected) << c.line;
    }

    // The current width and train sent to the head come from the clamped values.
    CSondrelDoc doc;
    loadText(doc, sonarLines("Sector Mode=0\nSectorWidth Sector=253\nTrain Sector=253\n"));
    EXPECT_EQ(doc.head.command[cmd::kSectorWidth], 60);
    EXPECT_EQ(doc.head.command[cmd::kTrain], 120);
}

TEST(SettingsLoadRules, TheRangeIsAlwaysATableEntryAgreeingWithItsCode) {
    const std::pair<const char*, double> cases[] = {
        {"0", 0.25}, {"-3", 0.25}, {"1.5", 1.0}, {"99", 6.0}, {"0.75", 0.75}, {"junk", 0.25},
    };
    for (const auto& [text, metres] : cases) {
        CSondrelDoc doc;
        loadText(doc, sonarLines(std::string("Range=") + text + "\n"));
        EXPECT_DOUBLE_EQ(doc.head.rangeMetres, metres) << text;
        EXPECT_EQ(doc.head.command[cmd::kRange], rangeCodeFor(metres)) << text;
    }
}

TEST(SettingsLoadRules, SystemValuesThatIndexTablesOrSizeTheViewAreClamped) {
    CSondrelDoc doc;
    loadText(doc,
             systemLines("Sonar Type=7\nColorTable=12\nTextSize=9\nPlayback Speed=-5\n"
                         "CircleDiameter=0\nCircleOffsetX=2147483647\nCircleOffsetY=-99999999\n"));
    EXPECT_EQ(doc.head.sonarType, kTypeP);
    EXPECT_EQ(doc.display.colourTable, 8);
    EXPECT_EQ(doc.display.textSize, 4);
    EXPECT_EQ(doc.files.playbackIntervalMs, 0);
    EXPECT_DOUBLE_EQ(doc.display.circleDiameter, 0.1);
    EXPECT_EQ(doc.display.circleOffsetX, 1'000'000);
    EXPECT_EQ(doc.display.circleOffsetY, -1'000'000);

    loadText(doc, systemLines("ColorTable=-3\nCircleDiameter=1e300\nPlayback Speed=1200\n"));
    EXPECT_EQ(doc.display.colourTable, 0);
    EXPECT_DOUBLE_EQ(doc.display.circleDiameter, 1000.0);
    EXPECT_EQ(doc.files.playbackIntervalMs, 1200);  // a recorded ping period may stand
}

TEST(SettingsLoadRules, FoldersEndInASlashAndAnEmptyOneKeepsTheCurrent) {
    CSondrelDoc doc;
    doc.files.readDirectory = doc.files.writeDirectory = "/opt/sondrel/";
    loadText(doc, systemLines("Read File Directory=/data/pipes\nWrite File Directory=\n"));
    EXPECT_EQ(doc.files.readDirectory, "/data/pipes/");
    EXPECT_EQ(doc.files.writeDirectory, "/opt/sondrel/");
}

// ------------------------------------------------------------------ playback

TEST(SettingsFile, DuringPlaybackTheHeadSettingsAreNeitherLoadedNorSaved) {
    TempFolder folder;
    const std::string original =
        "[System Settings]\r\n"
        "Speed of Sound=1480.0\r\n"
        "Playback Speed=300\r\n"
        "\r\n"
        "[Sonar Settings]\r\n"
        "Range=2.00\r\n"
        "Gain=12\r\n"
        "Sector Mode=2\r\n";
    const std::string path = folder.write(kSettingsFileName, original);

    CSondrelDoc doc;
    doc.flags.playbackActive = true;
    doc.head.setGain(9);
    const CommandBuffer before = doc.head.command;
    loadSettings(doc, path);
    EXPECT_EQ(doc.head.gainDb, 9);
    EXPECT_EQ(doc.head.scanMode, kPolar);
    EXPECT_EQ(doc.head.command, before);
    EXPECT_DOUBLE_EQ(doc.head.soundVelocity, 1480.0);
    EXPECT_EQ(doc.files.playbackIntervalMs, 300);

    // What playback put into the document stays out of the file, except the
    // playback interval and the orientation switch.
    doc.head.soundVelocity = 1455.0;
    doc.head.setGain(3);
    doc.head.setRangeIndex(0);
    doc.files.playbackIntervalMs = 250;
    doc.link.prdEnable = 1;
    ASSERT_TRUE(saveSettings(doc, path));
    const std::string text = readBytes(path);
    EXPECT_EQ(sectionText(text, "[Sonar Settings]"), sectionText(original, "[Sonar Settings]"));
    EXPECT_NE(text.find("Speed of Sound=1480.0\r\n"), std::string::npos);
    EXPECT_NE(text.find("Playback Speed=250\r\n"), std::string::npos);
    EXPECT_NE(text.find("EnablePRDInput=1\r\n"), std::string::npos);

    // A first save during playback writes neither.
    const std::string fresh = folder.file("fresh.INI");
    ASSERT_TRUE(saveSettings(doc, fresh));
    const std::string freshText = readBytes(fresh);
    EXPECT_EQ(freshText.find("Sonar Settings"), std::string::npos);
    EXPECT_EQ(freshText.find("Speed of Sound"), std::string::npos);
    EXPECT_NE(freshText.find("Playback Speed=250\r\n"), std::string::npos);
}

// ------------------------------------------------------------------ bad files

TEST(SettingsFile, EmptyBinaryAndOverlongFilesGiveTheDefaults) {
    TempFolder folder;
    CSondrelDoc reference;
    loadSettings(reference, folder.file("missing.INI"));

    std::mt19937 random(20240601);
    std::string binary(64 * 1024, '\0');
    for (char& c : binary) c = static_cast<char>(random() & 0xFF);
    const std::string huge(4 * 1024 * 1024, 'x');
    const std::string files[] = {
        folder.write("empty.INI", ""),
        folder.write("binary.INI", binary),
        folder.write("overlong.INI", huge + "\n[System Settings]\n" + huge + "\n"),
    };
    for (const std::string& path : files) {
        CSondrelDoc doc;
        loadSettings(doc, path);
        expectSamePersistedSettings(reference, doc);
    }

    CSondrelDoc doc;
    loadSettings(doc, folder.write("longvalue.INI", systemLines("IP Address=" + huge + "\n")));
    EXPECT_EQ(doc.link.ipAddress, std::string(kMaxIniValueLength, 'x'));
}

TEST(SettingsFile, ArbitraryValuesForEveryKeyKeepTheDocumentLegal) {
    const char* systemKeys[] = {
        "Sonar Type",
        "SonarComPort",
        "RTS",
        "AutoSaveFileName",
        "OpenFileFilterIndex",
        "ColorTable",
        "Speed of Sound",
        "Metric Scale",
        "ViewRangeMark",
        "Grid",
        "Playback Speed",
        "Diagnostics Visible",
        "SettingsDlgVisible",
        "EnablePRDInput",
        "PRDComPort",
        "PRDComPortBaud",
        "SentenceType",
        "ProfileDispMode",
        "Zoom",
        "PointsColor",
        "PointSize",
        "TextSize",
        "Display PRD",
        "RollCorrection",
        "CircleOffsetX",
        "CircleOffsetY",
        "CircleDiameter",
        "DisplayCircle",
        "PPMinRange",
    };
    const char* sonarKeys[] = {
        "Range",       "Range Index",  "Gain",     "Sonar FWD/AFT",     "Zero Up/Down",
        "Train Polar", "Train Sector", "Train SS", "SectorWidth Polar", "SectorWidth Sector",
        "Step Size",   "Sector Mode",
    };
    std::mt19937 random(7);
    auto anyValue = [&random]() -> std::string {
        switch (random() % 6) {
            case 0:
                return std::to_string(static_cast<int>(random() % 600) - 100);
            case 1:
                return std::to_string(static_cast<std::int32_t>(random()));
            case 2:
                return std::to_string((static_cast<int>(random() % 20000) - 5000) / 100.0);
            case 3:
                return "1e" + std::to_string(static_cast<int>(random() % 700) - 350);
            case 4:
                return std::string(static_cast<std::size_t>(random() % 40), '9');
            default:
                return "-" + std::string(static_cast<std::size_t>(random() % 40), '9');
        }
    };
    const std::vector<int> legalSteps = {0, 1, 2, 3, 4, 8};
    for (int round = 0; round < 300; ++round) {
        std::string text = "[System Settings]\n";
        for (const char* key : systemKeys) text += std::string(key) + "=" + anyValue() + "\n";
        text += "[Sonar Settings]\n";
        for (const char* key : sonarKeys) text += std::string(key) + "=" + anyValue() + "\n";

        CSondrelDoc doc;
        loadText(doc, text);
        SCOPED_TRACE(text);
        EXPECT_EQ(doc.head.command[cmd::kStart], cmd::kStartByte);
        EXPECT_EQ(doc.head.command[cmd::kEnd], cmd::kEndByte);
        for (std::size_t i = cmd::kStart + 1; i < cmd::kEnd; ++i) {
            EXPECT_NE(doc.head.command[i], cmd::kEndByte) << "byte " << i;
        }
        EXPECT_TRUE(doc.head.sonarType == kTypeP || doc.head.sonarType == kTypeQ);
        EXPECT_TRUE(doc.head.rangeIndex >= 0 && doc.head.rangeIndex < kRangeCount);
        EXPECT_EQ(rangeCodeFor(doc.head.rangeMetres), doc.head.command[cmd::kRange]);
        EXPECT_DOUBLE_EQ(doc.head.rangeMetres,
                         rangeMetresForIndex(rangeIndexForCode(doc.head.command[cmd::kRange])));
        EXPECT_TRUE(doc.head.gainDb >= 0 && doc.head.gainDb <= 20);
        EXPECT_EQ(doc.head.command[cmd::kGain], doc.head.gainDb);
        for (int train : {doc.head.trainPolar, doc.head.trainSector, doc.head.trainSideScan,
                          doc.head.currentTrain}) {
            EXPECT_TRUE(train >= 0 && train <= 120);
        }
        EXPECT_TRUE(doc.head.sectorWidthSector >= 0 && doc.head.sectorWidthSector <= 60);
        EXPECT_TRUE(doc.head.sectorWidthPolar >= 0 && doc.head.sectorWidthPolar <= 120);
        EXPECT_EQ(doc.head.command[cmd::kSectorWidth], doc.head.currentSectorWidth);
        EXPECT_EQ(doc.head.command[cmd::kTrain], doc.head.currentTrain);
        EXPECT_NE(std::find(legalSteps.begin(), legalSteps.end(), doc.head.stepSize),
                  legalSteps.end());
        EXPECT_EQ(doc.head.command[cmd::kStepSize], doc.head.stepSize);
        EXPECT_TRUE(doc.head.scanMode >= kSector && doc.head.scanMode <= kSideScan);
        EXPECT_TRUE(soundVelocityInRange(doc.head.soundVelocity));
        EXPECT_TRUE(doc.head.profileMinRange >= 0.0 && doc.head.profileMinRange <= 2.5);
        EXPECT_TRUE(doc.display.zoom >= 0.5 && doc.display.zoom <= 4.0);
        EXPECT_TRUE(std::isfinite(doc.display.circleDiameter) && doc.display.circleDiameter > 0);
        EXPECT_TRUE(doc.display.colourTable >= 0 && doc.display.colourTable <= 8);
        EXPECT_TRUE(doc.display.textSize >= 0 && doc.display.textSize <= 4);
        EXPECT_GE(doc.files.playbackIntervalMs, 0);
        if (HasFailure()) break;
    }
}

// ------------------------------------------------------------------ unwritable

TEST(SettingsFile, AnUnwritableOrForeignFileIsNotWrittenAndNothingBreaks) {
    TempFolder folder;
    CSondrelDoc doc;
    setEverySetting(doc);
    const std::string plain = folder.write("plain", "not a folder");
    EXPECT_FALSE(saveSettings(doc, plain + "/" + kSettingsFileName));
    EXPECT_FALSE(saveSettings(doc, folder.path()));
    EXPECT_EQ(readBytes(plain), "not a folder");

    // Too large to be a settings file: left as it is rather than replaced.
    const std::string big = folder.write("big.INI", "[System Settings]\n");
    std::filesystem::resize_file(big, kMaxIniFileSize + 1);
    EXPECT_FALSE(saveSettings(doc, big));
    EXPECT_EQ(std::filesystem::file_size(big), kMaxIniFileSize + 1);

    // The document still saves where it can.
    const std::string good = folder.file(kSettingsFileName);
    EXPECT_TRUE(saveSettings(doc, good));
    CSondrelDoc reloaded;
    loadSettings(reloaded, good);
    expectSamePersistedSettings(doc, reloaded);
}

// Every key of the table is read back except those written only for other
// programs: dropping a read key from a file changes what the document then
// saves, dropping a write-only one does not.
TEST(SettingsKeys, EveryKeyIsReadBackExceptTheWriteOnlyOnes) {
    const std::set<std::string> writeOnly = {"SonarComPortBaud", "Auto Settings", "Frequency",
                                             "Pulse Length",     "Absorption",    "Sonar Up/Down"};
    CSondrelDoc doc;
    setEverySetting(doc);
    doc.link.ipPort = 4041;  // so that "IP Port" is written too
    IniFile full;
    saveSettings(doc, full);
    auto resaved = [](const IniFile& file) {
        CSondrelDoc loaded;
        loadSettings(loaded, file);
        IniFile out;
        saveSettings(loaded, out);
        return out.text();
    };
    const std::string everything = resaved(full);

    std::set<std::pair<std::string_view, std::string_view>> seen;
    for (const SettingsKey& k : settingsKeys()) {
        SCOPED_TRACE(std::string(k.key));
        EXPECT_TRUE(seen.insert({k.section, k.key}).second) << "described twice";
        EXPECT_EQ(k.use == SettingsKey::Use::WriteOnly, writeOnly.contains(std::string(k.key)));
        ASSERT_TRUE(full.value(k.section, k.key).has_value());
        // The file without this one key.
        std::string text = full.text();
        const std::string line = std::string(k.key) + "=";
        const auto at = text.find("\n" + line);
        ASSERT_NE(at, std::string::npos);
        text.erase(at + 1, text.find('\n', at + 1) - at);
        IniFile without;
        without.parse(text);
        ASSERT_FALSE(without.value(k.section, k.key).has_value());
        EXPECT_EQ(resaved(without) != everything, !writeOnly.contains(std::string(k.key)));
    }
}
