#include "acquisition/SondrelDoc.h"

#include <algorithm>

namespace sondrel {

CSondrelDoc::CSondrelDoc() {
    trainDegrees = trainDegreesFor(currentTrain, trainReversed != 0);
    clearPingState();
    clearEchoShort();
    imageResetPending = 1;
    command = initialCommand();
}

void CSondrelDoc::applySettings() {
    views_->markFullRedraw();
    applyPanelRules();
    views_->refreshSettingsPanels();
    if (imageResetPending) {
        clearSonarImage();
        clearEchoShort();
        imageResetPending = 0;
    }
    if (linkState != LinkState::Connected) views_->updateViews(ViewHint::Repaint);
}

void CSondrelDoc::applyPanelRules() {
    setStepSize(normalisedStepSize(stepSize));
    applyStepRule();
    if (autoFrequency) copyPerRangeRow();
}

void CSondrelDoc::clearPingState() {
    echoLong.fill(0);
    headPosition = 0;
    profileMinRange = 0.0;
    clearOrientationReadings();
    pitchErrors = rollErrors = distanceErrors = 0;
    reachValueReceived = 0;
    captureCounter = 0;
    pingOnScreen = false;
    headAnswering = false;
}

void CSondrelDoc::clearOrientationReadings() {
    pitchDeg = rollDeg = distanceM = 0.0;
    pitchValid = rollValid = distanceValid = 0;
}

void CSondrelDoc::clearEchoShort() {
    for (auto& row : echoShort) row.fill(0);
}

void CSondrelDoc::clearSonarImage() {
    sonarBitmap.clear();
}

// ---------------------------------------------------------------- range, gain

void CSondrelDoc::setRangeIndex(int index) {
    rangeIndex = clampRangeIndex(index);
    rangeMetres = rangeMetresForIndex(rangeIndex);
    command[cmd::kRange] = rangeCodeFor(rangeMetres);
}

bool CSondrelDoc::stepRange(int delta) {
    const int next = clampRangeIndex(rangeIndex + delta);
    if (next == rangeIndex) return false;
    setRangeIndex(next);
    imageResetPending = 1;
    return true;
}

void CSondrelDoc::keyInRange(double metres) {
    if (metres < 0.0) return;
    const std::uint8_t code = rangeCodeFor(metres);
    command[cmd::kRange] = code;
    const int index = rangeIndexForCode(code);
    if (index != rangeIndex) {
        rangeIndex = index;
        rangeMetres = rangeMetresForIndex(index);
    }
}

void CSondrelDoc::setGain(int gain) {
    gainDb = std::clamp(gain, 0, 20);
    command[cmd::kGain] = static_cast<std::uint8_t>(gainDb);
}

bool CSondrelDoc::stepGain(int delta) {
    const int next = std::clamp(gainDb + delta, 0, 20);
    if (next == command[cmd::kGain]) return false;
    setGain(next);
    return true;
}

void CSondrelDoc::keyInGain(int gain) {
    if (gain < 0 || gain == command[cmd::kGain]) return;
    setGain(gain);
}

// ------------------------------------------------------ mode, width and train

void CSondrelDoc::setCurrentTrain(int train) {
    currentTrain = std::clamp(train, 0, 120);
    command[cmd::kTrain] = static_cast<std::uint8_t>(currentTrain);
    trainDegrees = trainDegreesFor(currentTrain, trainReversed != 0);
}

void CSondrelDoc::setCurrentSectorWidth(int width) {
    currentSectorWidth = std::clamp(width, 0, 120);
    command[cmd::kSectorWidth] = static_cast<std::uint8_t>(currentSectorWidth);
}

void CSondrelDoc::setTrainReversed(int reversed) {
    trainReversed = reversed ? 1 : 0;
    trainDegrees = trainDegreesFor(currentTrain, trainReversed != 0);
}

void CSondrelDoc::rememberModeValues() {
    switch (scanMode) {
        case kSector:
            sectorWidthSector = currentSectorWidth;
            trainSector = currentTrain;
            break;
        case kPolar:
            sectorWidthPolar = currentSectorWidth;
            trainPolar = currentTrain;
            break;
        case kSideScan:
            trainSideScan = currentTrain;
            break;
        default:
            break;
    }
}

void CSondrelDoc::stepSectorWidth(int delta) {
    if (scanMode == kSideScan) return;
    int width = std::max(currentSectorWidth + delta, 0);
    if (scanMode == kPolar) {
        width = std::min(width, 120);
        sectorWidthPolar = width;
    } else {
        width = std::min(width, 60);
        sectorWidthSector = width;
    }
    setCurrentSectorWidth(width);
    if (width == 120) {
        setCurrentTrain(60);
        trainPolar = 60;
    }
    rememberModeValues();
    applySettings();
}

void CSondrelDoc::stepTrain(int delta) {
    if (currentSectorWidth >= 120) return;
    setCurrentTrain(steppedTrainCode(currentTrain, delta, trainReversed != 0));
    rememberModeValues();
    applySettings();
}

void CSondrelDoc::setScanMode(int mode) {
    rememberModeValues();
    scanMode = std::clamp(mode, 0, 2);
    switch (scanMode) {
        case kSector:
            setCurrentSectorWidth(std::min(sectorWidthSector, 60));
            setCurrentTrain(trainSector);
            setStepSize(stepSizeSaved);
            break;
        case kPolar:
            setCurrentSectorWidth(sectorWidthPolar);
            setCurrentTrain(trainPolar);
            setStepSize(stepSizeSaved);
            break;
        default:
            setCurrentSectorWidth(0);
            setCurrentTrain(trainSideScan);
            break;
    }
    applyStepRule();
}

void CSondrelDoc::stepScanMode(int delta) {
    setScanMode(scanMode + delta);
    imageResetPending = 1;
    applySettings();
}

void CSondrelDoc::setStepSize(int value) {
    stepSize = std::clamp(normalisedStepSize(value), 0, 8);
    command[cmd::kStepSize] = static_cast<std::uint8_t>(stepSize);
}

void CSondrelDoc::applyStepRule() {
    int step = stepSize;
    if (scanMode == kSideScan) {
        step = 0;
    } else if (sonarType == kTypeQ) {
        // The saved speed stands in for 0 before the range's limits apply: at
        // 5 m a saved "Fast" would otherwise go out, and the next time the
        // rule ran (the next start, with the speed saved) it would be cut to 2.
        if (step == 0) step = stepSizeSaved;
        if (rangeMetres <= 4.0) {
            step = 1;
        } else if (rangeMetres == 5.0 && step > 2) {
            step = 2;
        }
        setStepSize(step);
        stepSizeSaved = stepSize;
        return;
    } else if (step == 0) {
        step = 1;
    }
    setStepSize(step);
}

void CSondrelDoc::stepSpeed(int delta) {
    if (scanMode == kSideScan) return;
    setStepSize(steppedSpeed(stepSize, delta, sonarType, rangeMetres));
    stepSizeSaved = stepSize;
    applySettings();
}

// ------------------------------------------- frequency, absorption, pulse, delay

void CSondrelDoc::setFrequencyCode(int code) {
    frequencyCode = std::clamp(code, kMinFrequencyCode, kMaxFrequencyCode);
    command[cmd::kFrequency] = static_cast<std::uint8_t>(frequencyCode);
}

void CSondrelDoc::setAbsorptionCode(int code) {
    code = std::clamp(code, 0, 255);
    if (code == 253) code = 254;
    absorptionCode = code;
    command[cmd::kAbsorption] = static_cast<std::uint8_t>(absorptionCode);
}

void CSondrelDoc::setPulseLengthCode(int code) {
    pulseLengthCode = std::clamp(code, 1, 100);
    command[cmd::kPulseLength] = static_cast<std::uint8_t>(pulseLengthCode);
}

void CSondrelDoc::stepFrequency(int delta) {
    setFrequencyCode(frequencyCode + delta);
    views_->refreshSettingsPanels();
}

void CSondrelDoc::stepAbsorption(int delta) {
    setAbsorptionCode(steppedAbsorption(absorptionCode, delta));
    views_->refreshSettingsPanels();
}

void CSondrelDoc::stepPulseLength(int delta) {
    setPulseLengthCode(pulseLengthCode + delta);
    views_->refreshSettingsPanels();
}

void CSondrelDoc::stepSwitchDelay(int delta) {
    const int units = std::clamp(switchDelayMs / 2 + delta, 0, 50);
    switchDelayMs = 2 * units;
    command[cmd::kSwitchDelay] = static_cast<std::uint8_t>(switchDelayMs);
    views_->refreshSettingsPanels();
}

void CSondrelDoc::toggleAutoFrequency() {
    autoFrequency = autoFrequency ? 0 : 1;
    if (autoFrequency) copyPerRangeRow();
    views_->refreshSettingsPanels();
}

void CSondrelDoc::copyPerRangeRow() {
    const int row = std::clamp(rangeIndex, 0, kPerRangeRows - 1);
    const PerRangeSetup& setup = perRangeTable()[static_cast<std::size_t>(row)];
    setFrequencyCode(setup.frequencyCode);
    setAbsorptionCode(setup.absorptionCode);
    setPulseLengthCode(setup.pulseLengthCode);
}

// ------------------------------------------------------------ per-poll command

void CSondrelDoc::requestStepReverse() {
    if (playbackActive) return;
    command[cmd::kControl] |= cmd::kReverseStepBit;
    stepDirection = stepDirection ? 0 : 1;
}

void CSondrelDoc::prepareCommandForPoll() {
    command[cmd::kProfileMinRange] =
        profileMinRangeByte(profileMinRange, headStatusLow, command[cmd::kRange]);
    if (command[cmd::kStepSize] == 5) command[cmd::kStepSize] = 8;
}

}  // namespace sondrel
