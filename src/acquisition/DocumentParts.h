#pragma once
// The smaller parts of the document: the link to the head, the tally of the
// pings, the operating flags, the orientation input's state and the settings
// of the files. Each is plain data; the document owns one of each.

#include <array>
#include <cstdint>
#include <string>

#include "acquisition/Ping.h"

namespace sondrel {

enum class LinkState { NotConnected, Connected, Pending };

// How the head is reached and how the link stands.
struct LinkStatus {
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
    bool portsSuspended = false;
    // Whether the live head is answering: set by every valid live ping, cleared
    // when the link drops or a whole watchdog period passes without a block. A
    // recording waits through the gap in the same file.
    bool headAnswering = false;
    int noNewData = 1;
    int pollToggle = 0;
    // Bytes that came before a reply's header on the Ethernet link and were
    // thrown away to find it, since the program started.
    std::int64_t strayBytesDiscarded = 0;
    std::array<std::uint8_t, kBlockLengthLong> receiveBuffer{};
};

// The pings taken in so far, live or played, and their pace.
struct PingTally {
    int pingCount = 0;
    // Whether the picture shows a ping that was decoded valid. Unlike noNewData,
    // which an Ethernet head's cycle sets again as each command goes out, it
    // holds until a poll or a played record brings no valid ping.
    bool pingOnScreen = false;
    double pingPeriodMs = 0.0;
    int pingPeriodRounded = 0;
    // Hour, minute and second of the last local-time stamp (used for file names).
    int stampHour = 0, stampMinute = 0, stampSecond = 0;
};

struct OperatingFlags {
    bool holdActive = false;
    bool playbackActive = false;
    bool recordingActive = false;
    bool imageResetPending = true;
    bool xyzConversionActive = false;
    // The recording under way has no survey header yet (one may be filled
    // while it runs or after).
    bool surveyHeaderMissing = false;
};

// The orientation input's latest readings and how many sentences failed.
struct OrientationStatus : OrientationReadings {
    int pitchErrors = 0, rollErrors = 0, distanceErrors = 0;
    int reachValueReceived = 0;
};

// Where files go and come from, and how playback paces them. The files
// themselves belong to the recorder and the player.
struct FileSettings {
    std::string recordPath;
    std::string writeDirectory;  // ends in '/' whenever the program sets it
    int autoFileNames = 1;
    int captureCounter = 0;
    std::string playbackPath;
    std::string readDirectory;
    int openFilterIndex = 1;
    int playbackIntervalMs = 0;
    int realTimePlaySpeed = 0;
    int oneFrameMode = 0;
    std::string xyzPath;
    std::int64_t recordFileBytes = 0;  // length of the file being recorded or copied
    // m/s; above 0, every played ping is measured with this sound velocity in
    // place of its recorded one: a survey's calibration, which the survey,
    // its report, its views and its cloud all measure by.
    double calibratedSoundVelocity = 0.0;
};

}  // namespace sondrel
