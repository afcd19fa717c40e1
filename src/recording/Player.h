#pragma once
// Playback: a recorded data file shown record by record through the same path
// as live pings. Each record is read into the document, which then holds the
// recorded ping, its settings and its time stamp as if it had just arrived,
// and the views are redrawn. The poll timer paces the records; the playback bar
// positions, paces and steps them.
//
// Any file can be handed to playback: a record that cannot be read whole ends
// the file (playback starts again at the first record) and nothing is ever
// decoded from bytes a read did not deliver. The file's length is taken afresh
// at every step, so a file that grows or shrinks while it plays is followed.

#include <cstdint>
#include <string>

#include "acquisition/Links.h"
#include "recording/BinaryFile.h"

namespace sondrel {

class AcquisitionCycle;
class CSondrelDoc;
class FileWindows;
class OperatorPort;
class Recorder;
class TimerHost;

inline constexpr int kPlaybackStartDelayMs = 50;
// A file must hold more than this to be worth opening.
inline constexpr std::int64_t kMinimumPlaybackFileLength = 100;

// Whether a name ends in "qzr" in any case; the contents are not looked at.
bool hasDataFileEnding(const std::string& path);

// What a player reaches beyond the document, its timers, the operator, the
// windows and the recorder. A headless use leaves out what it has not got.
struct PlayerPeers {
    // The live cycle, whose head link stops when a file starts playing.
    AcquisitionCycle* cycle = nullptr;
    // Where the live settings are kept before a file replaces them in the document.
    SettingsStore* settings = nullptr;
};

class Player : public PlaybackDriver {
  public:
    Player(CSondrelDoc& doc, TimerHost& timers, OperatorPort& operatorPort, FileWindows& windows,
           Recorder& recorder, PlayerPeers peers = {});
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

    // "Open File to Playback" after the command has released Hold: asks for a
    // file and plays it. Returns whether a file is now being played.
    bool openPlayback();
    // The same for a file already chosen (command line, a file dropped on the window).
    bool openPlaybackFile(const std::string& path);

    // PlaybackDriver: one playback step (the poll timer's, and the step buttons').
    void playOneRecord() override;
    void closePlaybackFile(CSondrelDoc& doc) override;

    // ">" and "<" of the playback bar: stop continuous play and show the next or
    // the previous record.
    void stepForward();
    void stepBackward();
    // Moves the read position to the start of the record before the one last
    // read; at the first record it stays there. Returns false without a file.
    bool stepBack();
    // "Play One Frame".
    void toggleOneFrameMode();
    // "RealTime Play Speed".
    void toggleRealTimePlaySpeed();
    // One click of the speed spin from `currentSpeed` (0..1000); step +1 or -1.
    void speedClicked(int currentSpeed, int step);
    // The operator has let the trackbar go at `thumb` (0..100).
    void trackbarReleased(int thumb);
    // The operator holds the trackbar: playback no longer moves it.
    void setTrackbarBusy(bool busy);
    // Positions playback at the first record start at or after `target`, or at
    // the end of the file (the next step then starts at the first record).
    void findRecordStart(std::int64_t target);

    bool isOpen() const { return file_.isOpen(); }
    // Where the next step reads.
    std::int64_t readPosition() const { return readPosition_; }
    // Where the record last read starts.
    std::int64_t lastRecordPosition() const { return lastRecordPosition_; }
    std::uint64_t byteStep() const { return byteStep_; }
    // The file's length when last looked at, and the position the trackbar
    // shows (it stays while the operator holds the trackbar).
    std::int64_t fileLength() const { return fileLength_; }
    std::int64_t currentPosition() const { return currentPosition_; }
    // The size of the record last read.
    std::int64_t recordSize() const { return recordSize_; }
    bool trackbarBusy() const { return trackbarBusy_; }

  private:
    bool openChosenFile(const std::string& path);
    void resumeAfterCancel();
    void step();
    // A record this reader cannot size: the file cannot be followed beyond it.
    void stopAtUnknownSize(std::int64_t position);
    // Back to the first record.
    void wrapAround();
    void showPosition();
    void refreshLength();

    CSondrelDoc& doc_;
    TimerHost& timers_;
    OperatorPort& operator_;
    FileWindows& windows_;
    Recorder& recorder_;
    AcquisitionCycle* const cycle_;
    SettingsStore* const settings_;

    BinaryFile file_;
    std::int64_t readPosition_ = 0;
    std::int64_t lastRecordPosition_ = 0;
    std::uint64_t byteStep_ = 0;
    std::int64_t fileLength_ = 0;
    std::int64_t currentPosition_ = 0;
    std::int64_t recordSize_ = 0;
    bool trackbarBusy_ = false;
    bool unknownSizeReported_ = false;
};

}  // namespace sondrel
