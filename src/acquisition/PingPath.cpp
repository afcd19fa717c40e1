#include "acquisition/PingPath.h"

#include <algorithm>
#include <cmath>

#include "acquisition/Links.h"
#include "acquisition/ReturnBlock.h"
#include "acquisition/SondrelDoc.h"

namespace sondrel {

namespace {

void takeDecodedHeader(Ping& shown, const Ping& p) {
    shown.headerValid = true;
    shown.dataPointCount = p.dataPointCount;
    shown.headId = p.headId;
    shown.headStatus = p.headStatus;
    shown.headStatusLow = p.headStatusLow;
    shown.stepDirection = p.stepDirection;
    shown.headPosition = p.headPosition;
    shown.rangeCode = p.rangeCode;
    shown.rangeIndex = p.rangeIndex;
    shown.dataBytes = p.dataBytes;
}

}  // namespace

PingSettings liveSettings(const CSondrelDoc& doc) {
    const HeadSettings& h = doc.head;
    const CommandBuffer& c = h.command;
    PingSettings s;
    s.rangeCode = c[cmd::kRange];
    s.gain = c[cmd::kGain];
    s.sectorWidth = c[cmd::kSectorWidth];
    s.trainDegrees = h.trainDegrees;
    s.scanMode = h.scanMode;
    s.stepSize = c[cmd::kStepSize];
    s.absorption = c[cmd::kAbsorption];
    s.pulseLength = c[cmd::kPulseLength];
    s.frequencyCode = h.frequencyCode;
    s.dataFormat = c[cmd::kDataFormat];
    s.fixed9 = c[cmd::kFixed9];
    s.soundVelocity = h.soundVelocity;
    s.xdcrForward = h.xdcrForward;
    s.zeroDown = h.zeroDown;
    s.pingPeriodRounded = doc.pings.pingPeriodRounded;
    s.orientationOn = doc.link.prdEnable != 0;
    return s;
}

bool takeLivePing(CSondrelDoc& doc, const Ping& p) {
    Ping& shown = doc.ping;
    shown.blockLength = p.blockLength;
    std::copy_n(p.returnHeader.begin(), p.headerBytes, shown.returnHeader.begin());
    if (p.longBlock()) {
        std::copy_n(p.echoLong.begin(), p.echoBytes, shown.echoLong.begin());
    } else {
        std::copy_n(p.echoShort.begin(), p.echoBytes, shown.echoShort.begin());
    }
    if (p.headerBytes < kReturnHeaderSize) return false;
    shown.headerText = p.headerText;
    if (!p.headerValid) return false;
    takeDecodedHeader(shown, p);
    doc.head.rangeIndex = p.rangeIndex;
    doc.head.rangeMetres = p.rangeMetres();
    shown.orientation = doc.orientation;
    shown.settings = liveSettings(doc);
    shown.filePosition = -1;
    shown.recordSize = 0;
    return true;
}

bool sizeCopyAndDecode(CSondrelDoc& doc) {
    return takeLivePing(doc, parseReturnBlock(doc.link.receiveBuffer));
}

bool takePlayedPing(CSondrelDoc& doc, const Ping& p) {
    Ping& shown = doc.ping;
    const HeadSettings before = doc.headOnShow();
    PingSettings settings = p.settings;
    // Only three scan modes exist; a corrupt code keeps the mode in force
    // rather than handing an unknown mode to every table indexed by it.
    if (settings.scanMode < kSector || settings.scanMode > kSideScan)
        settings.scanMode = before.scanMode;
    if (std::isnan(settings.soundVelocity)) settings.soundVelocity = before.soundVelocity;
    if (doc.files.calibratedSoundVelocity > 0)
        settings.soundVelocity = doc.files.calibratedSoundVelocity;
    if (settings.dataFormat == PingSettings::kUnknown)
        settings.dataFormat = shown.settings.dataFormat;
    if (p.dataPointCount != PingSettings::kUnknown) shown.dataPointCount = p.dataPointCount;
    // A change of mode, width or train makes the picture of the last one meaningless.
    if (settings.scanMode != before.scanMode || settings.sectorWidth != before.currentSectorWidth ||
        (settings.trainDegrees & 0xFF) != before.currentTrain)
        doc.clearSonarImage();

    shown.blockLength = p.blockLength;
    shown.dateText = p.dateText;
    shown.timeText = p.timeText;
    shown.hundredthsText = p.hundredthsText;
    shown.millisecondText = p.millisecondText;
    shown.settings = settings;
    shown.stepDirection = p.stepDirection;
    shown.returnHeader = p.returnHeader;
    shown.headerText = p.headerText;
    shown.filePosition = p.filePosition;
    shown.recordSize = p.recordSize;
    if (!p.headerValid) return false;
    takeDecodedHeader(shown, p);
    shown.echoLong = p.echoLong;
    if (settings.orientationOn) shown.orientation = p.orientation;
    return true;
}

void acceptValidPing(CSondrelDoc& doc, PingRecorder* recorder) {
    doc.link.noNewData = 0;
    doc.pings.pingOnScreen = true;
    if (doc.flags.recordingActive && recorder) recorder->recordPing(doc);
    ++doc.pings.pingCount;
}

void showPing(CSondrelDoc& doc) {
    doc.views().updateViews(ViewHint::Repaint);
}

}  // namespace sondrel
