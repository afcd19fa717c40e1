#include "app/qt/CFileCommands.h"

#include <QSlider>

#include "acquisition/AcquisitionCycle.h"
#include "acquisition/SondrelDoc.h"
#include "app/CommandIds.h"
#include "app/qt/CMainFrame.h"
#include "app/qt/CPlaybackBar.h"
#include "app/qt/CSondrelView.h"
#include "recording/Player.h"
#include "recording/Recorder.h"
#include "recording/XyzConversion.h"

namespace sondrel {

namespace {

// Bars and panels of the frame that give way to the playback bar, when the
// program has them.
constexpr const char* kSettingsBarName = "miniSettingsBar";
constexpr const char* kSettingsPanelName = "settingsPanel";

}  // namespace

CFileCommands::CFileCommands(CMainFrame& frame, CSondrelDoc& doc, AcquisitionCycle& cycle,
                             SettingsStore* settings, OperatorPort& operatorPort)
    : frame_(frame), doc_(doc), cycle_(cycle) {
    recorder_ = std::make_unique<Recorder>(doc, operatorPort, *this);
    player_ = std::make_unique<Player>(doc, frame.timerHost(), operatorPort, *this, *recorder_);
    conversion_ = std::make_unique<XyzConversion>(doc, frame.timerHost(), operatorPort, *player_);
    recorder_->setCycle(&cycle);
    player_->setCycle(&cycle);
    player_->setSettingsStore(settings);
    player_->setConversion(conversion_.get());
    cycle.setRecorder(recorder_.get());
    cycle.setPlayback(player_.get());

    bar_ = new CPlaybackBar(&frame);
    frame.addToolBarBreak(Qt::TopToolBarArea);
    frame.addToolBar(Qt::TopToolBarArea, bar_);
    bar_->hide();
    frame.setPlaybackBar(bar_);
    connectBar();
    installCommands();
    frame.setDataFileOpener([this](const QString& path) { return openDataFile(path); });
}

CFileCommands::~CFileCommands() {
    cycle_.setRecorder(nullptr);
    cycle_.setPlayback(nullptr);
    frame_.setDataFileOpener({});
    frame_.setPlaybackBar(nullptr);
    for (const int id :
         {kCmdOpenPlayback, kCmdRecord, kCmdSetRecordDirectory, kCmdConvertXyz, kCmdAutoFileNames,
          kCmdCaptureFrame, kCmdRealTimePlaySpeed, kCmdPlayOneFrame})
        frame_.setCommandHandler(id, {});
}

void CFileCommands::installCommands() {
    frame_.setCommandHandler(kCmdOpenPlayback, [this] {
        doc_.holdActive = 0;
        player_->openPlayback();
    });
    frame_.setCommandHandler(kCmdRecord, [this] { recorder_->startStopRecording(); });
    frame_.setCommandHandler(kCmdSetRecordDirectory, [this] { recorder_->setRecordDirectory(); });
    frame_.setCommandHandler(kCmdConvertXyz, [this] { conversion_->start(); });
    frame_.setCommandHandler(kCmdAutoFileNames, [this] { recorder_->toggleAutoFileNames(); });
    frame_.setCommandHandler(kCmdCaptureFrame, [this] { recorder_->captureFrame(); });
    frame_.setCommandHandler(kCmdRealTimePlaySpeed, [this] { player_->toggleRealTimePlaySpeed(); });
    frame_.setCommandHandler(kCmdPlayOneFrame, [this] { player_->toggleOneFrameMode(); });
}

void CFileCommands::connectBar() {
    connect(bar_, &CPlaybackBar::trackbarTaken, this, [this] { player_->setTrackbarBusy(true); });
    connect(bar_, &CPlaybackBar::trackbarReleased, this, [this](int position) {
        player_->trackbarReleased(position);
        frame_.refreshCommandStates();
    });
    connect(bar_, &CPlaybackBar::speedStepClicked, this, [this](int position, int step) {
        player_->speedClicked(position, step);
        frame_.refreshCommandStates();
    });
    connect(bar_, &CPlaybackBar::stepBackClicked, this, [this] {
        player_->stepBackward();
        frame_.refreshCommandStates();
    });
    connect(bar_, &CPlaybackBar::stepForwardClicked, this, [this] {
        player_->stepForward();
        frame_.refreshCommandStates();
    });
}

bool CFileCommands::openDataFile(const QString& path) {
    doc_.holdActive = 0;
    const bool opened = player_->openPlaybackFile(path.toStdString());
    frame_.refreshCommandStates();
    return opened;
}

// ------------------------------------------------------------------ FileWindows

void CFileCommands::setWindowTitle(const std::string& title) {
    frame_.setFrameTitle(title);
}

void CFileCommands::showPlaybackBar(int speed) {
    if (QWidget* bar = frame_.findChild<QWidget*>(QLatin1String(kSettingsBarName))) bar->hide();
    if (QWidget* panel = frame_.findChild<QWidget*>(QLatin1String(kSettingsPanelName)))
        panel->hide();
    bar_->showSpeed(speed);
    bar_->showPosition(0);
    bar_->show();
}

void CFileCommands::setTrackbarPosition(int position) {
    bar_->showPosition(position);
}

void CFileCommands::setSpeedControls(int speed) {
    bar_->showSpeed(speed);
}

void CFileCommands::redrawTrackbarTicks() {
    bar_->trackbar()->update();
}

void CFileCommands::focusMainFrame() {
    if (frame_.view())
        frame_.view()->setFocus(Qt::OtherFocusReason);
    else
        frame_.setFocus(Qt::OtherFocusReason);
}

void CFileCommands::refreshStatusBar() {
    frame_.updateStatus();
}

void CFileCommands::refreshDiagnostics() {
    frame_.refreshDiagnostics();
}

}  // namespace sondrel
