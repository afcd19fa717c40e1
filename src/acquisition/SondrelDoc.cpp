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
    ping.echoShort.fill(0);
}

HeadSettings CSondrelDoc::headOnShow() const {
    HeadSettings shown = head;
    if (!flags.playbackActive) return shown;
    const PingSettings& s = ping.settings;
    shown.rangeIndex = ping.rangeIndex;
    shown.rangeMetres = ping.rangeMetres();
    shown.gainDb = s.gain;
    shown.scanMode = s.scanMode;
    shown.currentSectorWidth = s.sectorWidth;
    // A record keeps the train in degrees; its low byte stands as the train code.
    shown.trainDegrees = s.trainDegrees;
    shown.currentTrain = s.trainDegrees & 0xFF;
    shown.stepSize = s.stepSize;
    shown.absorptionCode = s.absorption;
    shown.pulseLengthCode = s.pulseLength;
    shown.frequencyCode = s.frequencyCode;
    shown.soundVelocity = s.soundVelocity;
    shown.xdcrForward = s.xdcrForward;
    shown.trainReversed = s.xdcrForward;
    shown.zeroDown = s.zeroDown;
    // The command as the played ping was taken with it, for whatever reads
    // the settings there; it is never sent.
    CommandBuffer& c = shown.command;
    c[cmd::kRange] = s.rangeCode;
    c[cmd::kGain] = s.gain;
    c[cmd::kSectorWidth] = s.sectorWidth;
    c[cmd::kStepSize] = static_cast<std::uint8_t>(s.stepSize);
    c[cmd::kAbsorption] = s.absorption;
    c[cmd::kPulseLength] = s.pulseLength;
    c[cmd::kFrequency] = static_cast<std::uint8_t>(s.frequencyCode);
    c[cmd::kDataFormat] = static_cast<std::uint8_t>(s.dataFormat);
    c[cmd::kFixed9] = s.fixed9;
    return shown;
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
    int width = head.currentSectorWidth;
    if (head.scanMode == kPolar) {
        width = setting::kSectorWidthPolar.stepped(width, delta);
        head.sectorWidthPolar = width;
    } else {
        width = setting::kSectorWidthSector.stepped(width, delta);
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
    head.switchDelayMs = setting::kSwitchDelay.stepped(head.switchDelayMs, delta);
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
