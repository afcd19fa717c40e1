#pragma once
// The survey commands and the rules behind the observation window: which
// recording a survey belongs to, the header kept for the next recording and
// written when it starts, the analysis run under a progress window, the
// operator's edits of observations saved in the sidecar at once, the coded
// file and the calibration. The windows are the program's (SurveyWindows);
// what they show comes from here.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/CommandDispatcher.h"
#include "app/CommandPorts.h"
#include "survey/Survey.h"

namespace sondrel {

class CSondrelDoc;
class JobProgress;
class OperatorPort;

class SurveyWindows {
  public:
    virtual ~SurveyWindows() = default;
    // The header dialog on `current` (with the start chainage); the header
    // taken, or nothing when cancelled. `subject` says whose header it is.
    virtual std::optional<SurveyHeader> askSurveyHeader(const SurveyHeader& current,
                                                        const std::string& subject) = 0;
    virtual void showObservations(bool shown) = 0;
    virtual bool observationsShown() const = 0;
    // Runs `work` on a thread of its own under the survey's progress window;
    // `done` on the window's thread once it returned. False while one runs.
    virtual bool runJob(const std::string& headline, std::function<void(JobProgress&)> work,
                        std::function<void(bool cancelled)> done) = 0;
    // The survey shown changed (analysed again, edited).
    virtual void surveyChanged() = 0;
    // The header live pings belong to now: the recording's, else the one kept
    // for the next recording. The views along the pipe place them by it.
    virtual void liveHeaderChanged(const SurveyHeader& header) = 0;
    // The calibration dialog on `survey`; the calibration accepted, or nothing.
    virtual std::optional<Calibration> askCalibration(const Survey& survey) = 0;
    // The settings dialogs; nothing when cancelled.
    virtual std::optional<ObservationSettings> askThresholds(const ObservationSettings& now) = 0;
    virtual std::optional<GradingLimits> askLimits(const GradingLimits& now) = 0;
};

struct SurveyPeers {
    OperatorPort* op = nullptr;
    std::string settingsPath;
    // The file playing, else the one being recorded; empty for neither.
    std::function<std::string()> playing, recording;
};

class SurveyActions : public SurveyPort {
  public:
    // Binds the survey port of commands for as long as it lives.
    SurveyActions(CommandDispatcher& commands, CSondrelDoc& doc, SurveyWindows& windows,
                  SurveyPeers peers);

    // "Survey...": the playing file's header, else the recording's, else that
    // of the last recording when it has none yet, else the header kept for
    // the next recording.
    void editSurveyHeader() override;
    void toggleSurveyObservations() override;
    void exportCodedFile() override;
    void calibrateDiameter() override;
    void surveyThresholds() override;
    void surveyLimits() override;

    // The recorder started or stopped: the kept header goes into the new
    // recording's sidecar, which is written again at the end, when the
    // recording's size is known.
    void recordingStarted(const std::string& path);
    void recordingStopped();

    // The recording a header or a survey is for now; empty for none.
    std::string subject() const;
    const SurveyHeader& pendingHeader() const { return pending_; }
    // The survey shown, null before the first; its recording.
    const Survey* survey() const { return survey_.get(); }
    const std::string& surveyPath() const { return surveyPath_; }
    bool running() const { return running_; }

    // What a survey of `recording` is made from: its sidecar and the
    // settings file's sections. `sidecar` tells what became of the sidecar.
    SurveyInputs inputsFor(const std::string& recording, SidecarLoad* sidecar = nullptr) const;

    // Analyses `recording` (the subject when empty) and then runs `then`.
    void analyse(std::string recording = {}, std::function<void()> then = {});

    // The operator's edits of the shown survey's observations (indices into
    // its list); each is saved in the sidecar at once, false with a message
    // when it could not be.
    bool editObservation(std::size_t index, const Observation& edited);
    bool deleteObservation(std::size_t index);
    // A new observation at the chainage of the record at `filePosition` (the
    // ping on show); false when the survey does not place that record.
    bool addObservation(Observation added, std::int64_t filePosition);
    // The chainage of the record at `filePosition`, NaN when unplaced.
    double chainageAt(std::int64_t filePosition) const;
    // Where the record of an observation starts: its own, else that of the
    // kept record nearest its chainage; -1 without one.
    std::int64_t recordOf(const Observation& observation) const;

  private:
    bool saveSurvey();
    void message(const std::string& text, bool error = true) const;

    CSondrelDoc& doc_;
    SurveyWindows& windows_;
    SurveyPeers peers_;
    SurveyHeader pending_;
    std::string lastRecording_;
    SurveyRecord recordingRecord_;  // the sidecar written at the recording's start
    bool recordingHasSidecar_ = false;
    std::shared_ptr<Survey> survey_;
    std::string surveyPath_;
    bool running_ = false;
    // A sidecar that could not be read is never written over.
    bool sidecarWritable_ = true;
    PortBinding<SurveyPort> binding_;
};

}  // namespace sondrel
