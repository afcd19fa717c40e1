#pragma once
// The main frame's file commands: recording and copying, the record folder and
// automatic names, capture, playback with its bar, single frames, the recorded
// pace, and the XYZ conversion. This is where the core's recorder, player and
// conversion meet the frame's commands, bars and title.

#include <QObject>
#include <QString>

#include <memory>

#include "recording/FileWindows.h"

namespace sondrel {

class AcquisitionCycle;
class CMainFrame;
class CPlaybackBar;
class CSondrelDoc;
class OperatorPort;
class Player;
class Recorder;
class SettingsStore;
class XyzConversion;

class CFileCommands : public QObject, public FileWindows {
    Q_OBJECT

  public:
    // Plugs the commands into the frame, adds the (hidden) playback bar to it,
    // and gives the cycle its recorder and player. The frame and the cycle must
    // outlive this object.
    CFileCommands(CMainFrame& frame, CSondrelDoc& doc, AcquisitionCycle& cycle,
                  SettingsStore* settings, OperatorPort& operatorPort);
    ~CFileCommands() override;

    Recorder& recorder() { return *recorder_; }
    Player& player() { return *player_; }
    XyzConversion& conversion() { return *conversion_; }
    CPlaybackBar* playbackBar() const { return bar_; }

    // A data file named on the command line or dropped on the window.
    bool openDataFile(const QString& path);

    // ---- FileWindows
    void setWindowTitle(const std::string& title) override;
    void showPlaybackBar(int speed) override;
    void setTrackbarPosition(int position) override;
    void setSpeedControls(int speed) override;
    void redrawTrackbarTicks() override;
    void focusMainFrame() override;
    void refreshStatusBar() override;
    void refreshDiagnostics() override;

  private:
    void installCommands();
    void connectBar();

    CMainFrame& frame_;
    CSondrelDoc& doc_;
    AcquisitionCycle& cycle_;
    std::unique_ptr<Recorder> recorder_;
    std::unique_ptr<Player> player_;
    std::unique_ptr<XyzConversion> conversion_;
    CPlaybackBar* bar_ = nullptr;
};

}  // namespace sondrel
