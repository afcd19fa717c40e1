#pragma once
// The commands of the setup and information windows: the COM port setup, the
// head type, the six colour choosers, the diagnostics window, the hot-keys
// help and the pipe geometry settings. The application makes this after the settings are loaded; it
// gives the frame these commands' handlers and takes them back when it goes.

#include <QObject>
#include <QPointer>

#include <functional>
#include <string>

#include "acquisition/ComPortSetup.h"
#include "app/qt/CDiagDlg.h"

class QDialog;

namespace sondrel {

class AcquisitionCycle;
class CComPortDlg;
class CMainFrame;
class CSondrelDoc;
class OperatorPort;

struct SetupPeers {
    AcquisitionCycle* cycle = nullptr;
    OperatorPort* op = nullptr;
    SettingsSaver saveSettings;  // the settings file of the run
    std::string settingsPath;
    PortProber probe;  // probeSerialDevice without one
    std::string byIdFolder = kSerialByIdFolder;
};

class SetupCommands : public QObject {
    Q_OBJECT

  public:
    SetupCommands(CMainFrame& frame, CSondrelDoc& doc, SetupPeers peers);
    ~SetupCommands() override;

    // Runs a modal dialog: exec() unless a test scripts it.
    using DialogRunner = std::function<int(QDialog&)>;
    void setDialogRunner(DialogRunner runner) { runDialog_ = std::move(runner); }

    CDiagDlg* diagnosticsWindow() const { return diagnostics_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void installCommands();
    void showDiagnosticsAtStart();
    void comPortSetup();
    void chooseHeadType(int sonarType);
    void chooseColour(int id);
    void pipeGeometrySettings();
    void toggleDiagnostics();
    void hotKeysHelp();
    void resumeOrientationReads();
    int run(QDialog& dialog);

    CMainFrame& frame_;
    CSondrelDoc& doc_;
    SetupPeers peers_;
    DialogRunner runDialog_;
    QPointer<CDiagDlg> diagnostics_;
    bool helpOpen_ = false;
};

}  // namespace sondrel
