#pragma once
// The playback bar: the file position on a trackbar, the playback speed on a
// spin with a progress bar beside it, and the "<" and ">" step buttons. The bar
// only carries numbers; what they do is the player's.

#include <QSpinBox>
#include <QToolBar>

class QLabel;
class QProgressBar;
class QPushButton;
class QSlider;

namespace sondrel {

// An up-down control: its arrows report a step and leave the value to whoever
// owns it, and it cannot be typed into.
class SpeedSpin : public QSpinBox {
    Q_OBJECT

  public:
    explicit SpeedSpin(QWidget* parent = nullptr);
    void stepBy(int steps) override;

  signals:
    // The spin's position when the arrow was clicked, and +1 or -1.
    void stepClicked(int position, int step);

  protected:
    StepEnabled stepEnabled() const override;
};

class PlaybackBarWidget : public QToolBar {
    Q_OBJECT

  public:
    static constexpr int kBarId = 133;
    static constexpr int kProgressId = 1200;
    static constexpr int kSpinId = 1201;
    static constexpr int kTrackbarId = 1202;
    static constexpr int kStepBackId = 1176;
    static constexpr int kStepForwardId = 1178;

    explicit PlaybackBarWidget(QWidget* parent = nullptr);

    QSlider* trackbar() const { return trackbar_; }
    QProgressBar* speedIndicator() const { return progress_; }
    SpeedSpin* speedSpin() const { return spin_; }
    QPushButton* stepBackButton() const { return back_; }
    QPushButton* stepForwardButton() const { return forward_; }

    // Playback moves the thumb; the operator's own moves are reported below.
    void showPosition(int position);
    void showSpeed(int speed);

  signals:
    // The operator took hold of the thumb.
    void trackbarTaken();
    // The operator let the thumb go at this position (also after a click on
    // the groove or a key that moved it).
    void trackbarReleased(int position);
    void speedStepClicked(int position, int step);
    void stepBackClicked();
    void stepForwardClicked();

  private:
    QSlider* trackbar_ = nullptr;
    QProgressBar* progress_ = nullptr;
    SpeedSpin* spin_ = nullptr;
    QPushButton* back_ = nullptr;
    QPushButton* forward_ = nullptr;
};

}  // namespace sondrel
