#include "app/qt/CFileWindows.h"

#include <QSlider>

#include "app/qt/CMainFrame.h"
#include "app/qt/CPlaybackBar.h"
#include "app/qt/CSondrelView.h"

namespace sondrel {

namespace {

// Bars and panels of the frame that give way to the playback bar, when the
// program has them.
constexpr const char* kSettingsBarName = "miniSettingsBar";
constexpr const char* kSettingsPanelName = "settingsPanel";

}  // namespace

CFileWindows::CFileWindows(CMainFrame& frame) : frame_(frame) {
    bar_ = new CPlaybackBar(&frame);
    frame.addToolBarBreak(Qt::TopToolBarArea);
    frame.addToolBar(Qt::TopToolBarArea, bar_);
    bar_->hide();
    frame.setPlaybackBar(bar_);
}

CFileWindows::~CFileWindows() {
    frame_.setPlaybackBar(nullptr);
}

void CFileWindows::setWindowTitle(const std::string& title) {
    frame_.setFrameTitle(title);
}

void CFileWindows::showPlaybackBar(int speed) {
    if (QWidget* bar = frame_.findChild<QWidget*>(QLatin1String(kSettingsBarName))) bar->hide();
    if (QWidget* panel = frame_.findChild<QWidget*>(QLatin1String(kSettingsPanelName)))
        panel->hide();
    bar_->showSpeed(speed);
    bar_->showPosition(0);
    bar_->show();
}

void CFileWindows::setTrackbarPosition(int position) {
    bar_->showPosition(position);
}

void CFileWindows::setSpeedControls(int speed) {
    bar_->showSpeed(speed);
}

void CFileWindows::redrawTrackbarTicks() {
    bar_->trackbar()->update();
}

void CFileWindows::focusMainFrame() {
    if (frame_.view())
        frame_.view()->setFocus(Qt::OtherFocusReason);
    else
        frame_.setFocus(Qt::OtherFocusReason);
}

void CFileWindows::refreshStatusBar() {
    frame_.refreshStatusBar();
}

void CFileWindows::refreshDiagnostics() {
    frame_.refreshDiagnostics();
}

}  // namespace sondrel
