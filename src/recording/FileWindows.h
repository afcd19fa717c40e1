#pragma once
// What recording, playback and the XYZ conversion ask of the main window. The
// program backs it with the main frame and its playback bar; tests record the
// calls; headless tools leave every operation empty.

#include <cstdint>
#include <string>

namespace sondrel {

class FileWindows {
  public:
    virtual ~FileWindows() = default;
    // Through the frame's one title operation, which also shortens long titles.
    virtual void setWindowTitle(const std::string& /*title*/) {}
    // Playback has begun: show the playback bar in place of the settings bar,
    // with its trackbar at 0 and its speed controls at `speed` (0..1000), and
    // hide the settings panel.
    virtual void showPlaybackBar(int /*speed*/) {}
    // The trackbar follows playback (0..100).
    virtual void setTrackbarPosition(int /*position*/) {}
    // The speed spin and its progress bar (0..1000).
    virtual void setSpeedControls(int /*speed*/) {}
    // The trackbar's ticks are redrawn when a jump is made.
    virtual void redrawTrackbarTicks() {}
    // The keyboard goes back to the main frame after a bar control was used.
    virtual void focusMainFrame() {}
    virtual void refreshStatusBar() {}
    // Only when the diagnostics dialog exists.
    virtual void refreshDiagnostics() {}
};

}  // namespace sondrel
