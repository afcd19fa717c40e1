#pragma once
// The head's settings as the operator set them: each user value together with
// its byte of the command that goes out at every poll. The setters here are
// the only places that write either, so the two never disagree; the rules that
// need the windows or the image (a redraw, a cleared picture) are the
// document's, which calls these.

#include <cstdint>

#include "acquisition/SonarTables.h"
#include "acquisition/SwitchCommand.h"

namespace sondrel {

struct HeadSettings {
    // ---- head model
    int sonarType = kTypeP;

    // ---- range and gain
    int rangeIndex = 3;
    double rangeMetres = 1.0;
    int gainDb = 6;

    // ---- scan mode, sector width, train
    int scanMode = kPolar;
    int sectorWidthSector = 60;
    int sectorWidthPolar = 120;
    int trainSector = 60;
    int trainPolar = 60;
    int trainSideScan = 30;
    int currentSectorWidth = 120;
    int currentTrain = 60;
    int trainDegrees = 0;
    int trainReversed = 0;

    // ---- speed, frequency, absorption, pulse, switch delay
    int stepSize = 3;
    int stepSizeSaved = 3;
    int frequencyCode = 100;
    int absorptionCode = 170;
    int pulseLengthCode = 1;
    int switchDelayMs = 0;
    int autoFrequency = 0;

    // ---- physical settings the pings are measured with
    double soundVelocity = kDefaultSoundVelocity;
    int xdcrForward = 0;
    int zeroDown = 0;
    double profileMinRange = 0.0;

    // ---- the command to the head
    CommandBuffer command = initialCommand();

    HeadSettings() { trainDegrees = trainDegreesFor(currentTrain, trainReversed != 0); }

    // Range: every change goes through here so the range code follows.
    void setRangeIndex(int index);
    // A typed range in metres (key-in): negative values are ignored.
    void keyInRange(double metres);

    void setGain(int gain);
    // One click of a gain control; false when the gain stays as it was.
    bool stepGain(int delta);
    void keyInGain(int gain);

    void setStepSize(int stepSize);
    void setCurrentTrain(int train);
    void setCurrentSectorWidth(int width);
    void setFrequencyCode(int code);
    void setAbsorptionCode(int code);
    void setPulseLengthCode(int code);
    void setTrainReversed(int reversed);

    // Switch to a scan mode, keeping each mode's own width and train.
    void setScanMode(int mode);
    // Remember the active mode's width and train as that mode's own.
    void rememberModeValues();
    // The step rule: SideScan 0; Type Q limits at short range; 0 never stays outside SideScan.
    void applyStepRule();
    // With automatic frequency: frequency, absorption and pulse length from the range's row.
    void copyPerRangeRow();

    void clearOneShotBits() {
        command[cmd::kControl] &= static_cast<std::uint8_t>(~cmd::kOneShotBits);
    }
};

}  // namespace sondrel
