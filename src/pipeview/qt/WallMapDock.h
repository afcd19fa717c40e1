#pragma once
// The dock window "Pipe Wall Map": the wall map of what the program shows,
// live or played, drawn by WallMapWidget. A click on a played file's map asks
// for the record nearest the chainage clicked to be played. Above the map the
// operator chooses what the wall is held against: the fitted circle (the
// shape of the bore) or the head's line (where a section displaced at a joint
// shows as a step).

#include <QDockWidget>

#include <cstdint>
#include <functional>

#include "pipeview/PipeSlice.h"

class QComboBox;

namespace sondrel {

class PipeViewFeed;
class WallMapWidget;

class WallMapDock : public QDockWidget {
    Q_OBJECT

  public:
    explicit WallMapDock(const PipeViewFeed& feed, QWidget* parent = nullptr);

    // Plays the record starting at the given position of the played file.
    void setJumpHandler(std::function<void(std::int64_t)> jump) { jump_ = std::move(jump); }
    void setCentreHandler(std::function<void(WallCentre)> chosen) { centre_ = std::move(chosen); }
    QComboBox* centreChoice() const { return centreBox_; }
    // After the feed took pings in or a whole file: at the window's pace.
    void refresh();
    // The record nearest `chainage` asked for; false when there is none to
    // play (nothing there, or the pings are live).
    bool playNear(double chainage);

    WallMapWidget* mapWidget() const { return widget_; }

  private:
    const PipeViewFeed& feed_;
    WallMapWidget* widget_ = nullptr;
    QComboBox* centreBox_ = nullptr;
    std::function<void(std::int64_t)> jump_;
    std::function<void(WallCentre)> centre_;
};

}  // namespace sondrel
