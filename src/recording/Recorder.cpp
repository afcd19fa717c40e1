#include "recording/Recorder.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <system_error>

#include "acquisition/AcquisitionCycle.h"
#include "acquisition/SondrelDoc.h"
#include "common/OperatorPort.h"
#include "common/PrintableText.h"
#include "display/StatusTexts.h"
#include "recording/FileMessages.h"
#include "recording/FileWindows.h"
#include "recording/RecordFormat.h"
#include "recording/SettingsLocation.h"

namespace sondrel {

namespace {

constexpr const char* kSaveDialogTitle = "Save Sonar Data File:";
constexpr const char* kSaveDialogFilter = "Sondrel Data File: (*.qzr)";
constexpr const char* kRecordPattern = "*.qzr";
constexpr const char* kAlreadySavingMessage = "Data is already being saved to file.   ";
constexpr const char* kPlaybackFileMessage =
    "Can't write in this file ...\nThis file is used as playback!   ";
constexpr const char* kOpenFailedMessage = "Error Opening File!";
constexpr const char* kFolderDialogTitle = "Pick a Record Directory: ";
constexpr const char* kNoHeadMessage =
    "The sonar head is not answering: there is nothing to record.\nRecording has not "
    "started. Press Record again when pings come in.";
constexpr const char* kNothingToCaptureMessage =
    "There is no ping on screen to capture.\nThe frame was not captured.";

std::string withTrailingSeparator(std::string folder) {
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder;
}

// Whether two paths name one file, which need not exist yet: the file being played must never be
// truncated by a recording, whatever spelling of its path the dialog returns.
bool samePath(const std::string& a, const std::string& b) {
    if (a.empty() || b.empty()) return false;
    namespace fs = std::filesystem;
    std::error_code ec;
    if (fs::equivalent(a, b, ec)) return true;
    const fs::path pa = fs::weakly_canonical(a, ec);
    if (ec) return a == b;
    const fs::path pb = fs::weakly_canonical(b, ec);
    if (ec) return a == b;
    return pa == pb;
}

// The default record folder does not exist until the first file goes into it.
// Any other folder is the operator's choice and is never made here: a missing
// one (a drive not mounted) must fail the open, which says why.
void makeDefaultFolderFor(const std::string& path) {
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    if (withTrailingSeparator(folder.string()) != defaultDataDirectory()) return;
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
}

}  // namespace

std::string automaticRecordName(const CSondrelDoc& doc) {
    char time[32];
    std::snprintf(time, sizeof time, " %02d%02d%02d", doc.pings.stampHour, doc.pings.stampMinute,
                  doc.pings.stampSecond);
    // The date may come from a played file, whose bytes are anybody's.
    return doc.files.writeDirectory + "Sondrel " + fileNameText(doc.ping.dateText) + time +
           kRecordExtension;
}

std::string captureFileName(const CSondrelDoc& doc) {
    // A counter's "1.20" is 1.1999... as a double: the centimetres are taken from
    // the distance rounded to a micrometre, then truncated toward zero.
    constexpr double kMicrometres = 1e6;
    const double distance =
        std::isfinite(doc.orientationOnShow().distanceM) ? doc.orientationOnShow().distanceM : 0.0;
    const double micrometres = std::round(distance * kMicrometres);
    const double whole = std::trunc(micrometres / kMicrometres);
    // Beyond about 1.8e302 m the micrometres overflow; such a name has no centimetres.
    const double centimetres =
        std::isfinite(micrometres) ? std::trunc(std::fmod(micrometres, kMicrometres) / 1e4) : 0.0;
    const int metres = whole >= static_cast<double>(std::numeric_limits<int>::max())
                           ? std::numeric_limits<int>::max()
                       : whole <= static_cast<double>(std::numeric_limits<int>::min())
                           ? std::numeric_limits<int>::min()
                           : static_cast<int>(whole);
    char name[96];
    std::snprintf(name, sizeof name, "D %d %d C%d", metres, static_cast<int>(centimetres),
                  doc.files.captureCounter);
    return doc.files.writeDirectory + name + kRecordExtension;
}

std::string frameCapturedText(const std::string& path) {
    return "Frame captured to " + path;
}

Recorder::Recorder(CSondrelDoc& doc, OperatorPort& operatorPort, FileWindows& windows,
                   AcquisitionCycle* cycle)
    : doc_(doc), operator_(operatorPort), windows_(windows), cycle_(cycle) {}

void Recorder::startStopRecording() {
    if (doc_.flags.recordingActive) {
        closeRecordFile(doc_);
        windows_.setWindowTitle(windowTitle(doc_, TitleOccasion::RecordingStopped));
        return;
    }
    // A file opened now would stay empty until the head answers; the operator
    // is told instead, so that no empty files pile up.
    if (!doc_.flags.playbackActive && !doc_.link.headAnswering) {
        operator_.showMessage(kNoHeadMessage, MessageKind::Warning);
        return;
    }
    const std::string name = chooseRecordName();
    if (name.empty() || file_.isOpen()) return;
    makeDefaultFolderFor(name);
    if (!file_.create(name)) {
        const int error = file_.lastError();
        operator_.showMessage(fileOpenFailureText(name, error), MessageKind::Error);
        operator_.showMessage(kOpenFailedMessage, MessageKind::Error);
        doc_.flags.recordingActive = false;
        return;
    }
    doc_.files.recordFileBytes = 0;
    doc_.flags.recordingActive = true;
    windows_.setWindowTitle(windowTitle(doc_, TitleOccasion::RecordingStarted));
}

std::string Recorder::chooseRecordName() {
    const std::string automatic = automaticRecordName(doc_);
    doc_.files.recordPath = automatic;
    if (doc_.files.autoFileNames) return automatic;

    FileDialogRequest request;
    request.title = kSaveDialogTitle;
    request.filterDescription = kSaveDialogFilter;
    request.pattern = kRecordPattern;
    request.directory = doc_.files.writeDirectory;
    request.proposedName = automatic;
    request.defaultExtension = "qzr";
    const std::optional<std::string> chosen = operator_.chooseSaveFile(request);
    if (!chosen || chosen->empty()) {
        doc_.files.recordPath.clear();
        return {};
    }
    if (doc_.flags.recordingActive) {
        operator_.showMessage(kAlreadySavingMessage, MessageKind::Warning);
        return {};
    }
    if (doc_.flags.playbackActive && samePath(*chosen, doc_.files.playbackPath)) {
        doc_.files.recordPath.clear();
        operator_.showMessage(kPlaybackFileMessage, MessageKind::Warning);
        return {};
    }
    const std::filesystem::path path(*chosen);
    doc_.files.recordPath = path.filename().string();
    doc_.files.writeDirectory = withTrailingSeparator(path.parent_path().string());
    return *chosen;
}

void Recorder::setRecordDirectory() {
    const std::optional<std::string> folder =
        operator_.chooseFolder(kFolderDialogTitle, doc_.files.writeDirectory);
    if (!folder || folder->empty()) return;
    doc_.files.writeDirectory = withTrailingSeparator(*folder);
}

void Recorder::toggleAutoFileNames() {
    doc_.files.autoFileNames = doc_.files.autoFileNames ? 0 : 1;
}

void Recorder::captureFrame() {
    // What is on screen, not noNewData, decides: an Ethernet head's cycle sets
    // noNewData as each command goes out, which is nearly all the time.
    if (!doc_.pings.pingOnScreen) {
        operator_.showMessage(kNothingToCaptureMessage, MessageKind::Warning);
        return;
    }
    // Nothing may replace the ping while it is written; in single-frame playback
    // nothing would anyway.
    const bool holdSet = !doc_.flags.playbackActive || doc_.files.oneFrameMode == 0;
    const bool wasHeld = doc_.flags.holdActive;
    if (holdSet) doc_.flags.holdActive = true;

    const std::string name = captureFileName(doc_);
    makeDefaultFolderFor(name);
    std::string failure;
    bool captured = false;
    RecordFile capture;
    if (!capture.create(name)) {
        failure = fileOpenFailureText(name, capture.lastError());
    } else {
        const bool written = capture.append(doc_.ping);
        if (capture.close() && written) {
            ++doc_.files.captureCounter;
            captured = true;
        } else {
            // A capture is one record: a part of one, or one the disk may not
            // hold, is of no use to anybody. A device named so stays.
            removePartialFile(name);
            failure =
                fileWriteFailureText(name, capture.errorText(), "The frame was not captured.");
        }
    }
    // The hold ends before the operator is told: a message waits for its
    // answer, and a head polled while the hold was still set would not be
    // polled again.
    releaseCaptureHold(holdSet, wasHeld);
    if (!failure.empty()) operator_.showMessage(failure, MessageKind::Error);
    if (captured) operator_.showMessage(frameCapturedText(name), MessageKind::Note);
}

void Recorder::releaseCaptureHold(bool holdSet, bool wasHeld) {
    if (!holdSet) return;
    if (wasHeld) {
        // The operator's own hold ends with the capture, through the Hold
        // command, as releasing it by hand would.
        if (cycle_) {
            cycle_->holdToggle();
        } else {
            doc_.flags.holdActive = false;
        }
    } else {
        // The capture's own hold stopped nothing (the file is written before
        // the next ping can arrive), so there is nothing to restart. Releasing
        // it through the Hold command would reconnect an Ethernet head and cost
        // the pings of a new connection.
        doc_.flags.holdActive = false;
    }
}

void Recorder::recordPing(CSondrelDoc& doc) {
    if (!file_.isOpen()) return;
    const bool written = file_.append(doc.ping);
    doc.files.recordFileBytes = file_.bytes();
    if (!written) endAfterWriteError();
}

void Recorder::closeRecordFile(CSondrelDoc& doc) {
    const bool wasRecording = doc.flags.recordingActive;
    const bool wasOpen = file_.isOpen();
    const std::string path = file_.path();
    const bool closed = file_.close();
    doc.flags.recordingActive = false;
    // The connect command ends a recording too; the title must not go on naming the file.
    if (wasRecording) windows_.setWindowTitle(windowTitle(doc, TitleOccasion::RecordingStopped));
    if (wasOpen && !closed) {
        operator_.showMessage(fileWriteFailureText(path, file_.errorText(),
                                                   "The recording is closed, but the last "
                                                   "records may not have reached the disk."),
                              MessageKind::Error);
    }
}

void Recorder::endAfterWriteError() {
    const std::string path = file_.path();
    const std::string reason = file_.errorText();
    const std::string kept = file_.keptAfterFailure();
    // The file ends on the last whole record; should the cut have failed, the
    // records before the part are intact all the same.
    file_.close();
    doc_.flags.recordingActive = false;
    windows_.setWindowTitle(windowTitle(doc_, TitleOccasion::RecordingStopped));
    // Told last, when the recorder is in its stopped state, and without waiting
    // for the answer: this runs inside the ping that failed to be written.
    operator_.announce(fileWriteFailureText(path, reason, "Recording has stopped. " + kept),
                       MessageKind::Error);
}

}  // namespace sondrel
