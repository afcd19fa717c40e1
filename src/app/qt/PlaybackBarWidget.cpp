#include "app/qt/PlaybackBarWidget.h"

#include <QAbstractSlider>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>

#include "recording/PlaybackBar.h"

namespace sondrel {

SpeedSpin::SpeedSpin(QWidget* parent) : QSpinBox(parent) {
    setRange(kSpeedMinimum, kSpeedMaximum);
    setSingleStep(kSpeedClickStep);
    setDisplayIntegerBase(10);
    // The value is the player's to set; typing a number would bypass it.
    lineEdit()->setReadOnly(true);
    setFocusPolicy(Qt::NoFocus);
    setAccelerated(false);
}

void SpeedSpin::stepBy(int steps) {
    if (steps == 0) return;
    emit stepClicked(value(), steps > 0 ? 1 : -1);
}

QAbstractSpinBox::StepEnabled SpeedSpin::stepEnabled() const {
    // Both arrows always answer: at a limit a click still resumes playback.
    return StepUpEnabled | StepDownEnabled;
}

PlaybackBarWidget::PlaybackBarWidget(QWidget* parent)
    : QToolBar(QStringLiteral("Playback"), parent) {
    setObjectName(QStringLiteral("playbackBar"));
    setMovable(false);
    setFloatable(false);

    addWidget(new QLabel(QStringLiteral("File Pos:"), this));

    trackbar_ = new QSlider(Qt::Horizontal, this);
    trackbar_->setObjectName(QStringLiteral("trackbar"));
    trackbar_->setRange(kTrackbarMinimum, kTrackbarMaximum);
    trackbar_->setTickInterval(kTrackbarTickEvery);
    trackbar_->setTickPosition(QSlider::TicksBelow);
    trackbar_->setPageStep(kTrackbarTickEvery);
    trackbar_->setTracking(false);
    trackbar_->setMinimumWidth(240);
    addWidget(trackbar_);

    progress_ = new QProgressBar(this);
    progress_->setObjectName(QStringLiteral("speedIndicator"));
    progress_->setRange(kSpeedMinimum, kSpeedMaximum);
    progress_->setTextVisible(false);
    progress_->setFixedWidth(120);
    addWidget(progress_);

    spin_ = new SpeedSpin(this);
    spin_->setObjectName(QStringLiteral("speedSpin"));
    addWidget(spin_);

    addWidget(new QLabel(QStringLiteral("Speed"), this));

    back_ = new QPushButton(QStringLiteral("<"), this);
    back_->setObjectName(QStringLiteral("stepBack"));
    forward_ = new QPushButton(QStringLiteral(">"), this);
    forward_->setObjectName(QStringLiteral("stepForward"));
    for (QPushButton* button : {back_, forward_}) {
        button->setFixedWidth(32);
        button->setAutoDefault(false);
        addWidget(button);
    }

    connect(trackbar_, &QSlider::sliderPressed, this, &PlaybackBarWidget::trackbarTaken);
    connect(trackbar_, &QSlider::sliderReleased, this,
            [this] { emit trackbarReleased(trackbar_->sliderPosition()); });
    // A click on the groove or a key moves the thumb without a press and a
    // release of it; it is a jump all the same.
    connect(trackbar_, &QSlider::actionTriggered, this, [this](int action) {
        if (action == QAbstractSlider::SliderMove || action == QAbstractSlider::SliderNoAction)
            return;
        emit trackbarTaken();
        emit trackbarReleased(trackbar_->sliderPosition());
    });
    connect(spin_, &SpeedSpin::stepClicked, this, &PlaybackBarWidget::speedStepClicked);
    connect(back_, &QPushButton::clicked, this, &PlaybackBarWidget::stepBackClicked);
    connect(forward_, &QPushButton::clicked, this, &PlaybackBarWidget::stepForwardClicked);
}

void PlaybackBarWidget::showPosition(int position) {
    if (trackbar_->isSliderDown()) return;
    const QSignalBlocker block(trackbar_);
    trackbar_->setValue(position);
}

void PlaybackBarWidget::showSpeed(int speed) {
    const QSignalBlocker block(spin_);
    spin_->setValue(speed);
    progress_->setValue(speed);
}

}  // namespace sondrel
