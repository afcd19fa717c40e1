#pragma once
// The settings panel and the settings bar: what every row shows, and what one
// click of a row's spin does to the document. The spins hold no value of their
// own: a click is a step of +1 or -1 on the document's value, and every field
// is then rewritten from the document. The windows only show these fields and
// pass the clicks on.

#include <array>
#include <string>
#include <string_view>

namespace sondrel {

class CSondrelDoc;

// The rows, in the panel's order; the settings bar has the first six.
enum class PanelRow {
    Range,
    Gain,
    Sector,
    Train,
    Speed,
    Mode,
    Frequency,
    Absorption,
    PulseLength,
    SwitchDelay,
};
inline constexpr int kPanelRowCount = 10;
inline constexpr int kSettingsBarRowCount = 6;

enum class PanelKind { ControlPanel, SettingsBar };

inline constexpr std::string_view kControlPanelTitle = "Settings";
// The group of the three rows that automatic frequency takes over, spelt as
// operators know it.
inline constexpr std::string_view kManualFrequencyGroup = "Manual Frequecy Setup";
inline constexpr std::string_view kManualFrequencyBox = "Enable";

struct PanelField {
    std::string text;
    int spinMinimum = 0;
    int spinMaximum = 0;
    int spinPosition = 0;
    bool enabled = true;
};

struct PanelFields {
    std::array<PanelField, kPanelRowCount> rows;
    bool manualFrequencyChecked = false;
    const PanelField& operator[](PanelRow row) const { return rows[static_cast<std::size_t>(row)]; }
};

// The label beside a row's field.
std::string_view panelRowLabel(PanelRow row);

// Every field of the panel or the bar as the document stands. The document's
// own refresh rules (speed 5 read as 8, the per-range row under automatic
// frequency) have run in applySettings before this is asked.
PanelFields panelFields(const CSondrelDoc& doc, PanelKind kind);

// One click of a row's spin, step +1 or -1. The first six rows do nothing
// during playback and end in applySettings; the last four change only the
// document and its command bytes (the next poll carries them).
void stepPanelRow(CSondrelDoc& doc, PanelRow row, int step);

// The "Enable" box: manual or automatic frequency, absorption and pulse length.
void toggleManualFrequency(CSondrelDoc& doc);

}  // namespace sondrel
