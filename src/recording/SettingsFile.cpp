#include "recording/SettingsFile.h"

#include <algorithm>
#include <cstdint>

#include "acquisition/Links.h"
#include "acquisition/SondrelDoc.h"
#include "common/IniFile.h"

namespace sondrel {

namespace {

// Defaults of keys that the file gives its own value when missing; the document's
// creation defaults differ for some of them and only stand until the first load.
constexpr const char* kDefaultIpAddress = "192.168.0.5";
constexpr int kDefaultSonarComPort = 1;
constexpr int kDefaultPrdComPort = 3;
constexpr int kDefaultPrdBaud = 38400;
constexpr double kDefaultRangeMetres = 1.0;
constexpr int kDefaultRangeIndex = 5;
constexpr int kDefaultGain = 6;
constexpr int kDefaultTrain = 60;
constexpr int kDefaultTrainSideScan = 30;
constexpr int kDefaultStepSize = 3;
// Loading the scan mode puts the head back to these, whatever was in force.
constexpr int kModeAbsorptionCode = 170;
constexpr int kModePulseLengthCode = 1;
constexpr int kModeFrequencyCode = 100;

// Legal ranges of values read here that index a table, reach the command buffer
// or feed the view's geometry.
constexpr int kMaxGain = 20;
constexpr int kMaxTrainCode = 120;
constexpr int kMaxWidthSector = 60;
constexpr int kMaxWidthPolar = 120;
constexpr int kColorTableCount = 9;
constexpr int kTextSizeCount = 5;
constexpr double kMinZoom = 0.5;
constexpr double kMaxZoom = 4.0;
constexpr double kMaxProfileMinRange = 2.5;
constexpr double kMinCircleDiameter = 0.1;
// Far beyond any pipe, yet small enough for the view's pixel arithmetic.
constexpr double kMaxCircleDiameter = 1000.0;
constexpr int kMaxCircleOffset = 1'000'000;
// A record's ping period is a 16-bit value and may stand as the playback interval.
constexpr int kMaxPlaybackIntervalMs = 65535;

// Byte settings keep the low 8 bits of the number, as a byte of the command would.
int lowByte(int value) {
    return value & 0xFF;
}

int legalStepSize(int stepSize) {
    // 5 always stands for 8; the others between names go where the speed
    // control would put them.
    if (stepSize == 6 || stepSize == 7) return 4;
    if (stepSize >= 5) return 8;
    return std::max(stepSize, 0);
}

std::string folderValue(const std::string& text, const std::string& current) {
    // File names are made by appending to the folder, so it must end in '/'; an
    // empty value would send files to whatever the working folder happens to be.
    if (text.empty()) return current;
    if (text.back() == '/') return text;
    return text + '/';
}

Colour colourValue(const IniFile& ini, const char* key, Colour current) {
    return static_cast<Colour>(ini.readInt(kSystemSettingsSection, key, static_cast<int>(current)));
}

void loadSystemSettings(CSondrelDoc& doc, const IniFile& ini) {
    const char* s = kSystemSettingsSection;
    DisplaySettings& display = doc.display;

    const int type = ini.readInt(s, "Sonar Type", kTypeP);
    doc.sonarType = (type == kTypeP || type == kTypeQ) ? type : kTypeP;
    doc.ipAddress = ini.readString(s, "IP Address", kDefaultIpAddress);
    // Our own key: real heads listen on 4040; a simulated head may listen elsewhere.
    const int ipPort = ini.readInt(s, "IP Port", kDefaultHeadPort);
    doc.ipPort = (ipPort >= 1 && ipPort <= 65535) ? ipPort : kDefaultHeadPort;
    doc.sonarComPort = ini.readInt(s, "SonarComPort", kDefaultSonarComPort);
    doc.rtsEnable = ini.readInt(s, "RTS", 0);
    doc.readDirectory =
        folderValue(ini.readString(s, "Read File Directory", doc.readDirectory), doc.readDirectory);
    doc.writeDirectory = folderValue(ini.readString(s, "Write File Directory", doc.writeDirectory),
                                     doc.writeDirectory);
    doc.autoFileNames = ini.readInt(s, "AutoSaveFileName", 0);
    doc.openFilterIndex = ini.readInt(s, "OpenFileFilterIndex", 0);
    display.colorTable = std::clamp(ini.readInt(s, "ColorTable", 0), 0, kColorTableCount - 1);

    const double velocity = ini.readReal(s, "Speed of Sound", kDefaultSoundVelocity);
    doc.soundVelocity = soundVelocityInRange(velocity) ? velocity : kDefaultSoundVelocity;
    doc.unitsFeet = ini.readInt(s, "Metric Scale", 0);
    display.viewRangeMark = ini.readInt(s, "ViewRangeMark", 1);
    display.gridStyle = ini.readInt(s, "Grid", 1);
    doc.playbackIntervalMs =
        std::clamp(ini.readInt(s, "Playback Speed", 0), 0, kMaxPlaybackIntervalMs);
    display.diagnosticsVisible = ini.readInt(s, "Diagnostics Visible", 0);
    display.settingsDlgVisible = ini.readInt(s, "SettingsDlgVisible", 0);
    doc.prdEnable = ini.readInt(s, "EnablePRDInput", 0);
    doc.prdComPort = ini.readInt(s, "PRDComPort", kDefaultPrdComPort);
    doc.prdBaud = ini.readInt(s, "PRDComPortBaud", kDefaultPrdBaud);
    doc.sentenceType = ini.readInt(s, "SentenceType", 0);
    display.profileDispMode = ini.readInt(s, "ProfileDispMode", 0);
    display.profileMixFactor = profileMixFactorFor(display.profileDispMode);

    const double zoom = ini.readReal(s, "Zoom", 1.0);
    display.zoom = zoom <= 0.0 ? 1.0 : std::clamp(zoom, kMinZoom, kMaxZoom);

    display.pointsColor = colourValue(ini, "PointsColor", display.pointsColor);
    display.gridColor = colourValue(ini, "GridColor", display.gridColor);
    display.bkColor = colourValue(ini, "BKColor", display.bkColor);
    display.textColor = colourValue(ini, "TextColor", display.textColor);
    display.circleColor = colourValue(ini, "CircleColor", display.circleColor);
    display.lineColor = colourValue(ini, "LineColor", display.lineColor);
    display.pointSize = ini.readInt(s, "PointSize", display.pointSize);
    display.textSize =
        std::clamp(ini.readInt(s, "TextSize", display.textSize), 0, kTextSizeCount - 1);
    display.displayPrd = ini.readInt(s, "Display PRD", display.displayPrd);
    display.rollCorrection = ini.readInt(s, "RollCorrection", display.rollCorrection);
    display.circleOffsetX = std::clamp(ini.readInt(s, "CircleOffsetX", display.circleOffsetX),
                                       -kMaxCircleOffset, kMaxCircleOffset);
    display.circleOffsetY = std::clamp(ini.readInt(s, "CircleOffsetY", display.circleOffsetY),
                                       -kMaxCircleOffset, kMaxCircleOffset);
    display.circleDiameter =
        std::clamp(ini.readReal(s, "CircleDiameter", 1.0), kMinCircleDiameter, kMaxCircleDiameter);
    display.displayCircle = ini.readInt(s, "DisplayCircle", display.displayCircle);
    doc.profileMinRange = std::clamp(ini.readReal(s, "PPMinRange", 0.0), 0.0, kMaxProfileMinRange);
}

void loadSonarSettings(CSondrelDoc& doc, const IniFile& ini) {
    const char* s = kSonarSettingsSection;

    // The range in metres is kept as the table entry of its code, so that the
    // view scales by the range the head is actually sent.
    const std::uint8_t rangeCode = rangeCodeFor(ini.readReal(s, "Range", kDefaultRangeMetres));
    doc.command[cmd::kRange] = rangeCode;
    doc.rangeMetres = rangeMetresForIndex(rangeIndexForCode(rangeCode));
    doc.rangeIndex = clampRangeIndex(lowByte(ini.readInt(s, "Range Index", kDefaultRangeIndex)));

    doc.setGain(std::min(lowByte(ini.readInt(s, "Gain", kDefaultGain)), kMaxGain));
    doc.xdcrForward = ini.readInt(s, "Sonar FWD/AFT", doc.xdcrForward);
    doc.zeroDown = ini.readInt(s, "Zero Up/Down", doc.zeroDown);

    doc.trainPolar = std::min(lowByte(ini.readInt(s, "Train Polar", kDefaultTrain)), kMaxTrainCode);
    doc.trainSector =
        std::min(lowByte(ini.readInt(s, "Train Sector", kDefaultTrain)), kMaxTrainCode);
    doc.trainSideScan =
        std::min(lowByte(ini.readInt(s, "Train SS", kDefaultTrainSideScan)), kMaxTrainCode);
    doc.sectorWidthPolar =
        std::min(lowByte(ini.readInt(s, "SectorWidth Polar", kMaxWidthPolar)), kMaxWidthPolar);
    doc.sectorWidthSector =
        std::min(lowByte(ini.readInt(s, "SectorWidth Sector", kMaxWidthSector)), kMaxWidthSector);
    doc.setStepSize(legalStepSize(lowByte(ini.readInt(s, "Step Size", kDefaultStepSize))));

    int mode = ini.readInt(s, "Sector Mode", kPolar);
    if (mode < kSector || mode > kSideScan) mode = kSector;
    doc.scanMode = mode;
    switch (mode) {
        case kSector:
            doc.setCurrentTrain(doc.trainSector);
            doc.setCurrentSectorWidth(doc.sectorWidthSector);
            break;
        case kPolar:
            doc.setCurrentTrain(doc.trainPolar);
            doc.setCurrentSectorWidth(doc.sectorWidthPolar);
            break;
        default:
            doc.setCurrentTrain(doc.trainSideScan);
            doc.setCurrentSectorWidth(0);
            doc.setStepSize(0);
            break;
    }
    // The speed stored outside SideScan is the one last chosen there, and must
    // come back when SideScan is left.
    if (mode != kSideScan && doc.stepSize != 0) doc.stepSizeSaved = doc.stepSize;

    doc.setAbsorptionCode(kModeAbsorptionCode);
    doc.setPulseLengthCode(kModePulseLengthCode);
    doc.setFrequencyCode(kModeFrequencyCode);
}

void saveSystemSettings(const CSondrelDoc& doc, IniFile& ini) {
    const char* s = kSystemSettingsSection;
    const DisplaySettings& display = doc.display;
    auto colour = [&](const char* key, Colour value) {
        ini.setInt(s, key, static_cast<std::int32_t>(value));
    };

    ini.setInt(s, "Sonar Type", doc.sonarType);
    ini.setValue(s, "IP Address", doc.ipAddress);
    // Files of heads on the usual port stay as they always were.
    if (doc.ipPort != kDefaultHeadPort || ini.value(s, "IP Port")) {
        ini.setInt(s, "IP Port", doc.ipPort);
    }
    ini.setInt(s, "SonarComPort", doc.sonarComPort);
    ini.setInt(s, "SonarComPortBaud", doc.sonarBaud);
    ini.setInt(s, "RTS", doc.rtsEnable);
    ini.setValue(s, "Read File Directory", doc.readDirectory);
    ini.setValue(s, "Write File Directory", doc.writeDirectory);
    ini.setInt(s, "AutoSaveFileName", doc.autoFileNames);
    ini.setInt(s, "OpenFileFilterIndex", doc.openFilterIndex);
    ini.setInt(s, "ColorTable", display.colorTable);
    if (!doc.playbackActive) ini.setReal(s, "Speed of Sound", doc.soundVelocity, 1);
    ini.setInt(s, "Metric Scale", doc.unitsFeet);
    ini.setInt(s, "ViewRangeMark", display.viewRangeMark);
    ini.setInt(s, "Grid", display.gridStyle);
    ini.setInt(s, "Playback Speed", doc.playbackIntervalMs);
    ini.setInt(s, "Diagnostics Visible", display.diagnosticsVisible);
    ini.setInt(s, "SettingsDlgVisible", display.settingsDlgVisible);
    ini.setInt(s, "EnablePRDInput", doc.prdEnable);
    ini.setInt(s, "PRDComPort", doc.prdComPort);
    ini.setInt(s, "PRDComPortBaud", doc.prdBaud);
    ini.setInt(s, "SentenceType", doc.sentenceType);
    ini.setInt(s, "ProfileDispMode", display.profileDispMode);
    ini.setReal(s, "Zoom", display.zoom, 2);
    colour("PointsColor", display.pointsColor);
    colour("GridColor", display.gridColor);
    colour("BKColor", display.bkColor);
    colour("TextColor", display.textColor);
    colour("CircleColor", display.circleColor);
    colour("LineColor", display.lineColor);
    ini.setInt(s, "PointSize", display.pointSize);
    ini.setInt(s, "TextSize", display.textSize);
    ini.setInt(s, "Display PRD", display.displayPrd);
    ini.setInt(s, "RollCorrection", display.rollCorrection);
    ini.setInt(s, "CircleOffsetX", display.circleOffsetX);
    ini.setInt(s, "CircleOffsetY", display.circleOffsetY);
    ini.setReal(s, "CircleDiameter", display.circleDiameter, 2);
    ini.setInt(s, "DisplayCircle", display.displayCircle);
    ini.setReal(s, "PPMinRange", doc.profileMinRange, 2);
}

void saveSonarSettings(const CSondrelDoc& doc, IniFile& ini) {
    const char* s = kSonarSettingsSection;
    ini.setReal(s, "Range", doc.rangeMetres, 2);
    ini.setInt(s, "Range Index", doc.rangeIndex);
    ini.setInt(s, "Gain", doc.gainDb);
    ini.setInt(s, "Train Polar", doc.trainPolar);
    ini.setInt(s, "Train Sector", doc.trainSector);
    ini.setInt(s, "Train SS", doc.trainSideScan);
    ini.setInt(s, "SectorWidth Polar", doc.sectorWidthPolar);
    ini.setInt(s, "SectorWidth Sector", doc.sectorWidthSector);
    ini.setInt(s, "Step Size", doc.stepSize);
    ini.setInt(s, "Sector Mode", doc.scanMode);
    ini.setInt(s, "Auto Settings", doc.autoFrequency);
    ini.setInt(s, "Frequency", doc.frequencyCode);
    ini.setInt(s, "Pulse Length", doc.pulseLengthCode);
    ini.setInt(s, "Absorption", doc.absorptionCode);
    ini.setInt(s, "Sonar Up/Down", doc.trainReversed);
    ini.setInt(s, "Sonar FWD/AFT", doc.xdcrForward);
    ini.setInt(s, "Zero Up/Down", doc.zeroDown);
}

}  // namespace

void loadSettings(CSondrelDoc& doc, const IniFile& ini) {
    loadSystemSettings(doc, ini);
    if (!doc.playbackActive) loadSonarSettings(doc, ini);
}

void saveSettings(const CSondrelDoc& doc, IniFile& ini) {
    saveSystemSettings(doc, ini);
    if (!doc.playbackActive) saveSonarSettings(doc, ini);
}

void loadSettings(CSondrelDoc& doc, const std::string& path) {
    IniFile ini;
    ini.load(path);  // whatever could not be read takes its default
    loadSettings(doc, ini);
}

bool saveSettings(const CSondrelDoc& doc, const std::string& path) {
    IniFile ini;
    // A file that exists but could not be read is not overwritten: what it holds
    // is unknown and would be lost.
    if (ini.load(path) == IniFile::LoadResult::Unreadable) return false;
    saveSettings(doc, ini);
    return ini.save(path);
}

}  // namespace sondrel
