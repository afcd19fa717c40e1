#include "acquisition/AcquisitionCycle.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "acquisition/PingPath.h"
#include "acquisition/ReturnBlock.h"

namespace sondrel {

namespace {

constexpr std::array<const char*, 12> kMonthNames = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                                     "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};

}  // namespace

int serialPollIntervalMs(LinkState linkState, double rangeMetres) {
    if (linkState != LinkState::Connected) return kPortClosedPollMs;
    if (rangeMetres < 1.0) return 800;
    return static_cast<int>(rangeMetres * 500.0 + 400.0);
}

TimeStampTexts timeStampTexts(const LocalTime& t) {
    const int month = std::clamp(t.month, 1, 12);
    const int ms = std::clamp(t.millisecond, 0, 999);
    char buf[32];
    TimeStampTexts texts;
    std::snprintf(buf, sizeof buf, "%02d-%s-%04d", t.day, kMonthNames[month - 1], t.year);
    texts.date = buf;
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", t.hour, t.minute, t.second);
    texts.time = buf;
    std::snprintf(buf, sizeof buf, "%03d", ms);
    texts.millisecond = buf;
    std::snprintf(buf, sizeof buf, ".%2d", ms / 10);
    texts.hundredths = buf;
    return texts;
}

// ------------------------------------------------------------------ BlockAssembler

std::size_t BlockAssembler::feed(const std::uint8_t* data, std::size_t size) {
    const std::size_t take = std::min(size, kBlockSize - filled_);
    std::copy_n(data, take, block_.begin() + static_cast<std::ptrdiff_t>(filled_));
    filled_ += take;
    return take;
}

bool BlockAssembler::headerAt(std::size_t at, std::uint8_t headId, bool idMayFollow) const {
    constexpr std::size_t kLetters = 3;
    if (at + kLetters > filled_ ||
        !beginsWithHeaderLetters(std::span(block_).subspan(at, kLetters)))
        return false;
    if (at + kLetters == filled_) return idMayFollow;
    return block_[at + kLetters] == headId;
}

std::size_t BlockAssembler::dropBytesBeforeHeader(std::uint8_t headId) {
    constexpr std::size_t kLetters = 3;
    if (!complete()) return 0;
    // Only whole type letters count: a block that merely ends in a "Q", as the
    // samples of an invalid reply may, must not hold up the next command.
    const bool startsWithLetters = beginsWithHeaderLetters(std::span(block_).first(kLetters));
    if (startsWithLetters) {
        // Only a long block must be 813 bytes of one reply; the shorter kinds
        // are taken whole as they always were.
        const bool longBlock = (block_[1] | 0x20) == 's';
        if (!longBlock) return 0;
    }
    // Letters at the very end count after noise, where nothing else could
    // begin; inside a long block the identifier must be seen as well.
    const bool idMayFollow = !startsWithLetters;
    for (std::size_t start = 1; start < filled_; ++start) {
        if (!headerAt(start, headId, idMayFollow)) continue;
        std::copy(block_.begin() + static_cast<std::ptrdiff_t>(start), block_.end(),
                  block_.begin());
        filled_ -= start;
        return start;
    }
    return 0;
}

// ------------------------------------------------------------------ AcquisitionCycle

AcquisitionCycle::AcquisitionCycle(CSondrelDoc& doc, TimerHost& timers, Clock& clock)
    : doc_(doc), timers_(timers), clock_(clock), orientation_(doc, timers) {
    orientation_.setObserver(observer_);
}

void AcquisitionCycle::setObserver(CycleObserver* observer) {
    observer_ = observer ? observer : &noObserver_;
    orientation_.setObserver(observer_);
}

void AcquisitionCycle::setLinkState(LinkState state) {
    if (state != LinkState::Connected) doc_.link.headAnswering = false;
    if (doc_.link.linkState == state) return;
    doc_.link.linkState = state;
    observer_->linkStateChanged(state);
}

void AcquisitionCycle::armWatchdog() {
    watchdogRole_ = WatchdogRole::ReplyTimeout;
    timers_.setTimer(kWatchdogTimer, kWatchdogMs);
}

std::int64_t AcquisitionCycle::msSince(std::int64_t counter) {
    const std::int64_t frequency = clock_.counterFrequency();
    if (frequency <= 0) return 0;
    return (clock_.counterValue() - counter) * 1000 / frequency;
}

void AcquisitionCycle::closeFiles() {
    if (recorder_) recorder_->closeRecordFile(doc_);
    if (playback_) playback_->closePlaybackFile(doc_);
}

void AcquisitionCycle::closeSocket() {
    if (ethernet_) ethernet_->abort();
    // Whatever had not yet formed a block belongs to the connection just closed.
    assembler_.discard();
    gatheringFollowsBlock_ = false;
}

bool AcquisitionCycle::ethernetPollingStopped() const {
    return doc_.flags.playbackActive || doc_.head.sonarType != kTypeQ || doc_.flags.holdActive;
}

void AcquisitionCycle::stopLiveLink() {
    closeSocket();
    setLinkState(LinkState::NotConnected);
    closeSerialPorts();
}

void AcquisitionCycle::setPortsSuspended(bool suspended) {
    doc_.link.portsSuspended = suspended ? 1 : 0;
    if (serial_) serial_->setSuspended(suspended);
}

// ------------------------------------------------------------------ commands

void AcquisitionCycle::connectToHead() {
    stopAcquisitionTimers(timers_);
    closeFiles();
    doc_.flags.recordingActive = false;
    closeSocket();
    setLinkState(LinkState::NotConnected);
    closeSerialPorts();
    doc_.views().refreshSettingsPanels();
    observer_->resetDiagnostics();
    doc_.clearPingState();
    doc_.views().markFullRedraw();
    doc_.flags.playbackActive = false;
    if (settings_) settings_->load(doc_);
    doc_.flags.holdActive = false;
    observer_->hidePlaybackBar();
    observer_->showToolbar();
    if (doc_.display.settingsDlgVisible) observer_->showSettingsPanel();
    doc_.ping.echoLong.fill(0);
    doc_.link.noNewData = 1;
    if (doc_.head.sonarType == kTypeQ) {
        connectSocket();
    } else {
        openSonarPort();
    }
    // No sonar data have come yet, whichever the head: the orientation timer
    // reads the instrument until they do (the socket connect has already
    // cleared noNewData, which alone would leave an Ethernet head's instrument
    // unread until its first ping).
    if (doc_.link.prdEnable == 1 && orientation_.openOrientationPort() &&
        !timers_.isTimerActive(kOrientationTimer)) {
        timers_.setTimer(kOrientationTimer, kOrientationPollMs);
    }
}

void AcquisitionCycle::holdToggle() {
    doc_.flags.holdActive = doc_.flags.holdActive ? 0 : 1;
    if (!doc_.flags.holdActive) {
        if (doc_.head.sonarType != kTypeQ || doc_.flags.playbackActive) {
            timers_.setTimer(kPollTimer, kHoldReleasePollMs);
            // Nothing was asked of the head while held: its silence counts from now.
            serialAnswerCounter_ = clock_.counterValue();
        } else {
            connectSocket();
        }
    }
    doc_.views().updateViews(ViewHint::Repaint);
}

bool AcquisitionCycle::changeIpAddress(const std::string& address) {
    doc_.link.ipAddress = address;
    if (doc_.flags.playbackActive) return true;
    bool saved = true;
    if (settings_) {
        settings_->save(doc_);
        saved = settings_->lastSaveSucceeded();
    }
    // Not connected first: an attempt still pending would otherwise be kept.
    setLinkState(LinkState::NotConnected);
    connectSocket();
    return saved;
}

void AcquisitionCycle::shutdown() {
    setPortsSuspended(true);
    if (settings_) settings_->save(doc_);
    stopAcquisitionTimers(timers_);
    if (serial_) serial_->stop();
    closeFiles();
    closeSocket();
    setLinkState(LinkState::NotConnected);
    closeSerialPorts();
    doc_.flags.recordingActive = false;
    observer_->destroyModelessWindows();
}

// ------------------------------------------------------------------ the ping

bool AcquisitionCycle::processPing() {
    orientation_.resetByteCount();
    if (!doc_.link.portsSuspended) orientation_.readOrientation();

    stampLocalTime();

    bool valid = false;
    if (doc_.link.noNewData == 0) {
        timers_.killTimer(kOrientationTimer);
        if (sizeCopyAndDecode(doc_)) {
            acceptValidPing(doc_, recorder_);
            doc_.link.headAnswering = true;
            valid = true;
        }
    }
    if (!valid) doc_.pings.pingOnScreen = false;
    if (doc_.head.sonarType != kTypeQ) watchSerialHead(valid);

    observer_->refreshDiagnostics();
    measurePingRate();
    doc_.prepareCommandForPoll();
    showPing(doc_);

    // The one-shot bits of the control byte were cleared when this poll's command
    // was handed to the worker (see onPollTimer), so only the interval is left.
    if (doc_.head.sonarType != kTypeQ && !doc_.flags.holdActive) {
        timers_.setTimer(kPollTimer,
                         serialPollIntervalMs(doc_.link.linkState, doc_.head.rangeMetres));
    }
    observer_->pingProcessed(valid);
    return valid;
}

void AcquisitionCycle::stampLocalTime() {
    const LocalTime now = clock_.localTime();
    TimeStampTexts texts = timeStampTexts(now);
    doc_.ping.dateText = std::move(texts.date);
    doc_.ping.timeText = std::move(texts.time);
    doc_.ping.millisecondText = std::move(texts.millisecond);
    doc_.ping.hundredthsText = std::move(texts.hundredths);
    doc_.pings.stampHour = now.hour;
    doc_.pings.stampMinute = now.minute;
    doc_.pings.stampSecond = now.second;
}

void AcquisitionCycle::measurePingRate() {
    if (!rateInitialised_) {
        counterFrequency_ = clock_.counterFrequency();
        counterBefore_ = clock_.counterValue();
        rateInitialised_ = counterFrequency_ > 0;
        return;
    }
    const std::int64_t now = clock_.counterValue();
    const double dt =
        static_cast<double>(now - counterBefore_) / static_cast<double>(counterFrequency_) * 1000.0;
    counterBefore_ = now;
    if (doc_.pings.pingPeriodMs > 0.0) {
        doc_.pings.pingPeriodMs = 0.5 * dt + 0.5 * doc_.pings.pingPeriodMs;
    } else {
        doc_.pings.pingPeriodMs = doc_.pings.pingPeriodMs + dt;
    }
    doc_.pings.pingPeriodRounded = static_cast<int>(doc_.pings.pingPeriodMs + 0.5);
}

// ------------------------------------------------------------------ timers

void AcquisitionCycle::onTimer(int id) {
    switch (id) {
        case kPollTimer:
            onPollTimer(kPollTimer);
            break;
        case kWatchdogTimer:
            if (watchdogRole_ == WatchdogRole::ReplyTimeout) {
                onReplyTimeout();
            } else {
                onPollTimer(kWatchdogTimer);
            }
            break;
        case kSendTimer:
            sendCommandNow();
            break;
        case kOrientationTimer:
            onOrientationTimer();
            break;
        default:
            break;
    }
}

void AcquisitionCycle::onPollTimer(int firedId) {
    timers_.killTimer(firedId);
    if (doc_.flags.playbackActive) {
        // Single frames are stepped by hand: a poll timer left running by Hold,
        // a dialog or the end of a conversion must not resume continuous play.
        if (doc_.files.oneFrameMode == 1) return;
        if (playback_) playback_->playOneRecord();
        if (doc_.flags.playbackActive && doc_.files.oneFrameMode == 0) {
            timers_.setTimer(kPollTimer, doc_.files.playbackIntervalMs);
        }
        return;
    }
    if (serial_ && serial_->workerExists()) {
        // The worker gets its own copy of the command: it writes it a second or so
        // from now on its own thread, while the main thread goes on changing
        // settings. Clearing the one-shot bits here, as the copy is taken, sends a
        // reverse-step request exactly once without a window in which a request
        // made during the poll could be cleared unsent.
        SerialPollRequest request;
        request.command = doc_.head.command;
        request.rtsEnable = doc_.link.rtsEnable != 0;
        request.serialHead = doc_.head.sonarType != kTypeQ;
        doc_.head.clearOneShotBits();
        doc_.link.noNewData = 1;
        serial_->requestPoll(request);
    }
    doc_.link.pollToggle = doc_.link.pollToggle ? 0 : 1;
}

void AcquisitionCycle::sendCommandNow() {
    timers_.killTimer(kSendTimer);
    timers_.killTimer(kWatchdogTimer);
    if (ethernetPollingStopped()) return;
    doc_.link.noNewData = 1;
    // A head that was sent a command again answers both, so what arrived since
    // the last block is the next reply's beginning and is kept; anything older
    // cannot be the answer to the command about to go out.
    if (!gatheringFollowsBlock_) assembler_.discard();
    gatheringFollowsBlock_ = false;
    if (ethernet_) ethernet_->send(doc_.head.command.data(), doc_.head.command.size());
    doc_.head.clearOneShotBits();
    armWatchdog();
}

void AcquisitionCycle::onReplyTimeout() {
    timers_.killTimer(kWatchdogTimer);
    if (ethernetPollingStopped()) return;
    // Whether the link is up or down, no block came: the buffer holds the last
    // ping, which must be neither decoded nor recorded a second time.
    doc_.link.noNewData = 1;
    assembler_.discard();
    gatheringFollowsBlock_ = false;
    doc_.link.pollToggle = doc_.link.pollToggle ? 0 : 1;
    doc_.link.headAnswering = false;
    processPing();
    observer_->refreshStatusBar();
    if (doc_.link.linkState == LinkState::Connected) {
        pollSilentHead();
        return;
    }
    silentPeriods_ = 0;
    // An attempt still pending after a whole watchdog period is given up, so
    // an unreachable head is retried at the watchdog's pace.
    if (doc_.link.linkState == LinkState::Pending) setLinkState(LinkState::NotConnected);
    connectSocket();
}

void AcquisitionCycle::pollSilentHead() {
    // One lost command or reply must not end the survey: the command goes out
    // again, and a head still silent a period later may have lost its place in
    // the stream, which a new connection resets.
    if (++silentPeriods_ < 2) {
        observer_->headSilent(SilentHeadAction::SendAgain);
        sendCommandNow();
        return;
    }
    silentPeriods_ = 0;
    observer_->headSilent(SilentHeadAction::Reconnect);
    reconnectSilentHead();
}

void AcquisitionCycle::reconnectSilentHead() {
    // The view keeps saying that no data come.
    stopAcquisitionTimers(timers_);
    setLinkState(LinkState::Pending);
    closeSocket();
    if (!ethernet_ || !ethernet_->connectToHost(doc_.link.ipAddress, doc_.link.ipPort))
        setLinkState(LinkState::NotConnected);
    armWatchdog();
}

void AcquisitionCycle::onOrientationTimer() {
    orientation_.resetByteCount();
    if (!doc_.link.portsSuspended) orientation_.readOrientation();
}

// ------------------------------------------------------------------ Ethernet link

void AcquisitionCycle::connectSocket() {
    stopAcquisitionTimers(timers_);
    observer_->hidePlaybackBar();
    // A reconnect, whether the watchdog's, Hold's or a new address's, leaves a
    // recording open: it waits in the same file and goes on with the next ping.
    // Only the connect command, a file opened for playback and shutdown end it.
    if (playback_) playback_->closePlaybackFile(doc_);
    if (doc_.link.linkState == LinkState::Pending) {
        // An attempt is under way; it keeps its watchdog.
        armWatchdog();
        return;
    }
    setLinkState(LinkState::Pending);
    silentPeriods_ = 0;
    closeSocket();
    stampLocalTime();
    if (!ethernet_ || !ethernet_->connectToHost(doc_.link.ipAddress, doc_.link.ipPort))
        setLinkState(LinkState::NotConnected);
    doc_.flags.playbackActive = false;
    doc_.link.noNewData = 0;
    armWatchdog();
}

void AcquisitionCycle::onSocketConnected(int error) {
    if (error != 0 || doc_.flags.playbackActive) {
        setLinkState(LinkState::NotConnected);
        armWatchdog();
        return;
    }
    setLinkState(LinkState::Connected);
    if (doc_.head.sonarType == kTypeQ) timers_.setTimer(kSendTimer, 0);
}

void AcquisitionCycle::onSocketClosed() {
    setLinkState(LinkState::NotConnected);
    assembler_.discard();
    gatheringFollowsBlock_ = false;
    armWatchdog();
}

void AcquisitionCycle::onSocketBytes(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return;
    if (doc_.flags.playbackActive) {
        // The stream goes on without us: a reply begun before cannot be finished.
        assembler_.discard();
        gatheringFollowsBlock_ = false;
        return;
    }
    doc_.link.noNewData = 0;
    const std::uint8_t headId = doc_.head.command[cmd::kHeadId];
    doc_.link.strayBytesDiscarded += static_cast<std::int64_t>(
        assembler_.deliver(std::span(data, size), headId, [this](const std::uint8_t* block) {
            onSocketBlock(block);
            // A ping can end the link or start a file; the rest is then not ours.
            return !doc_.flags.playbackActive && doc_.link.linkState == LinkState::Connected;
        }));
}

void AcquisitionCycle::onSocketBlock(const std::uint8_t* block) {
    silentPeriods_ = 0;
    stopAcquisitionTimers(timers_);
    std::copy_n(block, kBlockLengthLong, doc_.link.receiveBuffer.begin());
    gatheringFollowsBlock_ = true;
    doc_.link.noNewData = 0;
    timers_.setTimer(kSendTimer, 0);
    processPing();
}

// ------------------------------------------------------------------ serial link

void AcquisitionCycle::openSonarPort() {
    if (serial_ && serial_->isOpen()) serial_->close();
    if (serial_ && serial_->open(doc_.link.sonarComPort, doc_.link.sonarBaud)) {
        setLinkState(LinkState::Connected);
        setPortsSuspended(false);
    } else {
        setLinkState(LinkState::NotConnected);
    }
    if (serial_ && !serial_->workerExists()) serial_->startWorker();
    serialAnswerCounter_ = clock_.counterValue();
    watchdogRole_ = WatchdogRole::Poll;
    timers_.setTimer(kWatchdogTimer, kFirstSerialPollMs);
}

void AcquisitionCycle::watchSerialHead(bool valid) {
    if (valid) {
        serialAnswerCounter_ = clock_.counterValue();
        return;
    }
    if (msSince(serialAnswerCounter_) < kWatchdogMs) return;
    // A head that went away and came back (an adapter unplugged and plugged
    // in again, a head restarted on the same link) is only found on a new
    // open of its device; a port that would not open is tried again too. The
    // files stay open, as they do when an Ethernet head is reconnected.
    serialAnswerCounter_ = clock_.counterValue();
    doc_.link.headAnswering = false;
    observer_->headSilent(SilentHeadAction::Reconnect);
    if (serial_ && serial_->isOpen()) serial_->close();
    const bool opened = serial_ && serial_->open(doc_.link.sonarComPort, doc_.link.sonarBaud);
    setLinkState(opened ? LinkState::Connected : LinkState::NotConnected);
}

void AcquisitionCycle::closeSerialPorts() {
    if (serial_) serial_->close();
    orientation_.closeOrientationPort();
}

void AcquisitionCycle::onDataReady(const std::uint8_t* block, std::size_t count) {
    // A poll that was under way when playback started or the head type changed
    // brings a block that no longer belongs to anything on screen.
    if (doc_.flags.playbackActive || doc_.head.sonarType == kTypeQ) return;
    if (block && count >= kBlockLengthLong) {
        std::copy_n(block, kBlockLengthLong, doc_.link.receiveBuffer.begin());
        doc_.link.noNewData = 0;
    } else {
        doc_.link.noNewData = 1;
    }
    processPing();
    observer_->refreshStatusBar();
}

}  // namespace sondrel
