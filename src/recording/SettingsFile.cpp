#include "recording/SettingsFile.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <type_traits>

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
constexpr int kDefaultStepSize = 3;
// Loading the scan mode puts the head back to these, whatever was in force.
constexpr int kModeAbsorptionCode = 170;
constexpr int kModePulseLengthCode = 1;
constexpr int kModeFrequencyCode = 100;

// Legal ranges of values read here that index a table, reach the command buffer
// or feed the view's geometry, beyond those of the settings' descriptors.
constexpr int kTextSizeCount = 5;
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

// ------------------------------------------------------------------ load rules

int knownSonarType(int type) {
    return (type == kTypeP || type == kTypeQ) ? type : kTypeP;
}
int legalHeadPort(int port) {
    return (port >= 1 && port <= 65535) ? port : kDefaultHeadPort;
}
double legalSoundVelocity(double velocity) {
    return setting::kSoundVelocity.contains(velocity) ? velocity
                                                      : setting::kSoundVelocity.defaultValue;
}
double legalZoom(double zoom) {
    return zoom <= 0.0 ? setting::kZoom.defaultValue : setting::kZoom.clamped(zoom);
}
template <int Low, int High>
int clampedTo(int value) {
    return std::clamp(value, Low, High);
}
// Real limits are plain functions: clang 14, which builds the fuzz targets,
// takes no floating-point template arguments.
double legalCircleDiameter(double diameter) {
    return std::clamp(diameter, kMinCircleDiameter, kMaxCircleDiameter);
}
double legalProfileMinRange(double metres) {
    return setting::kProfileMinRange.clamped(metres);
}
// A byte setting at most its descriptor's maximum.
template <const SettingDescriptor& Setting>
int lowByteAtMost(int value) {
    return std::min(lowByte(value), static_cast<int>(Setting.maximum));
}
int legalRangeIndex(int value) {
    return clampRangeIndex(lowByte(value));
}
int knownScanMode(int mode) {
    return (mode < kSector || mode > kSideScan) ? kSector : mode;
}

// ------------------------------------------------------------------ reading and writing a key

int readInt(const IniFile& ini, const SettingsKey& k, int current) {
    const int fallback = k.fallback.keepsCurrent ? current : static_cast<int>(k.fallback.number);
    const int value = ini.readInt(k.section, k.key, fallback);
    return k.intRule ? k.intRule(value) : value;
}

int decimalsOf(const SettingsKey& k) {
    return k.format == SettingsKey::Format::Fixed1 ? 1 : 2;
}

double readReal(const IniFile& ini, const SettingsKey& k, double current) {
    double value =
        ini.readReal(k.section, k.key, k.fallback.keepsCurrent ? current : k.fallback.number);
    if (k.realRule) value = k.realRule(value);
    // A value with more decimals than the file keeps would change at the next
    // save ("0.168" is saved as "0.17" and then drives the head differently):
    // it is taken as it will be saved. The rules' limits and defaults are
    // values the file can hold, so the rounded value still obeys its rule.
    if (ini.value(k.section, k.key)) value = parseLeadingReal(formatFixed(value, decimalsOf(k)));
    return value;
}

std::string readText(const IniFile& ini, const SettingsKey& k, const std::string& current) {
    const std::string value = ini.readString(
        k.section, k.key, k.fallback.keepsCurrent ? std::string_view(current) : k.fallback.text);
    return k.textRule ? k.textRule(value, current) : value;
}

void writeReal(IniFile& ini, const SettingsKey& k, double value) {
    ini.setReal(k.section, k.key, value, decimalsOf(k));
}

// The part of the document a field pointer belongs to, told by its class.
template <typename Part, typename T>
Part& partOf(CSondrelDoc& doc, T Part::*) {
    if constexpr (std::is_same_v<Part, HeadSettings>) {
        return doc.head;
    } else if constexpr (std::is_same_v<Part, LinkStatus>) {
        return doc.link;
    } else if constexpr (std::is_same_v<Part, FileSettings>) {
        return doc.files;
    } else {
        return doc.display;
    }
}

template <typename Visitor>
void visitField(const SettingsKey& k, CSondrelDoc& doc, Visitor&& visit) {
    std::visit(
        [&](auto member) {
            using Member = decltype(member);
            if constexpr (std::is_same_v<Member, std::monostate>) {
                return;
            } else {
                visit(partOf(doc, member).*member);
            }
        },
        k.field);
}

void loadField(CSondrelDoc& doc, const IniFile& ini, const SettingsKey& k) {
    visitField(k, doc, [&](auto& field) {
        using T = std::remove_reference_t<decltype(field)>;
        if constexpr (std::is_same_v<T, int>) {
            field = readInt(ini, k, field);
        } else if constexpr (std::is_same_v<T, Colour>) {
            field = static_cast<Colour>(readInt(ini, k, static_cast<int>(field)));
        } else if constexpr (std::is_same_v<T, double>) {
            field = readReal(ini, k, field);
        } else {
            field = readText(ini, k, field);
        }
    });
}

void saveField(const CSondrelDoc& doc, IniFile& ini, const SettingsKey& k) {
    // Saving only reads the field; the visitor is shared with loading.
    visitField(k, const_cast<CSondrelDoc&>(doc), [&](const auto& field) {
        using T = std::remove_cvref_t<decltype(field)>;
        if constexpr (std::is_same_v<T, int>) {
            ini.setInt(k.section, k.key, field);
        } else if constexpr (std::is_same_v<T, Colour>) {
            ini.setInt(k.section, k.key, static_cast<std::int32_t>(field));
        } else if constexpr (std::is_same_v<T, double>) {
            writeReal(ini, k, field);
        } else {
            ini.setValue(k.section, k.key, field);
        }
    });
}

// ------------------------------------------------------------------ keys that set more than their
// field

void loadProfileMode(CSondrelDoc& doc, const IniFile& ini, const SettingsKey& k) {
    DisplaySettings& display = doc.display;
    display.profileDispMode = readInt(ini, k, display.profileDispMode);
    display.profileMixFactor = profileMixFactorFor(display.profileDispMode);
}

// The range in metres is kept as the table entry of its code, so that the view
// scales by the range the head is actually sent.
void loadRange(CSondrelDoc& doc, const IniFile& ini, const SettingsKey& k) {
    const std::uint8_t rangeCode = rangeCodeFor(readReal(ini, k, doc.head.rangeMetres));
    doc.head.command[cmd::kRange] = rangeCode;
    doc.head.rangeMetres = rangeMetresForIndex(rangeIndexForCode(rangeCode));
}

void loadGain(CSondrelDoc& doc, const IniFile& ini, const SettingsKey& k) {
    doc.head.setGain(readInt(ini, k, doc.head.gainDb));
}

void loadStepSize(CSondrelDoc& doc, const IniFile& ini, const SettingsKey& k) {
    doc.head.setStepSize(legalStepSize(lowByte(readInt(ini, k, doc.head.stepSize))));
}

// The mode brings its own train and width, read before it, and puts the head's
// other settings back to where a mode change leaves them.
void loadScanMode(CSondrelDoc& doc, const IniFile& ini, const SettingsKey& k) {
    const int mode = readInt(ini, k, doc.head.scanMode);
    doc.head.scanMode = mode;
    switch (mode) {
        case kSector:
            doc.head.setCurrentTrain(doc.head.trainSector);
            doc.head.setCurrentSectorWidth(doc.head.sectorWidthSector);
            break;
        case kPolar:
            doc.head.setCurrentTrain(doc.head.trainPolar);
            doc.head.setCurrentSectorWidth(doc.head.sectorWidthPolar);
            break;
        default:
            doc.head.setCurrentTrain(doc.head.trainSideScan);
            doc.head.setCurrentSectorWidth(0);
            doc.head.setStepSize(0);
            break;
    }
    // The speed stored outside SideScan is the one last chosen there, and must
    // come back when SideScan is left.
    if (mode != kSideScan && doc.head.stepSize != 0) doc.head.stepSizeSaved = doc.head.stepSize;

    doc.head.setAbsorptionCode(kModeAbsorptionCode);
    doc.head.setPulseLengthCode(kModePulseLengthCode);
    doc.head.setFrequencyCode(kModeFrequencyCode);
}

// Files of heads on the usual port stay as they always were.
void saveHeadPort(const CSondrelDoc& doc, IniFile& ini, const SettingsKey& k) {
    if (doc.link.ipPort != kDefaultHeadPort || ini.value(k.section, k.key)) saveField(doc, ini, k);
}

// ------------------------------------------------------------------ the table

using D = DisplaySettings;
using F = SettingsKey::Format;
using U = SettingsKey::Use;
constexpr std::string_view kSystem = kSystemSettingsSection;
constexpr std::string_view kSonar = kSonarSettingsSection;

constexpr SettingsKey::Fallback current() {
    return {};
}
constexpr SettingsKey::Fallback value(double number) {
    return {false, number, {}};
}
constexpr SettingsKey::Fallback text(std::string_view value) {
    return {false, 0.0, value};
}

// A byte of the head's settings, read within its descriptor's range.
template <const SettingDescriptor& Setting>
constexpr SettingsKey byteSetting(int HeadSettings::*field) {
    return {kSonar,     Setting.key,           field, value(Setting.defaultValue),
            F::Decimal, lowByteAtMost<Setting>};
}

// Written and read in this order. "Sonar FWD/AFT" and "Zero Up/Down" are written
// last but belong with the head's orientation; no other key's rule reads them, so
// it does not matter that they are also read last.
const auto kSettingsKeys = std::to_array<SettingsKey>({
    {kSystem, "Sonar Type", &HeadSettings::sonarType, value(kTypeP), F::Decimal, knownSonarType},
    {kSystem, "IP Address", &LinkStatus::ipAddress, text(kDefaultIpAddress), F::Text},
    // Our own key: real heads listen on 4040; a simulated head may listen elsewhere.
    {kSystem, "IP Port", &LinkStatus::ipPort, value(kDefaultHeadPort), F::Decimal, legalHeadPort,
     nullptr, nullptr, U::ReadWrite, nullptr, saveHeadPort},
    {kSystem, "SonarComPort", &LinkStatus::sonarComPort, value(kDefaultSonarComPort)},
    {kSystem, "SonarComPortBaud", &LinkStatus::sonarBaud, current(), F::Decimal, nullptr, nullptr,
     nullptr, U::WriteOnly},
    {kSystem, "RTS", &LinkStatus::rtsEnable, value(0)},
    {kSystem, "Read File Directory", &FileSettings::readDirectory, current(), F::Text, nullptr,
     nullptr, folderValue},
    {kSystem, "Write File Directory", &FileSettings::writeDirectory, current(), F::Text, nullptr,
     nullptr, folderValue},
    {kSystem, "AutoSaveFileName", &FileSettings::autoFileNames, value(0)},
    {kSystem, "OpenFileFilterIndex", &FileSettings::openFilterIndex, value(0)},
    {kSystem, "ColorTable", &D::colourTable, value(0), F::Decimal,
     clampedTo<0, kColourTableCount - 1>},
    {kSystem, setting::kSoundVelocity.key, &HeadSettings::soundVelocity,
     value(setting::kSoundVelocity.defaultValue), F::Fixed1, nullptr, legalSoundVelocity, nullptr,
     U::LiveOnlySaved},
    {kSystem, "Metric Scale", &DisplaySettings::unitsFeet, value(0)},
    {kSystem, "ViewRangeMark", &D::viewRangeMark, value(1)},
    {kSystem, "Grid", &D::gridStyle, value(1)},
    {kSystem, "Playback Speed", &FileSettings::playbackIntervalMs, value(0), F::Decimal,
     clampedTo<0, kMaxPlaybackIntervalMs>},
    {kSystem, "Diagnostics Visible", &D::diagnosticsVisible, value(0)},
    {kSystem, "SettingsDlgVisible", &D::settingsDlgVisible, value(0)},
    {kSystem, "EnablePRDInput", &LinkStatus::prdEnable, value(0)},
    {kSystem, "PRDComPort", &LinkStatus::prdComPort, value(kDefaultPrdComPort)},
    {kSystem, "PRDComPortBaud", &LinkStatus::prdBaud, value(kDefaultPrdBaud)},
    {kSystem, "SentenceType", &LinkStatus::sentenceType, value(0)},
    {kSystem, "ProfileDispMode", &D::profileDispMode, value(0), F::Decimal, nullptr, nullptr,
     nullptr, U::ReadWrite, loadProfileMode},
    {kSystem, setting::kZoom.key, &D::zoom, value(setting::kZoom.defaultValue), F::Fixed2, nullptr,
     legalZoom},
    {kSystem, "PointsColor", &D::pointsColour, current()},
    {kSystem, "GridColor", &D::gridColour, current()},
    {kSystem, "BKColor", &D::bkColour, current()},
    {kSystem, "TextColor", &D::textColour, current()},
    {kSystem, "CircleColor", &D::circleColour, current()},
    {kSystem, "LineColor", &D::lineColour, current()},
    {kSystem, "PointSize", &D::pointSize, current()},
    {kSystem, "TextSize", &D::textSize, current(), F::Decimal, clampedTo<0, kTextSizeCount - 1>},
    {kSystem, "Display PRD", &D::displayPrd, current()},
    {kSystem, "RollCorrection", &D::rollCorrection, current()},
    {kSystem, "CircleOffsetX", &D::circleOffsetX, current(), F::Decimal,
     clampedTo<-kMaxCircleOffset, kMaxCircleOffset>},
    {kSystem, "CircleOffsetY", &D::circleOffsetY, current(), F::Decimal,
     clampedTo<-kMaxCircleOffset, kMaxCircleOffset>},
    {kSystem, "CircleDiameter", &D::circleDiameter, value(1.0), F::Fixed2, nullptr,
     legalCircleDiameter},
    {kSystem, "DisplayCircle", &D::displayCircle, current()},
    {kSystem, setting::kProfileMinRange.key, &HeadSettings::profileMinRange,
     value(setting::kProfileMinRange.defaultValue), F::Fixed2, nullptr, legalProfileMinRange},

    {kSonar, "Range", &HeadSettings::rangeMetres, value(kDefaultRangeMetres), F::Fixed2, nullptr,
     nullptr, nullptr, U::ReadWrite, loadRange},
    {kSonar, setting::kRangeIndex.key, &HeadSettings::rangeIndex,
     value(setting::kRangeIndex.defaultValue), F::Decimal, legalRangeIndex},
    {kSonar, setting::kGain.key, &HeadSettings::gainDb, value(setting::kGain.defaultValue),
     F::Decimal, lowByteAtMost<setting::kGain>, nullptr, nullptr, U::ReadWrite, loadGain},
    byteSetting<setting::kTrainPolar>(&HeadSettings::trainPolar),
    byteSetting<setting::kTrainSector>(&HeadSettings::trainSector),
    byteSetting<setting::kTrainSideScan>(&HeadSettings::trainSideScan),
    byteSetting<setting::kSectorWidthPolar>(&HeadSettings::sectorWidthPolar),
    byteSetting<setting::kSectorWidthSector>(&HeadSettings::sectorWidthSector),
    {kSonar, "Step Size", &HeadSettings::stepSize, value(kDefaultStepSize), F::Decimal, nullptr,
     nullptr, nullptr, U::ReadWrite, loadStepSize},
    {kSonar, "Sector Mode", &HeadSettings::scanMode, value(kPolar), F::Decimal, knownScanMode,
     nullptr, nullptr, U::ReadWrite, loadScanMode},
    {kSonar, "Auto Settings", &HeadSettings::autoFrequency, current(), F::Decimal, nullptr, nullptr,
     nullptr, U::WriteOnly},
    {kSonar, setting::kFrequencyCode.key, &HeadSettings::frequencyCode, current(), F::Decimal,
     nullptr, nullptr, nullptr, U::WriteOnly},
    {kSonar, setting::kPulseLengthCode.key, &HeadSettings::pulseLengthCode, current(), F::Decimal,
     nullptr, nullptr, nullptr, U::WriteOnly},
    {kSonar, setting::kAbsorptionCode.key, &HeadSettings::absorptionCode, current(), F::Decimal,
     nullptr, nullptr, nullptr, U::WriteOnly},
    {kSonar, "Sonar Up/Down", &HeadSettings::trainReversed, current(), F::Decimal, nullptr, nullptr,
     nullptr, U::WriteOnly},
    {kSonar, "Sonar FWD/AFT", &HeadSettings::xdcrForward, current()},
    {kSonar, "Zero Up/Down", &HeadSettings::zeroDown, current()},
});

// The head settings belong to the head being played back while a file plays.
bool sectionInUse(const CSondrelDoc& doc, const SettingsKey& k) {
    return k.section != kSonar || !doc.flags.playbackActive;
}

}  // namespace

std::span<const SettingsKey> settingsKeys() {
    return kSettingsKeys;
}

void loadSettings(CSondrelDoc& doc, const IniFile& ini) {
    for (const SettingsKey& k : kSettingsKeys) {
        if (k.use == SettingsKey::Use::WriteOnly || !sectionInUse(doc, k)) continue;
        if (k.load)
            k.load(doc, ini, k);
        else
            loadField(doc, ini, k);
    }
}

void saveSettings(const CSondrelDoc& doc, IniFile& ini) {
    for (const SettingsKey& k : kSettingsKeys) {
        if (!sectionInUse(doc, k)) continue;
        if (k.use == SettingsKey::Use::LiveOnlySaved && doc.flags.playbackActive) continue;
        if (k.save)
            k.save(doc, ini, k);
        else
            saveField(doc, ini, k);
    }
}

void loadSettings(CSondrelDoc& doc, const std::string& path) {
    IniFile ini;
    ini.load(path);  // whatever could not be read takes its default
    loadSettings(doc, ini);
}

bool saveSettings(const CSondrelDoc& doc, const std::string& path, std::string* reason) {
    IniFile ini;
    // A file that exists but could not be read is not overwritten: what it holds
    // is unknown and would be lost.
    if (ini.load(path) == IniFile::LoadResult::Unreadable) {
        if (reason) *reason = "the file could not be read, and was left as it was";
        return false;
    }
    saveSettings(doc, ini);
    return ini.save(path, reason);
}

}  // namespace sondrel
