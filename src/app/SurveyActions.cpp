#include "app/SurveyActions.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>

#include "acquisition/SondrelDoc.h"
#include "common/IniFile.h"
#include "common/JobProgress.h"
#include "common/OperatorPort.h"
#include "survey/CodedFile.h"

namespace sondrel {

namespace {

std::string withoutEnding(const std::string& path) {
    const std::filesystem::path p(path);
    return (p.parent_path() / p.stem()).string();
}

// A sidecar that is there but says nothing of a header counts as none.
bool hasHeader(const std::string& recording) {
    const SidecarLoad load = loadSidecar(recording);
    return load.status != SidecarStatus::Missing && load.status != SidecarStatus::Loaded
               ? true
               : !load.record.header.empty();
}

}  // namespace

SurveyActions::SurveyActions(CommandDispatcher& commands, CSondrelDoc& doc, SurveyWindows& windows,
                             SurveyPeers peers)
    : doc_(doc), windows_(windows), peers_(std::move(peers)), binding_(commands, *this) {}

void SurveyActions::message(const std::string& text, bool error) const {
    if (peers_.op)
        peers_.op->showMessage(text, error ? MessageKind::Error : MessageKind::Information);
}

std::string SurveyActions::subject() const {
    if (peers_.playing) {
        if (std::string path = peers_.playing(); !path.empty()) return path;
    }
    if (peers_.recording) {
        if (std::string path = peers_.recording(); !path.empty()) return path;
    }
    // The last recording until it has a header; after that a header filled
    // is for the next one.
    if (!lastRecording_.empty() && std::filesystem::exists(lastRecording_) &&
        !hasHeader(lastRecording_))
        return lastRecording_;
    return {};
}

void SurveyActions::editSurveyHeader() {
    const std::string path = subject();
    const bool recordingNow = peers_.recording && !path.empty() && path == peers_.recording();
    if (path.empty()) {
        if (auto taken = windows_.askSurveyHeader(pending_, "the next recording")) {
            pending_ = *taken;
            // Unless a recording goes on into another file.
            if (!peers_.recording || peers_.recording().empty())
                windows_.liveHeaderChanged(pending_);
        }
        return;
    }
    SurveyRecord record = recordingRecord_;
    if (!recordingNow) {
        const SidecarLoad load = loadSidecar(path);
        if (!load.ok()) {
            // What the operator said before is not written over unseen.
            message(load.message);
            return;
        }
        record = load.record;
    }
    const std::optional<SurveyHeader> taken = windows_.askSurveyHeader(record.header, path);
    if (!taken) return;
    record.header = *taken;
    record.recordingGrowing = recordingNow;
    if (const std::string problem = saveSidecar(path, record); !problem.empty()) {
        message(problem);
        return;
    }
    if (recordingNow) {
        recordingRecord_ = record;
        recordingHasSidecar_ = true;
        doc_.flags.surveyHeaderMissing = record.header.empty();
        windows_.liveHeaderChanged(record.header);
    }
    // The start chainage and the nominal size move everything along.
    if (survey_ && surveyPath_ == path) analyse(path);
}

void SurveyActions::recordingStarted(const std::string& path) {
    lastRecording_ = path;
    recordingRecord_ = SurveyRecord{};
    recordingHasSidecar_ = false;
    if (!pending_.empty()) {
        recordingRecord_.header = pending_;
        recordingRecord_.recordingGrowing = true;
        if (const std::string problem = saveSidecar(path, recordingRecord_); !problem.empty()) {
            message(problem);
        } else {
            recordingHasSidecar_ = true;
            pending_ = SurveyHeader{};
        }
    }
    doc_.flags.surveyHeaderMissing = recordingRecord_.header.empty();
    windows_.liveHeaderChanged(recordingRecord_.header);
}

void SurveyActions::recordingStopped() {
    doc_.flags.surveyHeaderMissing = false;
    // The sidecar names the recording by its size, known only now.
    if (recordingHasSidecar_ && !lastRecording_.empty()) {
        recordingRecord_.recordingGrowing = false;
        if (const std::string problem = saveSidecar(lastRecording_, recordingRecord_);
            !problem.empty())
            message(problem);
    }
    recordingHasSidecar_ = false;
}

void SurveyActions::toggleSurveyObservations() {
    const bool show = !windows_.observationsShown();
    windows_.showObservations(show);
    const std::string path = subject();
    if (show && (!survey_ || (!path.empty() && path != surveyPath_))) analyse(path);
}

SurveyInputs SurveyActions::inputsFor(const std::string& recording, SidecarLoad* sidecar) const {
    return surveyInputsFor(recording, peers_.settingsPath, sidecar);
}

void SurveyActions::analyse(std::string recording, std::function<void()> then) {
    if (running_) return;
    if (recording.empty()) recording = subject();
    if (recording.empty() && survey_) recording = surveyPath_;
    if (recording.empty()) {
        if (!peers_.op) return;
        FileDialogRequest open;
        open.title = "Survey of a Data File";
        open.filterDescription = "Sondrel Data File: (*.qzr)";
        open.pattern = "*.qzr";
        open.directory = doc_.files.readDirectory;
        const std::optional<std::string> chosen = peers_.op->chooseOpenFile(open);
        if (!chosen) return;
        recording = *chosen;
    }
    SidecarLoad load;
    const SurveyInputs in = inputsFor(recording, &load);
    const bool writable = load.ok();
    if (!writable)
        message(load.message + "\nThe survey is made without it, and it is left as it is.");

    // A document of its own, shaped by the display settings on screen, so
    // that playback and the live cycle go on while the survey is made.
    auto doc = std::make_shared<CSondrelDoc>();
    doc->flags.playbackActive = true;
    doc->display = doc_.display;
    doc->head.profileMinRange = doc_.head.profileMinRange;
    auto made = std::make_shared<Survey>();
    const bool started = windows_.runJob(
        "Surveying " + recording,
        [doc, in, made](JobProgress& progress) { *made = analyseSurvey(*doc, in, &progress); },
        [this, made, recording, writable, then = std::move(then)](bool cancelled) {
            running_ = false;
            if (cancelled || made->cancelled) return;
            if (made->pings.empty()) {
                message(made->result.message);
                return;
            }
            if (!made->result.ok())
                message(made->result.message + "\nThe survey covers the records before.", false);
            survey_ = made;
            surveyPath_ = recording;
            sidecarWritable_ = writable;
            windows_.surveyChanged();
            if (then) then();
        });
    running_ = started;
}

void SurveyActions::exportCodedFile() {
    const auto write = [this] {
        if (!survey_ || !peers_.op) return;
        FileDialogRequest save;
        save.title = "Export the Coded File";
        save.filterDescription = "EN 13508-2 Coded File: (*.txt)";
        save.pattern = "*.txt";
        save.directory = std::filesystem::path(surveyPath_).parent_path().string();
        save.proposedName =
            std::filesystem::path(withoutEnding(surveyPath_)).filename().string() + ".txt";
        save.defaultExtension = "txt";
        const std::optional<std::string> file = peers_.op->chooseSaveFile(save);
        if (!file) return;
        if (const std::string problem = writeCodedFile(*survey_, *file); !problem.empty()) {
            message(problem);
            return;
        }
        message("Coded file written to " + *file + "\nObservations written to " +
                    observationsCsvPathFor(*file),
                false);
    };
    const std::string path = subject();
    if (survey_ && (path.empty() || path == surveyPath_))
        write();
    else
        analyse(path, write);
}

void SurveyActions::calibrateDiameter() {
    const auto ask = [this] {
        if (!survey_) return;
        const std::optional<Calibration> accepted = windows_.askCalibration(*survey_);
        if (!accepted) return;
        survey_->record.calibration = *accepted;
        if (!saveSurvey()) return;
        // Every diameter of the survey moves with the sound velocity.
        analyse(surveyPath_);
    };
    const std::string path = subject();
    if (survey_ && (path.empty() || path == surveyPath_))
        ask();
    else
        analyse(path, ask);
}

void SurveyActions::surveyThresholds() {
    IniFile ini;
    ini.load(peers_.settingsPath);
    const std::optional<ObservationSettings> taken =
        windows_.askThresholds(loadObservationSettings(ini));
    if (!taken) return;
    saveObservationSettings(*taken, ini);
    if (std::string reason; !ini.save(peers_.settingsPath, &reason))
        message("The settings file " + peers_.settingsPath + " could not be written: " + reason);
    // Detected again from the figures at hand; the operator's stay as they are.
    if (survey_ && !running_) {
        survey_->record.observations = survey_->observations;
        detectAgain(*survey_, *taken);
        windows_.surveyChanged();
    }
}

void SurveyActions::surveyLimits() {
    IniFile ini;
    ini.load(peers_.settingsPath);
    const std::optional<GradingLimits> taken = windows_.askLimits(loadGradingLimits(ini));
    if (!taken) return;
    saveGradingLimits(*taken, ini);
    if (std::string reason; !ini.save(peers_.settingsPath, &reason))
        message("The settings file " + peers_.settingsPath + " could not be written: " + reason);
    if (survey_) {
        survey_->limits = *taken;
        gradeSurvey(*survey_);
        windows_.surveyChanged();
    }
}

bool SurveyActions::saveSurvey() {
    if (!survey_) return false;
    survey_->record.observations = survey_->observations;
    if (!sidecarWritable_) {
        message(sidecarPathFor(surveyPath_) +
                ": could not be read, so it is not written over; the change is not kept");
        return false;
    }
    const std::string problem = saveSidecar(surveyPath_, survey_->record);
    windows_.surveyChanged();
    if (!problem.empty()) message(problem);
    return problem.empty();
}

bool SurveyActions::editObservation(std::size_t index, const Observation& edited) {
    if (!survey_ || index >= survey_->observations.size()) return false;
    Observation& o = survey_->observations[index];
    o = edited;
    o.byOperator = true;
    sortObservations(survey_->observations, survey_->record.header.againstFlow());
    return saveSurvey();
}

bool SurveyActions::deleteObservation(std::size_t index) {
    if (!survey_ || index >= survey_->observations.size()) return false;
    // Kept as deleted, so that the next detection does not bring it back.
    survey_->observations[index].deleted = true;
    survey_->observations[index].byOperator = true;
    return saveSurvey();
}

double SurveyActions::chainageAt(std::int64_t filePosition) const {
    if (!survey_) return NAN;
    const auto& pings = survey_->pings;
    const auto at = std::lower_bound(
        pings.begin(), pings.end(), filePosition,
        [](const SurveyPing& p, std::int64_t position) { return p.filePosition < position; });
    if (at == pings.end() || at->filePosition != filePosition) return NAN;
    return at->chainage;
}

std::int64_t SurveyActions::recordOf(const Observation& observation) const {
    if (observation.filePosition >= 0 || !survey_) return observation.filePosition;
    std::int64_t best = -1;
    double gap = std::numeric_limits<double>::infinity();
    for (const std::uint32_t i : survey_->kept) {
        const SurveyPing& p = survey_->pings[i];
        if (const double d = std::abs(p.chainage - observation.chainage); d < gap) {
            gap = d;
            best = p.filePosition;
        }
    }
    return best;
}

bool SurveyActions::addObservation(Observation added, std::int64_t filePosition) {
    if (!survey_) return false;
    const double chainage = chainageAt(filePosition);
    if (std::isnan(chainage)) {
        message(
            "The record on show has no place along the survey; play the record to add the "
            "observation at, then Add.");
        return false;
    }
    added.chainage = chainage;
    added.filePosition = filePosition;
    added.byOperator = true;
    survey_->observations.push_back(std::move(added));
    sortObservations(survey_->observations, survey_->record.header.againstFlow());
    return saveSurvey();
}

}  // namespace sondrel
