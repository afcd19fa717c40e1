#include "recording/Player.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "acquisition/AcquisitionCycle.h"
#include "acquisition/PingPath.h"
#include "acquisition/SondrelDoc.h"
#include "acquisition/TimerHost.h"
#include "common/OperatorPort.h"
#include "display/StatusTexts.h"
#include "recording/FileMessages.h"
#include "recording/FileWindows.h"
#include "recording/PlaybackBar.h"
#include "recording/RecordFormat.h"
#include "recording/Recorder.h"
#include "recording/XyzExport.h"

namespace sondrel {

namespace {

constexpr const char* kOpenDialogTitle = "Open Data File:";
constexpr const char* kOpenDialogFilter = "Sonar Data Files: (*.qzr) ";
constexpr const char* kOpenDialogPattern = "*.qzr";
constexpr const char* kWrongTypeMessage = "ERROR: Application can not recognize this file type!";
constexpr const char* kNoDataMessage = "File has no data!!!  ";

// Stray bytes at the end of a file that are no start of a record.
constexpr std::int64_t kEndSlack = 3;

constexpr std::array<std::uint8_t, 3> kMagic = {'Q', 'Z', 'R'};

// Every record size a reader can meet, for finding the record before one whose
// predecessor may have had another size (the orientation input switched on or
// off during the recording).
constexpr std::array<std::int64_t, 4> kKnownRecordSizes = {
    static_cast<std::int64_t>(kRecordSize), static_cast<std::int64_t>(kRecordSizeWithOrientation),
    static_cast<std::int64_t>(kLargeRecordSize), static_cast<std::int64_t>(kLargestRecordSize)};

std::string folderOf(const std::string& path) {
    const std::string parent = std::filesystem::path(path).parent_path().string();
    if (parent.empty() || parent.back() == '/') return parent;
    return parent + '/';
}

std::string absolutePath(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(path, ec);
    return ec ? path : absolute.lexically_normal().string();
}

// The first record magic at or after `from` and before `end`, or `end`.
// Read in blocks, carrying the last two bytes over so that a magic split
// between two blocks is found; the search never reads past `end`, so a file
// that grows meanwhile cannot keep it going.
std::int64_t nextMagic(BinaryFile& file, std::int64_t from, std::int64_t end) {
    constexpr std::size_t kBlock = 64 * 1024;
    std::array<std::uint8_t, kBlock + 2> buffer;
    std::int64_t blockStart = from;
    std::size_t carried = 0;
    std::int64_t remaining = end - from;
    if (!file.seek(from)) return end;
    while (remaining > 0) {
        const auto want = static_cast<std::size_t>(std::min<std::int64_t>(remaining, kBlock));
        const std::size_t got = file.read(buffer.data() + carried, want);
        if (got == 0) break;
        remaining -= static_cast<std::int64_t>(got);
        const std::size_t total = carried + got;
        for (std::size_t i = 0; i + kMagic.size() <= total; ++i) {
            if (buffer[i] == kMagic[0] && buffer[i + 1] == kMagic[1] && buffer[i + 2] == kMagic[2])
                return blockStart + static_cast<std::int64_t>(i);
        }
        const std::size_t keep = std::min<std::size_t>(total, kMagic.size() - 1);
        std::memmove(buffer.data(), buffer.data() + total - keep, keep);
        blockStart += static_cast<std::int64_t>(total - keep);
        carried = keep;
    }
    return end;
}

std::string unknownSizeText(std::int64_t position) {
    return "The record at byte " + std::to_string(position) + " is of unknown size";
}

// Why a file cannot be played, empty when it holds a record that plays. The
// records are only sized and parsed, the document is not touched; the search
// stops at the first valid ping, which in a recording is the first record.
// Past a record of unknown size it goes on at the next record magic, as the
// playback bar's slider would find it.
std::string whyUnplayable(BinaryFile& file, std::int64_t length) {
    std::array<std::uint8_t, kLargestRecordSize> record;
    std::int64_t position = 0;
    std::int64_t firstUnknown = -1;
    bool anyRecord = false;
    while (position < length) {
        if (!file.seek(position) || file.read(record.data(), kRecordHeaderSize) < kRecordHeaderSize)
            break;
        const std::int64_t size = recordSizeFor(
            std::span<const std::uint8_t, kRecordHeaderSize>(record.data(), kRecordHeaderSize));
        if (size == 0) {
            if (firstUnknown < 0) firstUnknown = position;
            position = nextMagic(file, position + 1, length);
            continue;
        }
        const auto rest = static_cast<std::size_t>(size) - kRecordHeaderSize;
        if (file.read(record.data() + kRecordHeaderSize, rest) < rest) break;
        anyRecord = true;
        const ParsedRecord parsed = parseRecord(
            std::span<const std::uint8_t>(record.data(), static_cast<std::size_t>(size)));
        if (parsed.status == ReadStatus::Valid) return {};
        position += size;
    }
    if (file.lastError() != 0) return "It cannot be read: " + file.errorText();
    if (anyRecord) return "None of its records holds a ping.";
    if (firstUnknown >= 0)
        return unknownSizeText(firstUnknown) +
               " (it is not a data file, or it is damaged), and no record in it holds a ping.";
    return "It holds no complete record.";
}

bool magicAt(BinaryFile& file, std::int64_t position) {
    std::array<std::uint8_t, kMagic.size()> bytes{};
    if (!file.seek(position)) return false;
    return file.read(bytes.data(), bytes.size()) == bytes.size() && bytes == kMagic;
}

}  // namespace

bool hasDataFileEnding(const std::string& path) {
    if (path.size() < 3) return false;
    std::string ending = path.substr(path.size() - 3);
    for (char& c : ending) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ending == "qzr";
}

Player::Player(CSondrelDoc& doc, TimerHost& timers, OperatorPort& operatorPort,
               FileWindows& windows, Recorder& recorder, PlayerPeers peers)
    : doc_(doc),
      timers_(timers),
      operator_(operatorPort),
      windows_(windows),
      recorder_(recorder),
      cycle_(peers.cycle),
      settings_(peers.settings) {}

// ------------------------------------------------------------------ opening

bool Player::openPlayback() {
    stopAcquisitionTimers(timers_);
    if (settings_) settings_->save(doc_);

    FileDialogRequest request;
    request.title = kOpenDialogTitle;
    request.filterDescription = kOpenDialogFilter;
    request.pattern = kOpenDialogPattern;
    request.directory = doc_.files.readDirectory;
    const std::optional<std::string> chosen = operator_.chooseOpenFile(request);
    if (!chosen || chosen->empty()) {
        resumeAfterCancel();
        return false;
    }
    return openChosenFile(*chosen);
}

bool Player::openPlaybackFile(const std::string& path) {
    stopAcquisitionTimers(timers_);
    // The live settings are kept before a file replaces them in the document.
    if (settings_) settings_->save(doc_);
    return openChosenFile(path);
}

bool Player::openChosenFile(const std::string& path) {
    if (!hasDataFileEnding(path)) {
        operator_.showMessage(kWrongTypeMessage, MessageKind::Error);
        resumeAfterCancel();
        return false;
    }
    // The new file is opened and checked before anything of the old state is
    // given up, so a file that cannot be played leaves the previous playback,
    // a copy under way or the live head as they were.
    BinaryFile candidate;
    if (!candidate.openRead(path)) {
        operator_.showMessage(playbackOpenFailureText(path, candidate.errorText()),
                              MessageKind::Error);
        resumeAfterCancel();
        return false;
    }
    const std::int64_t length = candidate.size();
    if (length < kMinimumPlaybackFileLength) {
        candidate.close();
        operator_.showMessage(kNoDataMessage, MessageKind::Error);
        resumeAfterCancel();
        return false;
    }
    // A file of other bytes with the right ending would play as an empty view.
    if (const std::string why = whyUnplayable(candidate, length); !why.empty()) {
        operator_.showMessage(playbackOpenFailureText(path, why), MessageKind::Error);
        resumeAfterCancel();
        return false;
    }
    candidate.seek(0);

    file_.close();
    if (doc_.flags.recordingActive || recorder_.isRecording()) recorder_.closeRecordFile(doc_);
    file_ = std::move(candidate);

    fileLength_ = length;
    readPosition_ = 0;
    lastRecordPosition_ = 0;
    currentPosition_ = 0;
    doc_.files.playbackPath = absolutePath(path);
    doc_.files.readDirectory = folderOf(doc_.files.playbackPath);

    if (cycle_) cycle_->stopLiveLink();
    doc_.link.linkState = LinkState::NotConnected;

    doc_.files.openFilterIndex = 1;
    // Until its first record says otherwise, a file shows what was in force:
    // the live settings, or those of the file played before.
    if (!doc_.flags.playbackActive) doc_.ping.settings = liveSettings(doc_);
    doc_.flags.playbackActive = true;
    doc_.ping.echoLong.fill(0);
    // Nothing of the last file or of the live head stays in the panes.
    doc_.ping.orientation = OrientationReadings{};
    doc_.ping.dateText.clear();
    doc_.ping.timeText.clear();
    doc_.pings.pingOnScreen = false;
    doc_.pings.pingCount = 0;
    unknownSizeReported_ = false;
    // A new file starts playing, whatever the last one was left at.
    doc_.files.oneFrameMode = 0;

    byteStep_ = trackbarByteStep(length);
    windows_.showPlaybackBar(speedForInterval(doc_.files.playbackIntervalMs));
    windows_.setTrackbarPosition(0);
    windows_.setWindowTitle(windowTitle(doc_, TitleOccasion::PlaybackOpened));
    doc_.files.xyzPath = xyzPathFor(doc_.files.playbackPath);

    doc_.views().updateViews(ViewHint::Repaint);
    timers_.setTimer(kPollTimer, kPlaybackStartDelayMs);
    return true;
}

void Player::resumeAfterCancel() {
    if (doc_.flags.playbackActive) {
        // The file on screen goes on as it was: continuously, or frame by frame
        // with no timer.
        if (file_.isOpen() && doc_.files.oneFrameMode == 0) {
            timers_.setTimer(kPollTimer, kPlaybackStartDelayMs);
        }
        return;
    }
    if (doc_.head.sonarType == kTypeQ) {
        timers_.setTimer(kSendTimer, 0);
    } else {
        timers_.setTimer(kPollTimer, kPlaybackStartDelayMs);
    }
}

void Player::closePlaybackFile(CSondrelDoc& doc) {
    const bool wasOpen = file_.isOpen();
    file_.close();
    // Closing the played file returns the program to real time: the title must
    // not go on naming the file.
    if (wasOpen) windows_.setWindowTitle(windowTitle(doc, TitleOccasion::StartUp));
    readPosition_ = 0;
    lastRecordPosition_ = 0;
}

// ------------------------------------------------------------------ stepping

void Player::playOneRecord() {
    if (doc_.flags.playbackActive && !doc_.flags.holdActive && file_.isOpen()) step();
    windows_.refreshStatusBar();
    windows_.refreshDiagnostics();
}

void Player::refreshLength() {
    const std::int64_t length = file_.size();
    if (length >= 0) fileLength_ = length;
}

void Player::step() {
    refreshLength();
    std::int64_t position = readPosition_;
    ReadOutcome outcome = readRecord(doc_, file_, position);
    if (outcome.status == ReadStatus::Unsizable && !unknownSizeReported_) {
        stopAtUnknownSize(position);
        return;
    }
    if (outcome.status == ReadStatus::EndOfFile || outcome.status == ReadStatus::Unsizable) {
        // Nothing whole is left here: the file ends at this point; what
        // follows a record of unknown size cannot be found.
        if (position == 0) {
            readPosition_ = 0;
            showPosition();
            return;
        }
        wrapAround();
        position = 0;
        outcome = readRecord(doc_, file_, position);
        if (outcome.status == ReadStatus::EndOfFile || outcome.status == ReadStatus::Unsizable) {
            showPosition();
            return;
        }
    }

    lastRecordPosition_ = position;
    readPosition_ = outcome.nextPosition;
    recordSize_ = outcome.recordSize;
    if (outcome.status == ReadStatus::Valid) {
        acceptValidPing(doc_, &recorder_);
    } else {
        doc_.pings.pingOnScreen = false;
    }
    // The recorded ping period paces the next record; the poll timer is set
    // with the interval after this step.
    if (doc_.files.realTimePlaySpeed == 1 && doc_.pingPeriodOnShow() > 0) {
        doc_.files.playbackIntervalMs = doc_.pingPeriodOnShow();
    }

    showPing(doc_);

    if (readPosition_ + kEndSlack >= fileLength_) wrapAround();
    showPosition();
}

void Player::stopAtUnknownSize(std::int64_t position) {
    // Told once for the file: played on, it then runs up to this record and
    // starts again at the first, the records before it all playable.
    unknownSizeReported_ = true;
    stopAcquisitionTimers(timers_);
    doc_.files.oneFrameMode = 1;
    readPosition_ = position;
    showPosition();
    doc_.views().updateViews(ViewHint::Repaint);
    operator_.announce("Playback stopped at byte " + std::to_string(position) + " of " +
                           doc_.files.playbackPath + ": a record of unknown size.\n" +
                           (position > 0 ? "The records before it can still be played."
                                         : "The records after it can be reached with the "
                                           "position slider."),
                       MessageKind::Warning);
}

void Player::wrapAround() {
    readPosition_ = 0;
    doc_.pings.pingCount = 0;
}

void Player::showPosition() {
    file_.seek(readPosition_);
    if (trackbarBusy_) return;
    currentPosition_ = readPosition_;
    windows_.setTrackbarPosition(trackbarPositionFor(currentPosition_, fileLength_));
}

void Player::stepForward() {
    stopAcquisitionTimers(timers_);
    if (doc_.flags.playbackActive) {
        doc_.files.oneFrameMode = 1;
        playOneRecord();
    }
    windows_.focusMainFrame();
}

void Player::stepBackward() {
    stopAcquisitionTimers(timers_);
    if (doc_.flags.playbackActive) {
        doc_.files.oneFrameMode = 1;
        if (stepBack()) playOneRecord();
    }
    windows_.focusMainFrame();
}

bool Player::stepBack() {
    if (!file_.isOpen()) return false;
    const std::int64_t size = recordSize_ > 0 ? recordSize_ : kRecordSize;
    std::int64_t target = std::max<std::int64_t>(0, lastRecordPosition_ - size);
    if (target > 0 && !magicAt(file_, target)) {
        for (const std::int64_t other : kKnownRecordSizes) {
            const std::int64_t candidate = lastRecordPosition_ - other;
            if (candidate >= 0 && magicAt(file_, candidate)) {
                target = candidate;
                break;
            }
        }
    }
    readPosition_ = target;
    currentPosition_ = target;
    file_.seek(target);
    return true;
}

void Player::toggleOneFrameMode() {
    doc_.files.oneFrameMode = doc_.files.oneFrameMode ? 0 : 1;
    if (doc_.files.oneFrameMode == 1) {
        stopAcquisitionTimers(timers_);
    } else {
        timers_.setTimer(kPollTimer, doc_.files.playbackIntervalMs);
    }
}

void Player::toggleRealTimePlaySpeed() {
    doc_.files.realTimePlaySpeed = doc_.files.realTimePlaySpeed ? 0 : 1;
}

void Player::speedClicked(int currentSpeed, int step) {
    if (doc_.files.realTimePlaySpeed == 1 && doc_.pingPeriodOnShow() > 0) return;
    const SpeedChange change = speedAfterClick(currentSpeed, step);
    windows_.setSpeedControls(change.speed);
    doc_.files.playbackIntervalMs = change.intervalMs;
    stopAcquisitionTimers(timers_);
    doc_.files.oneFrameMode = 0;
    timers_.setTimer(kPollTimer, doc_.files.playbackIntervalMs);
    windows_.focusMainFrame();
}

// ------------------------------------------------------------------ positioning

void Player::setTrackbarBusy(bool busy) {
    trackbarBusy_ = busy;
}

void Player::trackbarReleased(int thumb) {
    trackbarBusy_ = true;
    // The file may have grown since it was opened; the bar spans it as it is now.
    if (file_.isOpen()) {
        refreshLength();
        byteStep_ = trackbarByteStep(fileLength_);
    }
    const std::int64_t target = trackbarTarget(byteStep_, thumb);
    windows_.redrawTrackbarTicks();
    doc_.clearSonarImage();
    findRecordStart(target);
    windows_.focusMainFrame();
    trackbarBusy_ = false;
}

void Player::findRecordStart(std::int64_t target) {
    if (!doc_.flags.playbackActive || !file_.isOpen()) return;
    refreshLength();
    const std::int64_t end = fileLength_;
    target = std::clamp<std::int64_t>(target, 0, std::max<std::int64_t>(end, 0));

    const std::int64_t found = nextMagic(file_, target, end);
    readPosition_ = found;
    file_.seek(found);
}

}  // namespace sondrel
