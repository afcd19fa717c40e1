#pragma once
// Runs an update at most once per display frame: at once when a frame has
// passed since the last one, otherwise once at the end of the current frame,
// however many requests come in between. Pings can arrive far faster than the
// screen shows frames (playback at 0 ms, a fast head); the data path still
// handles each one, only the pictures nobody would see are skipped.

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <QWidget>

#include <functional>

#include "display/FramePacer.h"

namespace sondrel {

class PacedUpdate : public QObject {
  public:
    PacedUpdate(QWidget& widget, std::function<void()> update);

    void request();
    // The update has just been carried out (also when something else did it,
    // such as an expose of the window).
    void done();

  private:
    std::function<void()> update_;
    FramePacer pacer_;
    QElapsedTimer clock_;
    QTimer timer_;  // the update held back to the end of the current frame
};

}  // namespace sondrel
