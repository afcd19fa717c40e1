#include "app/qt/SurveyCommands.h"

#include "acquisition/SondrelDoc.h"
#include "app/FileActions.h"
#include "app/qt/CMainFrame.h"
#include "app/qt/JobProgressDialog.h"
#include "common/OperatorPort.h"
#include "pipeview/PipeViewFeed.h"
#include "pipeview/SurveyChainage.h"
#include "recording/Player.h"
#include "survey/qt/CalibrationDialog.h"
#include "survey/qt/ObservationsDock.h"
#include "survey/qt/SurveyHeaderDialog.h"
#include "survey/qt/SurveySettingsDialog.h"

namespace sondrel {

SurveyCommands::SurveyCommands(CMainFrame& frame, CSondrelDoc& doc, Player& player)
    : frame_(frame),
      doc_(doc),
      player_(player),
      window_(std::make_unique<JobProgressDialog>(&frame, QStringLiteral("Survey"),
                                                  "Records surveyed")) {
    dock_ = new ObservationsDock(&frame);
    frame.addDockWidget(Qt::BottomDockWidgetArea, dock_);
    dock_->hide();
    dock_->setOperatorPort(frame.operatorPort());
    frame.setSurveyDock(dock_);
    connect(dock_, &QDockWidget::visibilityChanged, this,
            [this] { frame_.refreshCommandStates(); });
    connect(window_.get(), &JobProgressDialog::runningChanged, this, [this](bool running) {
        frame_.setSurveyRunning(running);
        frame_.refreshCommandStates();
    });
    ObservationHandlers handlers;
    handlers.play = [this](const Observation& o) {
        if (actions_) play(actions_->recordOf(o));
    };
    handlers.edit = [this](std::size_t index, const Observation& edited) {
        if (actions_) actions_->editObservation(index, edited);
    };
    handlers.remove = [this](std::size_t index) {
        if (actions_) actions_->deleteObservation(index);
    };
    handlers.add = [this](const Observation& added) {
        if (actions_) actions_->addObservation(added, doc_.ping.filePosition);
    };
    dock_->setHandlers(std::move(handlers));
}

SurveyCommands::~SurveyCommands() {
    // A survey still being made is cancelled; its end is not told.
    window_.reset();
    frame_.setSurveyRunning(false);
    frame_.setSurveyDock(nullptr);
}

void SurveyCommands::setDialogRunner(std::function<int(QDialog&)> run) {
    run_ = run;
    dock_->setDialogRunner(std::move(run));
}

int SurveyCommands::run(QDialog& dialog) {
    return run_ ? run_(dialog) : dialog.exec();
}

void SurveyCommands::play(std::int64_t position) {
    if (!actions_ || position < 0) return;
    const std::string& path = actions_->surveyPath();
    if (!doc_.flags.playbackActive || doc_.files.playbackPath != path || !player_.isOpen()) {
        if (!playDataFile(doc_, player_, path)) return;
    }
    // As the geometry chart's click: to the record itself, shown at once.
    doc_.clearSonarImage();
    player_.findRecordStart(position);
    player_.playOneRecord();
    frame_.refreshCommandStates();
}

std::optional<SurveyHeader> SurveyCommands::askSurveyHeader(const SurveyHeader& current,
                                                            const std::string& subject) {
    OperatorPort* op = frame_.operatorPort();
    if (!op) return std::nullopt;
    SurveyHeaderDialog dialog(current, subject, *op, &frame_);
    if (run(dialog) != QDialog::Accepted) return std::nullopt;
    return dialog.header();
}

void SurveyCommands::showObservations(bool shown) {
    dock_->setVisible(shown);
    frame_.refreshCommandStates();
}

bool SurveyCommands::observationsShown() const {
    return dock_->isVisible();
}

bool SurveyCommands::runJob(const std::string& headline, std::function<void(JobProgress&)> work,
                            std::function<void(bool cancelled)> done) {
    return window_->start(QString::fromStdString(headline), std::move(work), std::move(done));
}

void SurveyCommands::surveyChanged() {
    dock_->showSurvey(actions_ ? actions_->survey() : nullptr);
}

void SurveyCommands::liveHeaderChanged(const SurveyHeader& header) {
    frame_.pipeViews().setLiveChainage(std::make_shared<RecordingChainage>(header));
    frame_.refreshPipeViews();
}

std::optional<Calibration> SurveyCommands::askCalibration(const Survey& survey) {
    OperatorPort* op = frame_.operatorPort();
    if (!op) return std::nullopt;
    CalibrationDialog dialog(survey, *op, &frame_);
    if (run(dialog) != QDialog::Accepted) return std::nullopt;
    return dialog.calibration();
}

std::optional<ObservationSettings> SurveyCommands::askThresholds(const ObservationSettings& now) {
    OperatorPort* op = frame_.operatorPort();
    if (!op) return std::nullopt;
    return askSurveySettings<ObservationSettings>(QStringLiteral("Survey Observation Thresholds"),
                                                  observationSettingKeys(), now, *op, &frame_,
                                                  [this](QDialog& d) { return run(d); });
}

std::optional<GradingLimits> SurveyCommands::askLimits(const GradingLimits& now) {
    OperatorPort* op = frame_.operatorPort();
    if (!op) return std::nullopt;
    return askSurveySettings<GradingLimits>(QStringLiteral("Survey Limits"), gradingLimitKeys(),
                                            now, *op, &frame_,
                                            [this](QDialog& d) { return run(d); });
}

}  // namespace sondrel
