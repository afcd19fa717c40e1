#pragma once
// CSondrelDoc: the one owner of every setting, of the link state and of the
// state of the last ping. Settings are plain fields; the operations below are
// the only places where the rules that tie them together are applied, and every
// caller (panels, bars, hot keys, dialogs, settings file, playback) uses them.

#include <array>
#include <cstdint>
#include <string>

#include "acquisition/SonarTables.h"
#include "acquisition/SwitchCommand.h"
#include "common/DisplaySettings.h"
#include "common/SonarBitmap.h"

namespace sondrel {

// What an update asks of the views besides a repaint.
enum class ViewHint {
    Repaint,
    CircleMove,   // enter circle-move blinking
    ColourTable,  // rebuild the index image and colour bar for a new colour table
};

// What the document asks of the windows that show it. The program's windows
// implement it; without windows (tests, headless tools) nothing happens.
class DocumentViews {
  public:
    virtual ~DocumentViews() = default;
    virtual void markFullRedraw() {}
    // Rewrite the settings panel and the settings bar from the document.
    virtual void refreshSettingsPanels() {}
    virtual void updateViews(ViewHint /*hint*/) {}
};

enum class LinkState { NotConnected, Connected, Pending };

inline constexpr std::size_t kReceiveBufferSize = 813;
inline constexpr std::size_t kReturnHeaderSize = 12;
inline constexpr std::size_t kEchoShortRows = 4;
inline constexpr std::size_t kEchoShortSize = 640;
inline constexpr std::size_t kEchoLongSize = 4096;

class CSondrelDoc {
  public:
    CSondrelDoc();
    CSondrelDoc(const CSondrelDoc&) = delete;
    CSondrelDoc& operator=(const CSondrelDoc&) = delete;

    void setViews(DocumentViews* views) { views_ = views ? views : &noViews_; }
    DocumentViews& views() { return *views_; }

    // ---- head model and link
    int sonarType = kTypeP;
    LinkState linkState = LinkState::NotConnected;
    std::string ipAddress = "192.168.0.2";
    int ipPort = 4040;  // TCP port of the head; fixed for real heads, moved for simulators
    int sonarComPort = 2;
    int sonarBaud = 115200;
    int rtsEnable = 0;
    int prdEnable = 0;
    int prdComPort = 1;
    int prdBaud = 4800;
    int sentenceType = 0;
    int portsSuspended = 0;

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

    // ---- physical and display settings used by acquisition
    double soundVelocity = kDefaultSoundVelocity;
    int unitsFeet = 0;
    int xdcrForward = 0;
    int zeroDown = 0;
    double profileMinRange = 0.0;

    // ---- ping state
    std::uint8_t headId = 16;
    std::uint8_t headStatus = 0;
    int headStatusLow = 0;
    int stepDirection = 1;
    int headPosition = 0;
    int dataBytes = 0;
    int dataPointCount = 552;
    int blockLength = 265;
    std::string headerText;  // the three type letters of the last block, as received
    std::array<std::uint8_t, kReturnHeaderSize> returnHeader{};
    std::array<std::uint8_t, kReceiveBufferSize> receiveBuffer{};
    std::array<std::array<std::uint8_t, kEchoShortSize>, kEchoShortRows> echoShort{};
    std::array<std::uint8_t, kEchoLongSize> echoLong{};
    int noNewData = 1;
    // Whether the picture shows a ping that was decoded valid. Unlike noNewData,
    // which an Ethernet head's cycle sets again as each command goes out, it
    // holds until a poll or a played record brings no valid ping.
    bool pingOnScreen = false;
    // Whether the live head is answering: set by every valid live ping, cleared
    // when the link drops or a whole watchdog period passes without a block. A
    // recording waits through the gap in the same file.
    bool headAnswering = false;
    int pingCount = 0;
    double pingPeriodMs = 0.0;
    int pingPeriodRounded = 0;
    int pollToggle = 0;
    // Bytes that came before a reply's header on the Ethernet link and were
    // thrown away to find it, since the program started.
    std::int64_t strayBytesDiscarded = 0;
    std::string dateText, timeText, millisecondText, hundredthsText;
    // Hour, minute and second of the last local-time stamp (used for file names).
    int stampHour = 0, stampMinute = 0, stampSecond = 0;

    // ---- orientation input
    double pitchDeg = 0.0, rollDeg = 0.0, distanceM = 0.0;
    int pitchValid = 0, rollValid = 0, distanceValid = 0;
    int pitchErrors = 0, rollErrors = 0, distanceErrors = 0;
    int reachValueReceived = 0;

    // ---- operating state
    int holdActive = 0;
    int playbackActive = 0;
    int recordingActive = 0;
    int imageResetPending = 1;

    // ---- input modes of the view and one-shot requests to it (the view keeps
    // the annotation list and its own flags; these are what commands switch)
    int textInputMode = 0;
    int measurementMode = 0;
    int circleMoveMode = 0;
    int viewResetRequest = 0;    // next paint: zoom 1, no image or circle offset
    int statusResetRequest = 0;  // next paint: restart the connection text alternation
    int deleteTextsRequest = 0;
    int deleteLastTextRequest = 0;  // the text being typed, or the last one placed
    int deleteLinesRequest = 0;
    double lastMeasuredDistance = 0.0;  // metres, set by the paint of a measurement line
    // Cursor readout over the image (metres and degrees), shown by the status bar.
    double cursorHorizontal = 0.0, cursorVertical = 0.0, cursorRange = 0.0, cursorBearing = 0.0;
    std::int64_t recordFileBytes = 0;  // length of the file being recorded or copied

    // ---- recording, playback and conversion settings (the files themselves
    // belong to the recorder and the player)
    std::string recordPath;
    std::string writeDirectory;  // ends in '/' whenever the program sets it
    int autoFileNames = 1;
    int captureCounter = 0;
    std::string playbackPath;
    std::string readDirectory;
    int openFilterIndex = 1;
    std::int64_t fileLength = 0;
    std::int64_t recordSize = 0;
    std::int64_t nextRecordPosition = 0;
    std::int64_t currentPosition = 0;
    int playbackIntervalMs = 0;
    int realTimePlaySpeed = 0;
    int oneFrameMode = 0;
    int trackbarBusy = 0;
    int xyzConversionActive = 0;
    std::string xyzPath;

    // ---- display settings, sonar image
    DisplaySettings display;
    CSonarBitmap sonarBitmap;

    // ---- the command to the head
    CommandBuffer command = initialCommand();

    // ================= operations =================

    // Ends every settings change: redraw mark, panel refresh (which also applies
    // the step rule and, with automatic frequency, the per-range table), image
    // reset when due, and a redraw when no ping will come to do it.
    void applySettings();
    // What the settings panels do to the document whenever they are refreshed.
    void applyPanelRules();

    void clearPingState();
    // Pitch, roll and distance, and whether each was read.
    void clearOrientationReadings();
    // A live recording whose head has stopped answering: the file stays open
    // and goes on with the next ping.
    bool recordingPaused() const {
        return recordingActive == 1 && playbackActive != 1 && !headAnswering;
    }
    void clearEchoShort();
    void clearSonarImage();

    // Range: every change goes through here so the range code follows.
    void setRangeIndex(int index);
    // The spin of the panels: returns whether the index changed (then the image
    // must be cleared before the next ping).
    bool stepRange(int delta);
    // A typed range in metres (key-in): negative values are ignored.
    void keyInRange(double metres);

    void setGain(int gain);
    bool stepGain(int delta);
    void keyInGain(int gain);

    void stepSectorWidth(int delta);
    void stepTrain(int delta);
    void stepSpeed(int delta);
    void stepScanMode(int delta);
    // Switch to a scan mode, keeping each mode's own width and train.
    void setScanMode(int mode);
    // Remember the active mode's width and train as that mode's own.
    void rememberModeValues();
    // The step rule: SideScan 0; Type Q limits at short range; 0 never stays outside SideScan.
    void applyStepRule();

    void stepFrequency(int delta);
    void stepAbsorption(int delta);
    void stepPulseLength(int delta);
    void stepSwitchDelay(int delta);
    void toggleAutoFrequency();
    void copyPerRangeRow();

    void setStepSize(int stepSize);
    void setCurrentTrain(int train);
    void setCurrentSectorWidth(int width);
    void setFrequencyCode(int code);
    void setAbsorptionCode(int code);
    void setPulseLengthCode(int code);
    void setTrainReversed(int reversed);

    // The one-shot reverse step direction request.
    void requestStepReverse();
    // Bytes 15 and 13 before the next command goes out.
    void prepareCommandForPoll();
    void clearOneShotBits() {
        command[cmd::kControl] &= static_cast<std::uint8_t>(~cmd::kOneShotBits);
    }

  private:
    DocumentViews noViews_;
    DocumentViews* views_ = &noViews_;
};

}  // namespace sondrel
