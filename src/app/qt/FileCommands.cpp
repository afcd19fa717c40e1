#include "app/qt/FileCommands.h"

#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>

#include <memory>
#include <optional>

#include "acquisition/SondrelDoc.h"
#include "analysis/qt/GeometryDock.h"
#include "analysis/qt/GeometryReportPdf.h"
#include "app/qt/CMainFrame.h"
#include "app/qt/JobProgressDialog.h"
#include "app/qt/PlaybackBarWidget.h"
#include "common/JobProgress.h"
#include "common/OperatorPort.h"
#include "pipeview/PipeViewFeed.h"
#include "pipeview/PipeViews.h"
#include "pipeview/PointCloud.h"
#include "pipeview/SurveyChainage.h"
#include "pipeview/qt/WallMapDock.h"
#include "pipeview/qt/WallMapReport.h"
#include "recording/BinaryFile.h"
#include "recording/FileMessages.h"
#include "recording/Player.h"
#include "recording/Recorder.h"
#include "recording/XyzConversion.h"
#include "survey/qt/SurveyReportPages.h"

namespace sondrel {

FileCommands::FileCommands(CMainFrame& frame, CSondrelDoc& doc, PlaybackBarWidget& bar,
                           Recorder& recorder, Player& player, XyzConversion& conversion)
    : frame_(frame),
      doc_(doc),
      bar_(bar),
      recorder_(recorder),
      player_(player),
      conversion_(conversion),
      reportWindow_(std::make_unique<JobProgressDialog>(&frame, QStringLiteral("Pipe Report"),
                                                        "Records read")),
      conversionWindow_(std::make_unique<JobProgressDialog>(
          &frame, QStringLiteral("Convert .QZR file to .xyz"), "Records converted")),
      pipeViewsWindow_(std::make_unique<JobProgressDialog>(
          &frame, QStringLiteral("Pipe Wall Map and 3D View"), "Records read")),
      cloudWindow_(std::make_unique<JobProgressDialog>(&frame, QStringLiteral("Export Point Cloud"),
                                                       "Records read")) {
    connect(reportWindow_.get(), &JobProgressDialog::runningChanged, this, [this](bool running) {
        frame_.setPipeReportRunning(running);
        frame_.refreshCommandStates();
    });
    connect(cloudWindow_.get(), &JobProgressDialog::runningChanged, this, [this](bool running) {
        frame_.setCloudExportRunning(running);
        frame_.refreshCommandStates();
    });
    connectBar();
    connectGeometryDock();
    connectPipeViews();
    frame.setDataFileOpener([this](const QString& path) { return openDataFile(path); });
    frame.setCloseQuestion([this] { return mayClose(); });
}

FileCommands::~FileCommands() {
    // A report still being written is cancelled, its file removed.
    reportWindow_.reset();
    frame_.setPipeReportRunning(false);
    frame_.setDataFileOpener({});
    frame_.setCloseQuestion({});
    // A conversion still running stops here, its part of a file removed.
    conversionWindow_.reset();
    if (GeometryDock* dock = frame_.geometryDock()) {
        dock->setJumpHandler({});
    }
    if (WallMapDock* dock = frame_.wallMapDock()) dock->setJumpHandler({});
    frame_.setPipeViewsReader({});
    pipeViewsWindow_.reset();
    frame_.setCloudExportRunning(false);
    cloudWindow_.reset();
}

void FileCommands::runConversion() {
    conversionWindow_->start(
        QString::fromStdString(
            jobHeadline("Converting", doc_.files.playbackPath, conversion_.outputPath())),
        [this](JobProgress& progress) { conversion_.run(progress); },
        [this](bool) {
            conversion_.finish();
            frame_.refreshCommandStates();
        });
}

bool FileCommands::mayClose() {
    const std::string question = exitQuestionText(
        recorder_.filePath(), conversion_.running() ? conversion_.outputPath() : std::string());
    if (question.empty()) return true;
    QMessageBox box(QMessageBox::Question, QStringLiteral("Sondrel"),
                    QString::fromStdString(question), QMessageBox::NoButton, &frame_);
    box.setObjectName(QStringLiteral("exitQuestion"));
    QPushButton* exit = box.addButton(QString::fromLatin1(kExitAnswer), QMessageBox::AcceptRole);
    QPushButton* keep =
        box.addButton(QString::fromLatin1(kKeepRunningAnswer), QMessageBox::RejectRole);
    box.setDefaultButton(keep);
    box.setEscapeButton(keep);
    box.exec();
    if (box.clickedButton() != exit) return false;
    conversionWindow_->cancelAndWait();
    return true;
}

namespace {

// A save dialog beside `input`, proposing its name with `extension`.
FileDialogRequest saveBeside(const std::string& input, const std::string& title,
                             const std::string& kind, const std::string& extension) {
    const QFileInfo in(QString::fromStdString(input));
    FileDialogRequest save;
    save.title = title;
    save.filterDescription = kind + ": (*." + extension + ")";
    save.pattern = "*." + extension;
    save.directory = in.absolutePath().toStdString();
    save.proposedName = in.completeBaseName().toStdString() + "." + extension;
    save.defaultExtension = extension;
    return save;
}

}  // namespace

std::optional<std::string> FileCommands::jobInput(const std::string& title) {
    OperatorPort* op = frame_.operatorPort();
    if (!op) return std::nullopt;
    std::string input = doc_.flags.playbackActive ? doc_.files.playbackPath : std::string();
    if (input.empty()) {
        FileDialogRequest open;
        open.title = title;
        open.filterDescription = "Sondrel Data File: (*.qzr)";
        open.pattern = "*.qzr";
        open.directory = doc_.files.readDirectory;
        const std::optional<std::string> chosen = op->chooseOpenFile(open);
        if (!chosen) return std::nullopt;
        input = *chosen;
    }
    if (!hasDataFileEnding(input)) {
        op->showMessage(input + ": not a sonar data file", MessageKind::Error);
        return std::nullopt;
    }
    return input;
}

std::shared_ptr<CSondrelDoc> FileCommands::jobDocument() const {
    auto doc = std::make_shared<CSondrelDoc>();
    doc->flags.playbackActive = true;
    doc->display = doc_.display;
    doc->head.profileMinRange = doc_.head.profileMinRange;
    return doc;
}

void FileCommands::writePipeReport() {
    OperatorPort* op = frame_.operatorPort();
    if (!op || reportWindow_->running()) return;
    const std::optional<std::string> chosen = jobInput("Pipe Report of a Data File");
    if (!chosen) return;
    const std::string input = *chosen;
    const std::optional<std::string> output =
        op->chooseSaveFile(saveBeside(input, "Save the Pipe Report", "PDF Document", "pdf"));
    if (!output) return;

    const std::shared_ptr<CSondrelDoc> doc = jobDocument();
    const GeometrySettings settings = frame_.geometryDock()->settings();
    auto outcome = std::make_shared<PipeReportOutcome>();
    const std::string pdf = *output;
    // The survey's pages head the report, as they do sondrel-report's.
    std::optional<SurveyInputs> survey;
    if (surveyFor_) survey = surveyFor_(input);
    if (survey) survey->geometry = settings;
    reportWindow_->start(
        QString::fromStdString(jobHeadline("Writing the pipe report of", input, pdf)),
        [doc, input, pdf, settings, survey, outcome](JobProgress& progress) {
            // The wall map's pages follow the survey's.
            if (!survey) {
                *outcome =
                    writeReportWithWallMap(*doc, input, pdf, settings, nullptr, nullptr, &progress);
                return;
            }
            const Survey made = analyseSurvey(*doc, *survey, &progress);
            if (made.cancelled) {
                outcome->status = PipeReportOutcome::Status::Cancelled;
                return;
            }
            std::optional<SurveyReportPages> pages;
            if (!made.pings.empty()) pages.emplace(made, &progress);
            *outcome = writeReportWithWallMap(*doc, input, pdf, settings, &made,
                                              pages ? &*pages : nullptr, &progress);
        },
        [this, pdf, outcome](bool cancelled) {
            OperatorPort* port = frame_.operatorPort();
            // Cancel pressed as the work ended still means no report.
            if (cancelled) {
                if (outcome->written()) removePartialFile(pdf);
                return;
            }
            if (!port) return;
            switch (outcome->status) {
                case PipeReportOutcome::Status::Written:
                    port->showMessage("Pipe report written to " + pdf);
                    break;
                case PipeReportOutcome::Status::Partial:
                    port->showMessage(outcome->message + "\nThe report covers the records before.",
                                      MessageKind::Warning);
                    break;
                case PipeReportOutcome::Status::Failed:
                    port->showMessage(outcome->message, MessageKind::Error);
                    break;
                case PipeReportOutcome::Status::Cancelled:
                    break;
            }
        });
}

void FileCommands::exportPointCloud() {
    OperatorPort* op = frame_.operatorPort();
    if (!op || cloudWindow_->running()) return;
    const std::optional<std::string> chosen = jobInput("Point Cloud of a Data File");
    if (!chosen) return;
    const std::string input = *chosen;
    FileDialogRequest save = saveBeside(input, "Export the Point Cloud", "PLY Point Cloud", "ply");
    save.furtherTypes = {{"LAS 1.4 Point Cloud: (*.las)", "*.las"}};
    const std::optional<std::string> output = op->chooseSaveFile(save);
    if (!output) return;

    const std::shared_ptr<CSondrelDoc> doc = jobDocument();
    // Placed and measured against the nominal as the wall map and the tube are.
    const SliceSettings settings = frame_.pipeViews().sliceSettings();
    std::optional<SurveyInputs> survey;
    if (surveyFor_) survey = surveyFor_(input);
    auto result = std::make_shared<ConversionResult>();
    const std::string cloud = *output;
    cloudWindow_->start(
        QString::fromStdString(jobHeadline("Writing the point cloud of", input, cloud)),
        [doc, input, cloud, settings, survey, result](JobProgress& progress) {
            std::shared_ptr<const ChainageSource> chainage =
                survey ? placedBySurvey(*doc, *survey, &progress)
                       : std::make_shared<DistanceReadingChainage>();
            if (!chainage) {
                result->error = ConversionError::Cancelled;
                return;
            }
            *result = sondrel::exportPointCloud(*doc, input, cloud, settings, *chainage, progress);
        },
        [this, cloud, result](bool cancelled) {
            OperatorPort* port = frame_.operatorPort();
            // Cancel pressed as the work ended still means no cloud.
            if (cancelled) {
                if (result->ok()) removePartialFile(cloud);
                return;
            }
            if (!port || result->error == ConversionError::Cancelled) return;
            if (!result->ok()) {
                port->showMessage(result->message, MessageKind::Error);
                return;
            }
            const ConversionSummary& s = result->summary;
            std::string text = "Point cloud written to " + cloud + ": " +
                               groupedNumber(s.pointsWritten) + " points of " +
                               groupedNumber(s.recordsRead) + " records";
            if (s.stoppedAtUnsizableRecord) {
                port->showMessage(text + "\n\nThe file holds a record of unknown size at byte " +
                                      std::to_string(s.stopPosition) +
                                      ": the records after it are not in the cloud.",
                                  MessageKind::Warning);
                return;
            }
            port->showMessage(text);
        });
}

void FileCommands::connectGeometryDock() {
    GeometryDock* dock = frame_.geometryDock();
    if (!dock) return;
    dock->setJumpHandler([this](std::int64_t position) { playRecordAt(position); });
}

void FileCommands::playRecordAt(std::int64_t position) {
    if (!doc_.flags.playbackActive || !player_.isOpen()) return;
    // As the trackbar jumps, but to the record itself, and shown at once
    // rather than on the next tick.
    doc_.clearSonarImage();
    player_.findRecordStart(position);
    player_.playOneRecord();
    frame_.refreshCommandStates();
}

void FileCommands::connectPipeViews() {
    if (WallMapDock* dock = frame_.wallMapDock())
        dock->setJumpHandler([this](std::int64_t position) { playRecordAt(position); });
    frame_.setPipeViewsReader([this] { readPipeViews(); });
}

void FileCommands::readPipeViews() {
    // Another file opened while one is read: that one is of no more use.
    if (pipeViewsWindow_->running()) pipeViewsWindow_->cancelAndWait();
    PipeViewFeed& feed = frame_.pipeViews();
    const std::string input = feed.playedFile();
    if (input.empty()) return;
    const std::shared_ptr<CSondrelDoc> doc = jobDocument();
    auto views = std::make_shared<std::unique_ptr<PipeViewData>>(std::make_unique<PipeViewData>());
    const SliceSettings settings = feed.sliceSettings();
    // Placed by the file's survey (its chainage and kept pass) where there is
    // one, by the distance readings otherwise.
    std::optional<SurveyInputs> survey;
    if (surveyFor_) survey = surveyFor_(input);
    auto chainage = std::make_shared<std::shared_ptr<const ChainageSource>>(
        std::make_shared<DistanceReadingChainage>());
    pipeViewsWindow_->start(
        QString::fromStdString("Reading the wall map and the tube of\n" + input),
        [doc, input, settings, survey, chainage, views](JobProgress& progress) {
            if (survey) {
                *chainage = placedBySurvey(*doc, *survey, &progress);
                if (!*chainage) return;
            }
            PipeViewData& into = **views;
            buildPipeViews(*doc, input, settings, **chainage, {&into.map, &into.tube}, &progress);
        },
        [this, input, chainage, views](bool cancelled) {
            PipeViewFeed& feed = frame_.pipeViews();
            if (cancelled || feed.playedFile() != input) return;
            // The pings played from now on are placed as the views are.
            if (feed.setPlayedChainage(input, *chainage) &&
                feed.takeWholeFile(input, std::move(*views)))
                frame_.refreshPipeViews();
        });
}

void FileCommands::connectBar() {
    connect(&bar_, &PlaybackBarWidget::trackbarTaken, this,
            [this] { player_.setTrackbarBusy(true); });
    connect(&bar_, &PlaybackBarWidget::trackbarReleased, this, [this](int position) {
        player_.trackbarReleased(position);
        frame_.refreshCommandStates();
    });
    connect(&bar_, &PlaybackBarWidget::speedStepClicked, this, [this](int position, int step) {
        player_.speedClicked(position, step);
        frame_.refreshCommandStates();
    });
    connect(&bar_, &PlaybackBarWidget::stepBackClicked, this, [this] {
        player_.stepBackward();
        frame_.refreshCommandStates();
    });
    connect(&bar_, &PlaybackBarWidget::stepForwardClicked, this, [this] {
        player_.stepForward();
        frame_.refreshCommandStates();
    });
}

bool FileCommands::openDataFile(const QString& path) {
    const bool opened = playDataFile(doc_, player_, path.toStdString());
    frame_.refreshCommandStates();
    return opened;
}

}  // namespace sondrel
