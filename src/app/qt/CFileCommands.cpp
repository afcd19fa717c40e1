#include "app/qt/CFileCommands.h"

#include "acquisition/SondrelDoc.h"
#include "analysis/qt/CGeometryDock.h"
#include "app/CommandIds.h"
#include "app/qt/CMainFrame.h"
#include "app/qt/CPlaybackBar.h"
#include "recording/Player.h"
#include "recording/Recorder.h"
#include "recording/XyzConversion.h"

namespace sondrel {

CFileCommands::CFileCommands(CMainFrame& frame, CSondrelDoc& doc, CPlaybackBar& bar,
                             Recorder& recorder, Player& player, XyzConversion& conversion)
    : frame_(frame),
      doc_(doc),
      bar_(bar),
      recorder_(recorder),
      player_(player),
      conversion_(conversion) {
    connectBar();
    connectGeometryDock();
    installCommands();
    frame.setDataFileOpener([this](const QString& path) { return openDataFile(path); });
}

CFileCommands::~CFileCommands() {
    frame_.setDataFileOpener({});
    if (CGeometryDock* dock = frame_.geometryDock()) {
        dock->setRecordPosition({});
        dock->setJumpHandler({});
    }
    for (const int id :
         {kCmdOpenPlayback, kCmdRecord, kCmdSetRecordDirectory, kCmdConvertXyz, kCmdAutoFileNames,
          kCmdCaptureFrame, kCmdRealTimePlaySpeed, kCmdPlayOneFrame})
        frame_.setCommandHandler(id, {});
}

void CFileCommands::installCommands() {
    frame_.setCommandHandler(kCmdOpenPlayback, [this] {
        doc_.holdActive = 0;
        player_.openPlayback();
    });
    frame_.setCommandHandler(kCmdRecord, [this] { recorder_.startStopRecording(); });
    frame_.setCommandHandler(kCmdSetRecordDirectory, [this] { recorder_.setRecordDirectory(); });
    frame_.setCommandHandler(kCmdConvertXyz, [this] { conversion_.start(player_); });
    frame_.setCommandHandler(kCmdAutoFileNames, [this] { recorder_.toggleAutoFileNames(); });
    frame_.setCommandHandler(kCmdCaptureFrame, [this] { recorder_.captureFrame(); });
    frame_.setCommandHandler(kCmdRealTimePlaySpeed, [this] { player_.toggleRealTimePlaySpeed(); });
    frame_.setCommandHandler(kCmdPlayOneFrame, [this] { player_.toggleOneFrameMode(); });
}

void CFileCommands::connectGeometryDock() {
    CGeometryDock* dock = frame_.geometryDock();
    if (!dock) return;
    dock->setRecordPosition(
        [this] { return player_.isOpen() ? player_.lastRecordPosition() : -1; });
    dock->setJumpHandler([this](std::int64_t position) {
        if (doc_.playbackActive != 1 || !player_.isOpen()) return;
        // As the trackbar jumps, but to the record itself, and shown at once
        // rather than on the next tick.
        doc_.clearSonarImage();
        player_.findRecordStart(position);
        player_.playOneRecord();
        frame_.refreshCommandStates();
    });
}

void CFileCommands::connectBar() {
    connect(&bar_, &CPlaybackBar::trackbarTaken, this, [this] { player_.setTrackbarBusy(true); });
    connect(&bar_, &CPlaybackBar::trackbarReleased, this, [this](int position) {
        player_.trackbarReleased(position);
        frame_.refreshCommandStates();
    });
    connect(&bar_, &CPlaybackBar::speedStepClicked, this, [this](int position, int step) {
        player_.speedClicked(position, step);
        frame_.refreshCommandStates();
    });
    connect(&bar_, &CPlaybackBar::stepBackClicked, this, [this] {
        player_.stepBackward();
        frame_.refreshCommandStates();
    });
    connect(&bar_, &CPlaybackBar::stepForwardClicked, this, [this] {
        player_.stepForward();
        frame_.refreshCommandStates();
    });
}

bool CFileCommands::openDataFile(const QString& path) {
    doc_.holdActive = 0;
    const bool opened = player_.openPlaybackFile(path.toStdString());
    frame_.refreshCommandStates();
    return opened;
}

}  // namespace sondrel
