#pragma once
// The main frame as recording, playback and the XYZ conversion see it: its
// title, its status bar and diagnostics, and the playback bar, which is added
// to the frame here and stays hidden until a file plays.

#include "recording/FileWindows.h"

namespace sondrel {

class CMainFrame;
class CPlaybackBar;

class CFileWindows : public FileWindows {
  public:
    // The frame must outlive this object; the bar belongs to the frame.
    explicit CFileWindows(CMainFrame& frame);
    ~CFileWindows() override;
    CFileWindows(const CFileWindows&) = delete;
    CFileWindows& operator=(const CFileWindows&) = delete;

    CPlaybackBar& playbackBar() const { return *bar_; }

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
    CPlaybackBar* bar_ = nullptr;
};

}  // namespace sondrel
