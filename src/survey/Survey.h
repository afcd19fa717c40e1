#pragma once
// A survey of one recording: every record's figures and chainage, which
// records stand for each place, the observations, the grading and the
// per-metre table. One entry point makes it for the programs and the window
// alike; it runs on any thread (it touches only its own document and what it
// is given) and measures on every core.
//
//   CSondrelDoc doc;                  // with the display settings loaded
//   doc.flags.playbackActive = true;
//   SidecarLoad sidecar;
//   const SurveyInputs in = surveyInputsFor("run.qzr", settingsPath, &sidecar);
//   if (!sidecar.ok()) tell(sidecar.message);  // damaged, newer, another's
//   JobProgress progress;             // the window's, to show and cancel
//   Survey survey = analyseSurvey(doc, in, &progress);
//   writeCodedFile(survey, "run.txt");
//
// Afterwards, without reading the recording again: an edited observation
// goes into survey.record.observations (byOperator set; sortObservations
// keeps the order) and saveSidecar(in.recording, survey.record) keeps it; new
// thresholds detectAgain(survey, thresholds); new limits go into survey.limits,
// then gradeSurvey(survey).
// A calibration accepted from calibrate(...) goes into in.record.calibration
// and the survey is analysed again.

#include <cstdint>
#include <string>
#include <vector>

#include <optional>

#include "analysis/GeometrySettings.h"
#include "recording/DataFileConverter.h"
#include "survey/Observation.h"
#include "survey/SurveyFile.h"
#include "survey/SurveyPing.h"
#include "survey/SurveySettings.h"

namespace sondrel {

class CSondrelDoc;
class JobProgress;

enum class Verdict : unsigned char { Pass, Evaluate, Fail, None };
const char* verdictText(Verdict verdict);  // "pass", "evaluate", "fail", "no verdict"

// A figure at its worst, where it was, and its standard uncertainty.
struct SurveyWorst {
    bool found = false;
    double value = 0.0, uncertainty = 0.0;
    double chainage = 0.0;
    std::int64_t filePosition = -1;
};

struct SurveySummary {
    double lengthSurveyed = 0.0;  // span of the kept chainage, m
    double startChainage = 0.0, endChainage = 0.0;
    std::int64_t records = 0, measured = 0, kept = 0;
    SurveyWorst deformation;    // % of nominal
    SurveyWorst ovalityQ;       // ASTM F1216 q, %
    SurveyWorst ovalitySpread;  // (Dmax - Dmin) / Dmean, %
    // What is graded: the deformation with a nominal size, else ovality q.
    bool gradedOnDeformation = true;
    Verdict verdict = Verdict::None;
    double lengthBeyondEvaluate = 0.0, lengthBeyondFail = 0.0;  // m
    double sedimentVolume = 0.0;                                // m³
    double capacityLoss = 0.0;    // % of the nominal bore's volume over the length
    double volumePerMetre = 0.0;  // m³/m
    double volumePerUnit = NAN;   // m³ per pipe unit length (ACG); NaN without it
    double meanDiameter = 0.0, meanDiameterUncertainty = 0.0;
};

// One metre of chainage [from, from + 1).
struct MetreRow {
    double from = 0.0;
    int records = 0;  // kept, measured records in it
    double meanDiameter = NAN, meanDiameterUncertainty = NAN;
    double deformation = NAN;   // the largest in it
    double ovalityQ = NAN;      // the largest in it
    double sedimentArea = NAN;  // the mean in it
    double volume = 0.0;        // the sediment in it, m³
};

struct SurveyInputs {
    std::string recording;
    SurveyRecord record;  // the sidecar's, or empty
    GeometrySettings geometry;
    ObservationSettings thresholds;
    GradingLimits limits;
    unsigned threads = 0;  // 0: one per core
};

struct Survey {
    ConversionResult result;  // reading the recording
    bool cancelled = false;
    SurveyRecord record;  // as given, observations merged
    // Every valid record in file order, and the kept ones in chainage order
    // (indices into pings).
    std::vector<SurveyPing> pings;
    std::vector<std::uint32_t> kept;
    bool chainageEstimated = false;
    bool hasChainage = false;  // false: no distances and no speed stated
    // Metres; 0 without one. Where it came from: "header" or "settings".
    double nominalDiameter = 0.0;
    std::string nominalSource;
    std::vector<Observation> detected;      // this run's detection alone
    std::vector<Observation> observations;  // the survey's: detected merged with the stored
    SurveySummary summary;
    std::vector<MetreRow> perMetre;
    GradingLimits limits;
};

// What a survey of `recording` is made from: its sidecar's record (empty
// when there is none or it cannot be trusted; `sidecar`, when given, says
// which) and the geometry, observation and grading sections of the settings
// file at `settingsPath`.
SurveyInputs surveyInputsFor(const std::string& recording, const std::string& settingsPath,
                             SidecarLoad* sidecar = nullptr);

// The survey of `inputs.recording`; `doc` carries the display settings that
// shape the points and is left holding the last record read. With an applied
// calibration every ping's points are made with its sound velocity.
Survey analyseSurvey(CSondrelDoc& doc, const SurveyInputs& inputs, JobProgress* progress = nullptr);

// Grading and tables taken again from the pings (after the limits changed,
// say); analyseSurvey calls it.
void gradeSurvey(Survey& survey);
// The observations detected again from the pings on other thresholds and
// merged with the operator's in survey.record; analyseSurvey calls it.
void detectAgain(Survey& survey, const ObservationSettings& thresholds);

// The calibration a stretch of known inside diameter gives: the sound
// velocity that makes the stretch's mean diameter the known one. Diameters
// scale with the velocity (every range is the time of flight times the
// velocity over two, the head's fixed delay included in the time), so
// c' = c x Dknown / Dmeasured. `problem` says why there is none (no measured
// record in the stretch, a diameter out of range).
std::optional<Calibration> calibrate(const Survey& survey, double from, double to,
                                     double knownDiameter, std::string& problem);

}  // namespace sondrel
