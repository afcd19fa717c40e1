#pragma once
// The application: the one place where the program is put together. It makes
// and owns the document, the main frame, the acquisition cycle and its links,
// the recorder, the player and the conversion, and gives each its collaborators
// as it makes it, in a fixed order ending with a connect to the head. It takes
// the program down again in a fixed order when the frame closes, so that every
// file is complete and the settings are saved before the links go.

#include <QString>

#include <memory>
#include <optional>
#include <string>

#include "acquisition/Links.h"
#include "app/RunSettings.h"

namespace sondrel {

class AcquisitionCycle;
class FileActions;
class FileCommands;
class QtFileWindows;
class CKeyInDlg;
class CMainFrame;
class CSondrelDoc;
class SetupActions;
class SetupCommands;
class SurveyActions;
class SurveyCommands;
class CSSocket;
class ExitSignals;
class OrientationPort;
class Player;
class RecentFiles;
class Recorder;
class SerialHeadPort;
class QtOperatorPort;
class SimulatedHeadProcess;
class XyzConversion;

struct StartOptions {
    std::string settingsPath;  // the settings file of this run
    // Start the simulated head on loopback and use it for this run only.
    bool simulate = false;
    QString simulatorProgram;  // empty: sondrel-headsim beside the program
    // The survey the simulated head plays; empty: the sewer scenario beside
    // the program, or the plain model pipe when there is none.
    QString scenario;
    QString dataFile;  // a data file named on the command line
    // For tests and documentation: save a picture of the window after this many
    // seconds, then close.
    double screenshotAfterSeconds = -1.0;
    QString screenshotPath;
};

class CSondrelApp {
  public:
    explicit CSondrelApp(StartOptions options);
    ~CSondrelApp();
    CSondrelApp(const CSondrelApp&) = delete;
    CSondrelApp& operator=(const CSondrelApp&) = delete;

    // Start-up; false when the program cannot run (the reason is on stderr).
    bool initInstance();
    // After the event loop: what the program returns.
    int exitInstance(int eventLoopResult);

    CSondrelDoc* document() const { return doc_.get(); }
    CMainFrame* mainFrame() const { return frame_.get(); }
    AcquisitionCycle* cycle() const { return cycle_.get(); }
    RunSettings& settings() { return settings_; }
    RecentFiles* recentFiles() const { return recent_.get(); }
    const SimulatedHeadProcess* simulator() const { return simulator_.get(); }

  private:
    bool startSimulator();
    void shutdown();
    void scheduleScreenshot();

    StartOptions options_;
    RunSettings settings_;
    SystemClock clock_;
    std::unique_ptr<RecentFiles> recent_;
    std::unique_ptr<SimulatedHeadProcess> simulator_;
    std::unique_ptr<CSondrelDoc> doc_;
    std::unique_ptr<CMainFrame> frame_;
    std::unique_ptr<QtOperatorPort> operator_;
    std::unique_ptr<QtFileWindows> fileWindows_;
    // The recorder and the player outlive the cycle that calls them.
    std::unique_ptr<Recorder> recorder_;
    std::unique_ptr<XyzConversion> conversion_;
    std::unique_ptr<Player> player_;
    std::unique_ptr<AcquisitionCycle> cycle_;
    // The links go first, while the cycle they report to still exists.
    std::unique_ptr<CSSocket> socket_;
    std::unique_ptr<SerialHeadPort> serial_;
    std::unique_ptr<OrientationPort> orientation_;
    // The windows of the file and setup commands go before everything they
    // plug into, and the commands, bound to the frame's ports, before them.
    std::unique_ptr<FileCommands> files_;
    std::unique_ptr<SetupCommands> setup_;
    std::unique_ptr<FileActions> fileActions_;
    std::unique_ptr<SetupActions> setupActions_;
    std::unique_ptr<SurveyCommands> survey_;
    std::unique_ptr<SurveyActions> surveyActions_;
    bool shutDown_ = false;
    // Last, so it goes first: its action reaches the window.
    std::unique_ptr<ExitSignals> exitSignals_;
};

}  // namespace sondrel
