#include "acquisition/SondrelDoc.h"

#include <algorithm>

namespace sondrel {

CSondrelDoc::CSondrelDoc() {
    clearPingState();
    clearEchoShort();
    flags.imageResetPending = true;
}

void CSondrelDoc::applySettings() {
    views_->markFullRedraw();
    applyPanelRules();
    views_->refreshSettingsPanels();
    if (flags.imageResetPending) {
        clearSonarImage();
        clearEchoShort();
        flags.imageResetPending = false;
    }
    if (link.linkState != LinkState::Connected) views_->updateViews(ViewHint::Repaint);
}

void CSondrelDoc::applyPanelRules() {
    head.setStepSize(normalisedStepSize(head.stepSize));
    head.applyStepRule();
    if (head.autoFrequency) head.copyPerRangeRow();
}

void CSondrelDoc::clearPingState() {
    ping.echoLong.fill(0);
    ping.headPosition = 0;
    head.profileMinRange = 0.0;
    clearOrientationReadings();
    orientation.pitchErrors = orientation.rollErrors = orientation.distanceErrors = 0;
    orientation.reachValueReceived = 0;
    files.captureCounter = 0;
    pings.pingOnScreen = false;
    link.headAnswering = false;
}

void CSondrelDoc::clearOrientationReadings() {
    static_cast<OrientationReadings&>(orientation) = OrientationReadings{};
}

void CSondrelDoc::clearEchoShort() {
    for (auto& row : ping.echoShort) row.fill(0);
}

void CSondrelDoc::clearSonarImage() {
    sonarBitmap.clear();
}

bool CSondrelDoc::stepRange(int delta) {
    const int next = clampRangeIndex(head.rangeIndex + delta);
    if (next == head.rangeIndex) return false;
    head.setRangeIndex(next);
    flags.imageResetPending = true;
    return true;
}

// ------------------------------------------------------ mode, width and train

void CSondrelDoc::stepSectorWidth(int delta) {
    if (head.scanMode == kSideScan) return;
    int width = std::max(head.currentSectorWidth + delta, 0);
    if (head.scanMode == kPolar) {
        width = std::min(width, 120);
        head.sectorWidthPolar = width;
    } else {
        width = std::min(width, 60);
        head.sectorWidthSector = width;
    }
    head.setCurrentSectorWidth(width);
    if (width == 120) {
        head.setCurrentTrain(60);
        head.trainPolar = 60;
    }
    head.rememberModeValues();
    applySettings();
}

void CSondrelDoc::stepTrain(int delta) {
    if (head.currentSectorWidth >= 120) return;
    head.setCurrentTrain(steppedTrainCode(head.currentTrain, delta, head.trainReversed != 0));
    head.rememberModeValues();
    applySettings();
}

void CSondrelDoc::stepScanMode(int delta) {
    head.setScanMode(head.scanMode + delta);
    flags.imageResetPending = true;
    applySettings();
}

void CSondrelDoc::stepSpeed(int delta) {
    if (head.scanMode == kSideScan) return;
    head.setStepSize(steppedSpeed(head.stepSize, delta, head.sonarType, head.rangeMetres));
    head.stepSizeSaved = head.stepSize;
    applySettings();
}

// ------------------------------------------- frequency, absorption, pulse, delay

void CSondrelDoc::stepFrequency(int delta) {
    head.setFrequencyCode(head.frequencyCode + delta);
    views_->refreshSettingsPanels();
}

void CSondrelDoc::stepAbsorption(int delta) {
    head.setAbsorptionCode(steppedAbsorption(head.absorptionCode, delta));
    views_->refreshSettingsPanels();
}

void CSondrelDoc::stepPulseLength(int delta) {
    head.setPulseLengthCode(head.pulseLengthCode + delta);
    views_->refreshSettingsPanels();
}

void CSondrelDoc::stepSwitchDelay(int delta) {
    const int units = std::clamp(head.switchDelayMs / 2 + delta, 0, 50);
    head.switchDelayMs = 2 * units;
    head.command[cmd::kSwitchDelay] = static_cast<std::uint8_t>(head.switchDelayMs);
    views_->refreshSettingsPanels();
}

void CSondrelDoc::toggleAutoFrequency() {
    head.autoFrequency = head.autoFrequency ? 0 : 1;
    if (head.autoFrequency) head.copyPerRangeRow();
    views_->refreshSettingsPanels();
}

// ------------------------------------------------------------ per-poll command

void CSondrelDoc::requestStepReverse() {
    if (flags.playbackActive) return;
    head.command[cmd::kControl] |= cmd::kReverseStepBit;
    ping.stepDirection = ping.stepDirection ? 0 : 1;
}

void CSondrelDoc::prepareCommandForPoll() {
    head.command[cmd::kProfileMinRange] =
        profileMinRangeByte(head.profileMinRange, ping.headStatusLow, head.command[cmd::kRange]);
    if (head.command[cmd::kStepSize] == 5) head.command[cmd::kStepSize] = 8;
}

}  // namespace sondrel
