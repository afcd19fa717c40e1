#include "acquisition/Diagnostics.h"

#include <cstdio>

#include "acquisition/SondrelDoc.h"

namespace sondrel {

namespace {

template <class... Args>
std::string format(const char* pattern, Args... args) {
    char buffer[128];
    const int n = std::snprintf(buffer, sizeof buffer, pattern, args...);
    return n > 0 ? std::string(buffer, std::min<std::size_t>(std::size_t(n), sizeof buffer - 1))
                 : std::string();
}

constexpr std::array<std::string_view, kDiagnosticsRowCount> kLabels = {
    "Header",      "HeadID", "Status",   "Range",       "Gain",         "Mode",       "SectorSize",
    "TrainAngle",  "Speed",  "HeadPos",  "DataBytes",   "Freqency",     "Absorption", "Pulse Len",
    "SwitchDelay", "SoundV", "COM Port", "IP Address:", "RealTime PRF",
};

std::string modeText(int scanMode) {
    switch (scanMode) {
        case kSector:
            return ":   Sector";
        case kPolar:
            return ":   Polar";
        default:
            return ":   Side Scan";
    }
}

DiagnosticsValue same(std::string text) {
    return {text, text};
}

}  // namespace

std::string_view diagnosticsLabel(DiagnosticsRow row) {
    return kLabels[static_cast<std::size_t>(row)];
}

std::optional<DiagnosticsValue> diagnosticsValue(DiagnosticsRow row, const CSondrelDoc& doc) {
    using R = DiagnosticsRow;
    const bool live = !doc.flags.playbackActive;
    const HeadSettings shown = doc.headOnShow();
    switch (row) {
        case R::Header:
            return same(":   " + doc.ping.headerText);
        case R::HeadId:
            return same(format(":   0x%x", unsigned(doc.ping.headId)));
        case R::Status:
            return same(format(":   0x%x", unsigned(doc.ping.headStatus)));
        case R::Range: {
            const double metres = rangeMetresForIndex(shown.rangeIndex);
            return DiagnosticsValue{std::to_string(shown.rangeIndex),
                                    doc.display.unitsFeet == 1 ? format(":   %.2f ft", metres * 3.0)
                                                               : format(":   %.2f m", metres)};
        }
        case R::Gain:
            return same(format(":   %d dB", shown.gainDb));
        case R::Mode:
            return same(modeText(shown.scanMode));
        case R::SectorSize:
            return same(format(":   %d deg.", int(shown.command[cmd::kSectorWidth]) * 3));
        case R::TrainAngle:
            return same(format(":   %d deg.", shown.trainDegrees));
        case R::Speed:
            return same(":   " + std::string(stepSizeName(shown.stepSize)));
        case R::HeadPos:
            return same(format(":   %d ", doc.ping.headPosition));
        case R::DataBytes:
            return same(format(":   %d ", doc.ping.dataBytes));
        case R::Frequency:
            // The head's one frequency, whatever code is set.
            return DiagnosticsValue{std::to_string(shown.frequencyCode), ":   2.25 MHz"};
        case R::Absorption:
            return same(format(":   %.2f dB/m", shown.absorptionCode / 100.0));
        case R::PulseLength:
            return same(format(":   %d usec", shown.pulseLengthCode * 10));
        case R::SwitchDelay:
            return same(format(":   %d msec", doc.head.switchDelayMs));
        case R::SoundVelocity:
            return same(format(":   %.1f m/s", shown.soundVelocity));
        case R::ComPort:
            if (doc.head.sonarType != kTypeP || !live) return std::nullopt;
            return same(format(":   COM%d", doc.link.sonarComPort));
        case R::IpAddress:
            if (doc.head.sonarType != kTypeQ || !live) return std::nullopt;
            return same(":   " + doc.link.ipAddress);
        case R::PingRate:
            if (doc.pingPeriodOnShow() < 1) return same(std::string(kDiagnosticsNotAvailable));
            return same(format(":   %d ms (%.1f Hz)", doc.pingPeriodOnShow(),
                               1000.0 / doc.pingPeriodOnShow() + 0.05));
        case R::Count:
            break;
    }
    return std::nullopt;
}

void DiagnosticsRows::reset() {
    texts_.fill(std::string(kDiagnosticsNotAvailable));
    shown_.fill(std::nullopt);
}

std::vector<DiagnosticsRow> DiagnosticsRows::refresh(const CSondrelDoc& doc) {
    std::vector<DiagnosticsRow> changed;
    for (std::size_t i = 0; i < kDiagnosticsRowCount; ++i) {
        const auto row = static_cast<DiagnosticsRow>(i);
        std::optional<DiagnosticsValue> value = diagnosticsValue(row, doc);
        if (!value || shown_[i] == value->source) continue;
        shown_[i] = std::move(value->source);
        texts_[i] = std::move(value->text);
        changed.push_back(row);
    }
    return changed;
}

}  // namespace sondrel
