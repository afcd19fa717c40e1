#include "recording/XyzConversion.h"

#include "acquisition/SondrelDoc.h"
#include "acquisition/TimerHost.h"
#include "common/OperatorPort.h"
#include "recording/FileMessages.h"
#include "recording/Player.h"

namespace sondrel {

namespace {

constexpr const char* kCreateFailedMessage = "Error Creating XYZ File!";
constexpr const char* kCompleteMessage = "Conversion Complete!";

}  // namespace

XyzConversion::XyzConversion(CSondrelDoc& doc, TimerHost& timers, OperatorPort& operatorPort)
    : doc_(doc), timers_(timers), operator_(operatorPort), writer_(doc) {}

bool XyzConversion::running() const {
    return doc_.xyzConversionActive == 1 && writer_.isOpen();
}

bool XyzConversion::start(Player& player) {
    // A second conversion would either share the first one's file or leave it
    // open for ever.
    if (doc_.xyzConversionActive == 1) return false;

    timers_.killTimer(kOrientationTimer);
    doc_.xyzConversionActive = 1;
    doc_.holdActive = 0;
    // Only a file opened now is converted: cancelling the dialog during
    // playback leaves the file on screen playing as before.
    if (!player.openPlayback() || doc_.playbackActive != 1) {
        doc_.xyzConversionActive = 0;
        return false;
    }

    if (!writer_.create(doc_.xyzPath)) {
        operator_.showMessage(fileOpenFailureText(doc_.xyzPath, writer_.lastError()),
                              MessageKind::Error);
        operator_.showMessage(kCreateFailedMessage, MessageKind::Error);
        // Nothing can be written, so nothing will be reported complete: the
        // file simply plays.
        doc_.xyzConversionActive = 0;
    }
    writtenUpTo_ = 0;
    timers_.setTimer(kPollTimer, kPlaybackStartDelayMs);
    return running();
}

void XyzConversion::recordRead(std::int64_t position) {
    if (!running() || position < writtenUpTo_) return;
    writtenUpTo_ = position + doc_.recordSize;
    runProfilePass(doc_, path_, &writer_);
    if (writer_.failed()) endAfterWriteError();
}

void XyzConversion::finish() {
    if (doc_.xyzConversionActive != 1) return;
    doc_.xyzConversionActive = 0;
    const bool written = writer_.close();
    // Playback stays on the last record; the operator steps or resumes it.
    stopAcquisitionTimers(timers_);
    doc_.oneFrameMode = 1;
    if (written) {
        operator_.showMessage(kCompleteMessage, MessageKind::Information);
    } else {
        operator_.showMessage(fileWriteFailureText(writer_.path(), writer_.errorText(),
                                                   "The XYZ file is incomplete."),
                              MessageKind::Error);
    }
}

void XyzConversion::abandon() {
    writer_.close();
    doc_.xyzConversionActive = 0;
}

void XyzConversion::endAfterWriteError() {
    const std::string path = writer_.path();
    const std::string reason = writer_.errorText();
    writer_.close();
    doc_.xyzConversionActive = 0;
    // Playback goes on; only the export has ended.
    operator_.showMessage(fileWriteFailureText(path, reason,
                                               "The conversion has stopped; the XYZ file holds "
                                               "the records converted up to this point."),
                          MessageKind::Error);
}

}  // namespace sondrel
