#pragma once
// The survey's windows: the header dialog, the observation window with its
// clicks played and its edits handed to the survey's rules, the progress
// window of the survey's analysis, the calibration and the settings dialogs.
// What they do with the survey is SurveyActions'.

#include <QObject>

#include <memory>

#include "app/SurveyActions.h"

class QDialog;

namespace sondrel {

class CMainFrame;
class CSondrelDoc;
class JobProgressDialog;
class ObservationsDock;
class Player;

class SurveyCommands : public QObject, public SurveyWindows {
    Q_OBJECT

  public:
    // Everything given must outlive this object.
    SurveyCommands(CMainFrame& frame, CSondrelDoc& doc, Player& player);
    ~SurveyCommands() override;

    // The rules the observation window's edits go to; set once both exist.
    void setActions(SurveyActions* actions) { actions_ = actions; }
    ObservationsDock& observations() const { return *dock_; }
    // How the dialogs are run: exec, or a test's script.
    void setDialogRunner(std::function<int(QDialog&)> run);
    JobProgressDialog& surveyWindow() const { return *window_; }

    std::optional<SurveyHeader> askSurveyHeader(const SurveyHeader& current,
                                                const std::string& subject) override;
    void showObservations(bool shown) override;
    bool observationsShown() const override;
    bool runJob(const std::string& headline, std::function<void(JobProgress&)> work,
                std::function<void(bool cancelled)> done) override;
    void surveyChanged() override;
    void liveHeaderChanged(const SurveyHeader& header) override;
    std::optional<Calibration> askCalibration(const Survey& survey) override;
    std::optional<ObservationSettings> askThresholds(const ObservationSettings& now) override;
    std::optional<GradingLimits> askLimits(const GradingLimits& now) override;

  private:
    int run(QDialog& dialog);
    // Plays the record at `position` of the survey's recording, opening it
    // for playback when another file (or none) plays.
    void play(std::int64_t position);

    CMainFrame& frame_;
    CSondrelDoc& doc_;
    Player& player_;
    SurveyActions* actions_ = nullptr;
    ObservationsDock* dock_ = nullptr;
    std::unique_ptr<JobProgressDialog> window_;
    std::function<int(QDialog&)> run_;
};

}  // namespace sondrel
