#pragma once
// The one pace of every repaint the data path asks for: the view's picture,
// the status bar's panes and the commands' states are refreshed together, at
// most once per display frame: at once when a frame has passed since the last
// refresh, otherwise once at the end of the current frame, however many
// requests come in between. Pings can arrive far faster than the screen shows
// frames (playback at 0 ms, a fast head); the data path still handles each
// one, only the pictures nobody would see are skipped.

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <QWidget>

#include <functional>

#include "display/FramePacer.h"

namespace sondrel {

// What a refresh redraws; requests add up until the refresh is carried out.
enum RefreshPart : unsigned {
    kRefreshView = 1u << 0,
    kRefreshStatus = 1u << 1,
    kRefreshCommands = 1u << 2,
    kRefreshPipeViews = 1u << 3,
};

class PacedUpdate : public QObject {
  public:
    PacedUpdate(QWidget& widget, std::function<void(unsigned parts)> update);

    void request(unsigned parts);
    // Something was just painted (also when the window system asked for it,
    // such as an expose of the window).
    void done();

  private:
    void carryOut();

    std::function<void(unsigned)> update_;
    FramePacer pacer_;
    QElapsedTimer clock_;
    QTimer timer_;  // the refresh held back to the end of the current frame
    unsigned pending_ = 0;
};

}  // namespace sondrel
