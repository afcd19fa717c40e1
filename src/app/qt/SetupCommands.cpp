#include "app/qt/SetupCommands.h"

#include <QEvent>
#include <QPixmap>
#include <QTimer>

#include "acquisition/SondrelDoc.h"
#include "analysis/GeometrySettings.h"
#include "analysis/qt/GeometryDock.h"
#include "analysis/qt/GeometrySettingsDialog.h"
#include "app/qt/CComPortDlg.h"
#include "app/qt/CDiagDlg.h"
#include "app/qt/CHelpDlg.h"
#include "app/qt/CInputDialogs.h"
#include "app/qt/CMainFrame.h"
#include "app/qt/CSondrelView.h"
#include "common/OperatorPort.h"

namespace sondrel {

SetupCommands::SetupCommands(CMainFrame& frame, CSondrelDoc& doc, SetupPeers peers)
    : frame_(frame), doc_(doc), peers_(std::move(peers)) {
    // Made with the document and shown when the settings file says it was, but
    // only once the main window is up: a window manager stacks the window shown
    // last on top, and the main window would hide this one.
    diagnostics_ = new CDiagDlg(doc_, &frame_);
    frame_.setDiagnosticsWindow(diagnostics_);
    if (doc_.display.diagnosticsVisible) {
        if (frame_.isVisible())
            showDiagnosticsAtStart();
        else
            frame_.installEventFilter(this);
    }
}

bool SetupCommands::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &frame_ && event->type() == QEvent::Show) {
        frame_.removeEventFilter(this);
        // The frame asks for its own window after this event.
        QTimer::singleShot(0, this, &SetupCommands::showDiagnosticsAtStart);
    }
    return QObject::eventFilter(watched, event);
}

void SetupCommands::showDiagnosticsAtStart() {
    if (!diagnostics_ || !doc_.display.diagnosticsVisible) return;
    diagnostics_->show();
    diagnostics_->raise();
    diagnostics_->refreshDiagnostics();
}

SetupCommands::~SetupCommands() {
    frame_.setDiagnosticsWindow(nullptr);
    delete diagnostics_.data();
}

int SetupCommands::run(QDialog& dialog) {
    return runDialog_ ? runDialog_(dialog) : dialog.exec();
}

std::optional<ComPortChoices> SetupCommands::askComPorts(const ComPortChoices& current,
                                                         int sonarType,
                                                         std::vector<ComPortEntry> ports) {
    if (!peers_.op) return std::nullopt;
    CComPortDlg dialog(current, sonarType, std::move(ports), *peers_.op, &frame_);
    if (run(dialog) != QDialog::Accepted) return std::nullopt;
    return dialog.choices();
}

std::optional<std::string> SetupCommands::askIpAddress(const std::string& current) {
    CIPAddressDlg dialog(current, &frame_);
    if (run(dialog) != QDialog::Accepted) return std::nullopt;
    return dialog.address();
}

void SetupCommands::editPipeGeometrySettings() {
    GeometryDock* dock = frame_.geometryDock();
    if (!dock || !peers_.op) return;
    GeometrySettingsDialog dialog(dock->settings(), *peers_.op, &frame_);
    if (run(dialog) != QDialog::Accepted) return;
    const GeometrySettings& settings = dialog.settings();
    // The overlay, the chart, the views along the pipe and the next report
    // measure on them at once,
    // saved or not.
    frame_.view()->setGeometrySettings(settings);
    dock->setSettings(settings);
    frame_.applyPipeGeometry(settings);
    if (!saveGeometrySettings(settings, peers_.settingsPath))
        peers_.op->showMessage("The settings file " + peers_.settingsPath +
                                   " could not be written: the pipe geometry settings are used "
                                   "until the program ends, but will not be there at the next "
                                   "start.",
                               MessageKind::Warning);
}

void SetupCommands::showDiagnostics(bool shown) {
    if (!diagnostics_) {
        diagnostics_ = new CDiagDlg(doc_, &frame_);
        frame_.setDiagnosticsWindow(diagnostics_);
    }
    diagnostics_->setVisible(shown);
    diagnostics_->refreshDiagnostics();
}

void SetupCommands::runHotKeysHelp() {
    frame_.setHelpOpen(true);
    {
        CHelpDlg help(&frame_);
        // The frame is blocked while the help is open; its keys go on working.
        help.addActions(frame_.hotKeyActionList());
        run(help);
    }
    frame_.setHelpOpen(false);
}

}  // namespace sondrel
