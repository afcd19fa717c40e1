#pragma once
// The rows of the diagnostics window: the decoded state of the last return
// block, the settings in force, the link endpoint and the ping rate. Each row
// is rewritten only when the value behind it changes, so the window does not
// flicker at every ping; that is also why a row follows its source value and
// not its text (the range row changes with the range, not with the units).

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sondrel {

class CSondrelDoc;

enum class DiagnosticsRow {
    Header,
    HeadId,
    Status,
    Range,
    Gain,
    Mode,
    SectorSize,
    TrainAngle,
    Speed,
    HeadPos,
    DataBytes,
    Frequency,
    Absorption,
    PulseLength,
    SwitchDelay,
    SoundVelocity,
    ComPort,
    IpAddress,
    PingRate,
    Count
};
inline constexpr std::size_t kDiagnosticsRowCount = static_cast<std::size_t>(DiagnosticsRow::Count);

inline constexpr std::string_view kDiagnosticsTitle = "Diagnostics:";
inline constexpr std::string_view kDiagnosticsNotAvailable = ":   n/a";

std::string_view diagnosticsLabel(DiagnosticsRow row);

// What a row shows now: the value it follows and its text. Empty for a row
// that is left as it stands (the COM port of an Ethernet head, the address of
// a serial head, either during playback).
struct DiagnosticsValue {
    std::string source;
    std::string text;
};
std::optional<DiagnosticsValue> diagnosticsValue(DiagnosticsRow row, const CSondrelDoc& doc);

// What the window shows, and which rows a refresh must rewrite.
class DiagnosticsRows {
  public:
    DiagnosticsRows() { reset(); }

    // Every text back to "n/a" and every value forgotten, so the next refresh
    // writes every row it has a value for.
    void reset();
    // The rows whose value changed since they were last written; their texts
    // are updated.
    std::vector<DiagnosticsRow> refresh(const CSondrelDoc& doc);
    const std::string& text(DiagnosticsRow row) const {
        return texts_[static_cast<std::size_t>(row)];
    }

  private:
    std::array<std::string, kDiagnosticsRowCount> texts_;
    std::array<std::optional<std::string>, kDiagnosticsRowCount> shown_;
};

}  // namespace sondrel
