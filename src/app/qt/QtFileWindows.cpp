#include "app/qt/QtFileWindows.h"

#include <QSlider>

#include "app/qt/CMainFrame.h"
#include "app/qt/CSondrelView.h"
#include "app/qt/PlaybackBarWidget.h"

namespace sondrel {

namespace {

// Bars and panels of the frame that give way to the playback bar, when the
// program has them.
constexpr const char* kSettingsBarName = "miniSettingsBar";
constexpr const char* kSettingsPanelName = "settingsPanel";

}  // namespace

QtFileWindows::QtFileWindows(CMainFrame& frame) : frame_(frame) {
    bar_ = new PlaybackBarWidget(&frame);
    frame.addToolBarBreak(Qt::TopToolBarArea);
    frame.addToolBar(Qt::TopToolBarArea, bar_);
    bar_->hide();
    frame.setPlaybackBar(bar_);
}

QtFileWindows::~QtFileWindows() {
    frame_.setPlaybackBar(nullptr);
}

void QtFileWindows::setWindowTitle(const std::string& title) {
    frame_.setFrameTitle(title);
}

void QtFileWindows::showPlaybackBar(int speed) {
    if (QWidget* bar = frame_.findChild<QWidget*>(QLatin1String(kSettingsBarName))) bar->hide();
    if (QWidget* panel = frame_.findChild<QWidget*>(QLatin1String(kSettingsPanelName)))
        panel->hide();
    bar_->showSpeed(speed);
    bar_->showPosition(0);
    bar_->show();
}

void QtFileWindows::setTrackbarPosition(int position) {
    bar_->showPosition(position);
}

void QtFileWindows::setSpeedControls(int speed) {
    bar_->showSpeed(speed);
}

void QtFileWindows::redrawTrackbarTicks() {
    bar_->trackbar()->update();
}

void QtFileWindows::focusMainFrame() {
    if (frame_.view())
        frame_.view()->setFocus(Qt::OtherFocusReason);
    else
        frame_.setFocus(Qt::OtherFocusReason);
}

void QtFileWindows::refreshStatusBar() {
    frame_.refreshStatusBar();
}

void QtFileWindows::refreshDiagnostics() {
    frame_.refreshDiagnostics();
}

}  // namespace sondrel
