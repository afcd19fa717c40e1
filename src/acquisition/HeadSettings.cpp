#include "acquisition/HeadSettings.h"

#include <algorithm>

namespace sondrel {

// ---------------------------------------------------------------- range, gain

void HeadSettings::setRangeIndex(int index) {
    rangeIndex = clampRangeIndex(index);
    rangeMetres = rangeMetresForIndex(rangeIndex);
    command[cmd::kRange] = rangeCodeFor(rangeMetres);
}

void HeadSettings::keyInRange(double metres) {
    if (metres < 0.0) return;
    const std::uint8_t code = rangeCodeFor(metres);
    command[cmd::kRange] = code;
    const int index = rangeIndexForCode(code);
    if (index != rangeIndex) {
        rangeIndex = index;
        rangeMetres = rangeMetresForIndex(index);
    }
}

void HeadSettings::setGain(int gain) {
    gainDb = setting::kGain.clamped(gain);
    command[cmd::kGain] = static_cast<std::uint8_t>(gainDb);
}

bool HeadSettings::stepGain(int delta) {
    const int next = setting::kGain.stepped(gainDb, delta);
    if (next == command[cmd::kGain]) return false;
    setGain(next);
    return true;
}

void HeadSettings::keyInGain(int gain) {
    if (gain < 0 || gain == command[cmd::kGain]) return;
    setGain(gain);
}

// ------------------------------------------------------ mode, width and train

void HeadSettings::setCurrentTrain(int train) {
    currentTrain = setting::kTrainPolar.clamped(train);
    command[cmd::kTrain] = static_cast<std::uint8_t>(currentTrain);
    trainDegrees = trainDegreesFor(currentTrain, trainReversed != 0);
}

void HeadSettings::setCurrentSectorWidth(int width) {
    currentSectorWidth = setting::kSectorWidthPolar.clamped(width);
    command[cmd::kSectorWidth] = static_cast<std::uint8_t>(currentSectorWidth);
}

void HeadSettings::setTrainReversed(int reversed) {
    trainReversed = reversed ? 1 : 0;
    trainDegrees = trainDegreesFor(currentTrain, trainReversed != 0);
}

void HeadSettings::rememberModeValues() {
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

void HeadSettings::setScanMode(int mode) {
    rememberModeValues();
    scanMode = std::clamp(mode, 0, 2);
    switch (scanMode) {
        case kSector:
            setCurrentSectorWidth(setting::kSectorWidthSector.clamped(sectorWidthSector));
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

void HeadSettings::setStepSize(int value) {
    stepSize = std::clamp(normalisedStepSize(value), 0, 8);
    command[cmd::kStepSize] = static_cast<std::uint8_t>(stepSize);
}

void HeadSettings::applyStepRule() {
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

// ------------------------------------------- frequency, absorption, pulse, delay

void HeadSettings::setFrequencyCode(int code) {
    frequencyCode = setting::kFrequencyCode.clamped(code);
    command[cmd::kFrequency] = static_cast<std::uint8_t>(frequencyCode);
}

void HeadSettings::setAbsorptionCode(int code) {
    code = setting::kAbsorptionCode.clamped(code);
    if (code == 253) code = 254;
    absorptionCode = code;
    command[cmd::kAbsorption] = static_cast<std::uint8_t>(absorptionCode);
}

void HeadSettings::setPulseLengthCode(int code) {
    pulseLengthCode = setting::kPulseLengthCode.clamped(code);
    command[cmd::kPulseLength] = static_cast<std::uint8_t>(pulseLengthCode);
}

void HeadSettings::copyPerRangeRow() {
    const int row = std::clamp(rangeIndex, 0, kPerRangeRows - 1);
    const PerRangeSetup& setup = perRangeTable()[static_cast<std::size_t>(row)];
    setFrequencyCode(setup.frequencyCode);
    setAbsorptionCode(setup.absorptionCode);
    setPulseLengthCode(setup.pulseLengthCode);
}

}  // namespace sondrel
