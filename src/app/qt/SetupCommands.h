#pragma once
// The windows of the setup and information commands: the COM port dialog, the
// IP address dialog, the diagnostics window, the hot-keys help and the pipe
// geometry settings. The application makes this after the settings are loaded;
// what the commands decide is SetupActions'.

#include <QObject>
#include <QPointer>

#include <functional>
#include <string>

#include "app/SetupActions.h"
#include "app/qt/CDiagDlg.h"

class QDialog;

namespace sondrel {

class CMainFrame;
class CSondrelDoc;

class SetupCommands : public QObject, public SetupWindows {
    Q_OBJECT

  public:
    // Of the peers it takes the operator, for the dialogs' messages, and the
    // settings file, where the pipe geometry settings are saved.
    SetupCommands(CMainFrame& frame, CSondrelDoc& doc, SetupPeers peers);
    ~SetupCommands() override;

    // Runs a modal dialog: exec() unless a test scripts it.
    using DialogRunner = std::function<int(QDialog&)>;
    void setDialogRunner(DialogRunner runner) { runDialog_ = std::move(runner); }

    CDiagDlg* diagnosticsWindow() const { return diagnostics_; }

    std::optional<ComPortChoices> askComPorts(const ComPortChoices& current, int sonarType,
                                              std::vector<ComPortEntry> ports) override;
    std::optional<std::string> askIpAddress(const std::string& current) override;
    void showDiagnostics(bool shown) override;
    void runHotKeysHelp() override;
    void editPipeGeometrySettings() override;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void showDiagnosticsAtStart();
    int run(QDialog& dialog);

    CMainFrame& frame_;
    CSondrelDoc& doc_;
    SetupPeers peers_;
    DialogRunner runDialog_;
    QPointer<CDiagDlg> diagnostics_;
};

}  // namespace sondrel
