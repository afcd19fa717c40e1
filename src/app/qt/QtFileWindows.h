#pragma once
// The main frame as recording, playback and the XYZ conversion see it: its
// title, its status bar and diagnostics, and the playback bar, which is added
// to the frame here and stays hidden until a file plays.

#include "recording/FileWindows.h"

namespace sondrel {

class CMainFrame;
class PlaybackBarWidget;

class QtFileWindows : public FileWindows {
  public:
    // The frame must outlive this object; the bar belongs to the frame.
    explicit QtFileWindows(CMainFrame& frame);
    ~QtFileWindows() override;
    QtFileWindows(const QtFileWindows&) = delete;
    QtFileWindows& operator=(const QtFileWindows&) = delete;

    PlaybackBarWidget& playbackBar() const { return *bar_; }

    void setWindowTitle(const std::string& title) override;
    void showPlaybackBar(int speed) override;
    void setTrackbarPosition(int position) override;
    void setSpeedControls(int speed) override;
    void redrawTrackbarTicks() override;
    void focusMainFrame() override;
    void refreshStatusBar() override;
    void refreshDiagnostics() override;

  private:
    CMainFrame& frame_;
    PlaybackBarWidget* bar_ = nullptr;
};

}  // namespace sondrel
