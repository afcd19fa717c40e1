#include "app/SettingsPanel.h"

#include "acquisition/SondrelDoc.h"
#include "common/IniFile.h"
#include "display/TextFormat.h"

namespace sondrel {

namespace {

constexpr std::array<std::string_view, kPanelRowCount> kLabels = {
    "Range", "Gain",      "Sector",     "Train",        "Speed",
    "Mode",  "Frequency", "Absorption", "Pulse Length", "Switch Delay",
};

PanelField field(std::string text, int minimum, int maximum, int position) {
    return {std::move(text), minimum, maximum, position, true};
}

// The shortest decimal form of a range: 0.25, 0.5, 1, 2.25.
std::string shortDecimal(double value) {
    std::string text = formatFixed(value, 2);
    while (text.back() == '0') text.pop_back();
    if (text.back() == '.') text.pop_back();
    return text;
}

std::string rangeText(const CSondrelDoc& doc, const HeadSettings& shown) {
    const double metres = rangeMetresForIndex(shown.rangeIndex);
    // Feet are shown as three per metre, as the head's range marks are.
    if (doc.display.unitsFeet == 1) return shortDecimal(3.0 * metres) + " ft";
    return shortDecimal(metres) + " m";
}

}  // namespace

std::string_view panelRowLabel(PanelRow row) {
    return kLabels[static_cast<std::size_t>(row)];
}

PanelFields panelFields(const CSondrelDoc& doc, PanelKind kind) {
    PanelFields f;
    auto at = [&f](PanelRow row) -> PanelField& { return f.rows[static_cast<std::size_t>(row)]; };
    // While a file plays, the panels show the settings its ping was taken with.
    const HeadSettings shown = doc.headOnShow();
    // The control panel's gain spin runs further than the gain goes; the
    // document keeps the gain in its range.
    const int gainMaximum =
        kind == PanelKind::ControlPanel ? 40 : static_cast<int>(setting::kGain.maximum);
    at(PanelRow::Range) = field(rangeText(doc, shown), 0, kRangeCount - 1, shown.rangeIndex);
    at(PanelRow::Gain) = field(formatted("%d dB", shown.gainDb), 0, gainMaximum, shown.gainDb);
    at(PanelRow::Sector) =
        field(formatted("%d deg.", 3 * shown.currentSectorWidth), 0,
              static_cast<int>(setting::kSectorWidthPolar.maximum), shown.currentSectorWidth);
    at(PanelRow::Train) = field(formatted("%d deg.", shown.trainDegrees), 0,
                                static_cast<int>(setting::kTrainPolar.maximum), shown.currentTrain);
    at(PanelRow::Speed) = field(std::string(stepSizeName(shown.stepSize)), 1, 5, shown.stepSize);
    at(PanelRow::Mode) = field(std::string(scanModeName(shown.scanMode)), 0, 2, shown.scanMode);

    const auto& command = shown.command;
    at(PanelRow::Frequency) =
        field(formatted("%d kHz", frequencyKhzFor(command[cmd::kFrequency])), 0,
              setting::kFrequencyCode.spinSteps(), shown.frequencyCode - kMinFrequencyCode);
    at(PanelRow::Absorption) =
        field(formatFixed(shown.absorptionCode / 100.0, 2) + " dB/m", 0,
              static_cast<int>(setting::kAbsorptionCode.maximum), shown.absorptionCode);
    at(PanelRow::PulseLength) =
        field(formatted("%d usec", command[cmd::kPulseLength]),
              static_cast<int>(setting::kPulseLengthCode.minimum),
              static_cast<int>(setting::kPulseLengthCode.maximum), command[cmd::kPulseLength]);
    at(PanelRow::SwitchDelay) =
        field(formatted("%d ms", doc.head.switchDelayMs), 0, setting::kSwitchDelay.spinSteps(),
              doc.head.switchDelayMs / 2);

    const bool manual = doc.head.autoFrequency == 0;
    for (PanelRow row : {PanelRow::Frequency, PanelRow::Absorption, PanelRow::PulseLength})
        at(row).enabled = manual;
    f.manualFrequencyChecked = manual;
    return f;
}

void stepPanelRow(CSondrelDoc& doc, PanelRow row, int step) {
    step = step < 0 ? -1 : 1;
    const bool headSetting = static_cast<int>(row) < kSettingsBarRowCount;
    // A file being played back carries its own settings.
    if (headSetting && doc.flags.playbackActive) return;
    switch (row) {
        case PanelRow::Range:
            // Applied at once, so that the field and the cleared image follow the click.
            if (doc.stepRange(step)) doc.applySettings();
            break;
        case PanelRow::Gain:
            if (doc.head.stepGain(step)) doc.applySettings();
            break;
        case PanelRow::Sector:
            doc.stepSectorWidth(step);
            break;
        case PanelRow::Train:
            doc.stepTrain(step);
            break;
        case PanelRow::Speed:
            doc.stepSpeed(step);
            break;
        case PanelRow::Mode:
            doc.stepScanMode(step);
            break;
        case PanelRow::Frequency:
            doc.stepFrequency(step);
            break;
        case PanelRow::Absorption:
            doc.stepAbsorption(step);
            break;
        case PanelRow::PulseLength:
            doc.stepPulseLength(step);
            break;
        case PanelRow::SwitchDelay:
            doc.stepSwitchDelay(step);
            break;
    }
}

void toggleManualFrequency(CSondrelDoc& doc) {
    doc.toggleAutoFrequency();
}

}  // namespace sondrel
