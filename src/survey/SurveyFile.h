#pragma once
// The survey's sidecar: NAME.survey beside NAME.qzr, a settings-style text
// file that holds everything the operator said about the recording (the
// header, the chainage choices, the calibration, the reviewed observations).
// The recording itself never changes.
//
//   [Survey File]    Version=1
//   [Recording]      File=NAME.qzr, Size=bytes: a sidecar naming another
//                    recording is recognised as such
//   [Survey]         AAA=..., one key per header field, Start Chainage=metres
//   [Chainage]       Estimated Speed=m/s, Kept Pass=last|first
//   [Calibration]    Sound Velocity, Known Diameter, From, To, Uncertainty
//   [Observations]   Count=n, 1=... one line per observation
//
// It is written atomically: to a temporary file in the same folder, synced,
// then renamed over the old one, which a failure leaves as it was.

#include <cstdint>
#include <string>
#include <vector>

#include "survey/Chainage.h"
#include "survey/Observation.h"
#include "survey/SurveyHeader.h"

namespace sondrel {

inline constexpr int kSurveyFileVersion = 1;

// A sound velocity derived from a stretch of known inside diameter and
// accepted by the operator: the whole survey is analysed with it.
struct Calibration {
    bool applied = false;
    double soundVelocity = 0.0;        // m/s
    double velocityUncertainty = 0.0;  // m/s, from the stretch's scatter
    double knownDiameter = 0.0;        // m
    double from = 0.0, to = 0.0;       // chainage of the stretch, m
    // What the stretch measured before: its mean diameter (m) and the sound
    // velocity its points were made with (m/s); the correction is the
    // difference of the velocities.
    double measuredDiameter = 0.0, velocityBefore = 0.0;
    bool operator==(const Calibration&) const = default;
};

// What a sidecar holds.
struct SurveyRecord {
    SurveyHeader header;
    ChainageChoices chainage;
    Calibration calibration;
    std::vector<Observation> observations;
    // The recording it belongs to: its file name (without folder) and size.
    std::string recordingName;
    std::int64_t recordingSize = -1;
    // Written while the recording was still being made: the recording may
    // since have grown (a crash or a write error left the size unrewritten),
    // so any size from recordingSize up is this recording's.
    bool recordingGrowing = false;
    bool operator==(const SurveyRecord&) const = default;
};

// The sound velocity a survey's records are measured with in place of their
// recorded ones (m/s); 0 without an applied calibration.
double calibratedVelocity(const SurveyRecord& record);

enum class SidecarStatus : unsigned char {
    Loaded,
    Missing,         // no sidecar: an empty header, the survey works without one
    Damaged,         // not a sidecar, or a value in it is not legal
    Newer,           // written by a newer version of the program
    OtherRecording,  // names another recording
};

struct SidecarLoad {
    SidecarStatus status = SidecarStatus::Missing;
    std::string message;  // for the operator; empty when loaded or missing
    SurveyRecord record;  // empty unless loaded
    bool ok() const { return status == SidecarStatus::Loaded || status == SidecarStatus::Missing; }
};

// "/data/run.qzr" -> "/data/run.survey".
std::string sidecarPathFor(const std::string& recording);

// Reads the sidecar of `recording` (which must exist, for its size).
SidecarLoad loadSidecar(const std::string& recording);
// Reads a sidecar's text against the recording's name and size.
SidecarLoad parseSidecar(std::string_view text, const std::string& recordingName,
                         std::int64_t recordingSize);
// The text a sidecar of `record` holds.
std::string sidecarText(const SurveyRecord& record);
// Writes the sidecar of `recording`, naming the recording (its name and size
// are taken from the file). Empty on success, else the message naming the
// file and the reason; the old sidecar is then as it was.
std::string saveSidecar(const std::string& recording, SurveyRecord record);

}  // namespace sondrel
