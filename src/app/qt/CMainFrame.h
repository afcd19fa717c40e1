#pragma once
// The program's one top-level window: the document menu, the toolbar, the
// status bar with its live readouts, the hot keys, the four acquisition timers
// and the single title operation. Every operator command arrives here by its
// number and goes to the command dispatcher, which runs it only while its port
// is bound and its update rule enables it; a command whose effect is not part
// of the program yet stays visible but disabled. The frame is the commands'
// window port, and it paces every repaint the data path asks for.

#include <QMainWindow>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "acquisition/Links.h"
#include "acquisition/SondrelDoc.h"
#include "acquisition/TimerHost.h"
#include "acquisition/qt/QtTimerHost.h"
#include "app/CommandDispatcher.h"
#include "app/CommandRules.h"
#include "app/qt/PacedUpdate.h"
#include "display/StatusTexts.h"
#include "pipeview/DepartureScale.h"

class QDockWidget;
class QLabel;
class QMenu;
class QToolBar;

namespace sondrel {

class AcquisitionCycle;
class CCtrlPanelDlg;
class CDiagDlg;
class GeometryDock;
class Pipe3DWindow;
class PipeViewFeed;
struct GeometrySettings;
struct SliceSettings;
class WallMapDock;
class CKeyInDlg;
class OperatorPort;
class SettingsBar;
class CSondrelView;

class CMainFrame : public QMainWindow,
                   public DocumentViews,
                   public CycleObserver,
                   public WindowPort {
    Q_OBJECT

  public:
    explicit CMainFrame(CSondrelDoc& doc, QWidget* parent = nullptr);
    ~CMainFrame() override;

    CSondrelDoc& document() { return doc_; }
    CSondrelView* view() const { return view_; }
    // The charts of the pipe geometry along the pipe; hidden until asked for.
    GeometryDock* geometryDock() const { return geometryDock_; }
    // The wall map and the tube of what is shown, fed every ping; the wall
    // map's dock (hidden until asked for) and the 3D window (made when first
    // asked for).
    PipeViewFeed& pipeViews() { return *pipeFeed_; }
    WallMapDock* wallMapDock() const { return wallMapDock_; }
    Pipe3DWindow* pipe3DWindow() const { return pipe3D_; }
    QDockWidget* pipe3DDock() const { return pipe3DDock_; }
    // Asked to read the played file whole for the views along the pipe, when
    // one of them is shown: as a file is opened for playback, or as a view
    // comes up while one plays that has not been read.
    void setPipeViewsReader(std::function<void()> reader) { pipeViewsReader_ = std::move(reader); }
    // Paints the views along the pipe with what the feed holds now.
    void refreshPipeViews();
    // The wall map and the tube measure departures from the nominal diameter
    // (0: each ping's fitted radius; a new one makes them anew) and colour
    // them over the settings' range.
    void applyPipeGeometry(const GeometrySettings& geometry);
    QToolBar* mainToolBar() const { return toolbar_; }
    // The window as shown, the 3D view's own window painted in (a grab of
    // the widgets alone leaves it blank).
    QPixmap picture();

    // The four acquisition timers live on the frame; the cycle is built on them.
    TimerHost& timerHost() { return *timers_; }
    // Connect and Hold stay disabled until the cycle is known. The frame then
    // binds the cycle's port of the commands, delivers its timers to the cycle
    // and becomes its observer.
    void setCycle(AcquisitionCycle* cycle);
    AcquisitionCycle* cycle() const { return cycle_; }

    // ---- commands
    // Where the other ports of the commands are bound.
    CommandDispatcher& commands() { return *commands_; }
    // Whether something carries the command out (its port is bound).
    bool commandBuilt(int id) const { return commands_->built(id); }
    // Runs the command if it has an effect and its rule enables it now.
    bool executeCommand(int id);
    bool commandEnabledNow(int id);
    // The action of a menu item or toolbar button; hot keys have their own.
    QAction* commandAction(int id) const;
    QAction* hotKeyAction(int id) const;
    // The hot keys, for a modal window that must keep them working while it
    // blocks the frame.
    QList<QAction*> hotKeyActionList() const;
    // Re-reads every enabled state and check mark from the rules.
    void refreshCommandStates();
    CommandUiState uiState() const;
    // The same refresh, and the view's and status bar's, at the display's
    // pace: whatever the data path asks for goes through here, so that a fast
    // head or fast playback repaints at most once a display frame.
    void requestRefresh(unsigned parts) { paced_.request(parts); }

    // ---- status bar and title
    // Rewrites the value panes from the document and the view's cursor
    // readout: at the display's pace after polls, playback steps and
    // orientation reads; at once after a mouse move over the image.
    void updateStatus();
    QLabel* statusPane(int index) const;
    int statusPaneCount() const { return static_cast<int>(panes_.size()); }
    // Rewrites of the status panes so far.
    long statusUpdateCount() const { return statusUpdates_; }
    // The one title operation: the title the document's state gives for the
    // occasion, shortened when long.
    void setFrameTitle(TitleOccasion occasion);
    // The same for a title text made elsewhere (not yet shortened).
    void setFrameTitle(const std::string& title);
    std::string frameTitle() const { return title_; }

    // Who answers the frame's own questions to the operator (Save Screen's
    // dialog and messages); without one the frame asks with its own dialogs.
    void setOperatorPort(OperatorPort* op) { operator_ = op; }
    OperatorPort* operatorPort() const { return operator_; }

    // ---- the key-in window
    void setKeyInWindow(CKeyInDlg* window) { keyIn_ = window; }
    CKeyInDlg* keyInWindow() const { return keyIn_; }

    // ---- the settings windows: the control panel and the settings bar
    CCtrlPanelDlg* controlPanel() const { return panel_; }
    SettingsBar* settingsBar() const { return settingsBar_; }
    // ---- the diagnostics window and the hot-keys help, whose state the rules read
    void setDiagnosticsWindow(CDiagDlg* window) { diagnostics_ = window; }
    CDiagDlg* diagnosticsWindow() const { return diagnostics_; }
    void setHelpOpen(bool open) { helpOpen_ = open; }
    void setPipeReportRunning(bool running) { pipeReportRunning_ = running; }
    void setCloudExportRunning(bool running) { cloudExportRunning_ = running; }
    // The survey's observation window and its analysis, whose state the rules read.
    void setSurveyDock(QDockWidget* dock) { surveyDock_ = dock; }
    QDockWidget* surveyDock() const { return surveyDock_; }
    void setSurveyRunning(bool running) { surveyRunning_ = running; }

    // Data files named on the command line or dropped on the window go to
    // playback through this; without it they are refused.
    void setDataFileOpener(std::function<bool(const QString&)> opener) {
        dataFileOpener_ = std::move(opener);
    }
    bool openDataFile(const QString& path);

    // The playback bar, hidden whenever real-time acquisition starts.
    void setPlaybackBar(QWidget* bar) { playbackBar_ = bar; }

    // Run once when the frame closes, before anything is torn down.
    void setShutdownHandler(std::function<void()> handler) { shutdown_ = std::move(handler); }
    // Asked when the operator closes the window (Exit, the close box): false
    // keeps the program running as it was.
    void setCloseQuestion(std::function<bool()> question) { closeQuestion_ = std::move(question); }
    // Closes as Exit does without asking: a signal, or a run that ends itself.
    void closeWithoutQuestion();

    // ---- DocumentViews
    void refreshSettingsPanels() override;
    void updateViews(ViewHint hint) override;

    // ---- CycleObserver
    void refreshStatusBar() override;
    void refreshDiagnostics() override;
    void resetDiagnostics() override;
    void hidePlaybackBar() override;
    void showToolbar() override;
    void showSettingsPanel() override;
    void destroyModelessWindows() override;
    void linkStateChanged(LinkState linkState) override;
    void pingProcessed(bool valid) override;

    // ---- WindowPort
    void closeProgram() override { close(); }
    void showAbout() override;
    void saveScreen() override;
    void toggleToolbar() override;
    void toggleGeometryOverlay() override;
    void toggleGeometryChart() override;
    void toggleWallMap() override;
    void togglePipe3DView() override;
    void toggleControlPanel() override;
    void toggleSettingsBar() override;
    void openKeyIn(int kind) override;
    void movePointer(int dx, int dy) override;
    void askSoundVelocity() override;
    void askMinimumRange() override;
    void askCircleDiameter() override;

  signals:
    // A command ran (its rule allowed it and its port was bound).
    void commandExecuted(int id);

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    void buildMenu();
    void buildToolbar();
    void buildStatusBar();
    void buildHotKeys();
    QAction* actionFor(int id);
    // A value dialog: what would move the picture on rests while it is open.
    void runValueDialog(bool (*dialog)(CSondrelDoc&, QWidget*));
    void refreshParts(unsigned parts);
    void showTitle(std::string title);
    bool pipeViewShown() const;
    void readPipeViewsIfWanted();
    void restartPipeViews(const SliceSettings& settings);

    CSondrelDoc& doc_;
    CSondrelView* view_ = nullptr;
    GeometryDock* geometryDock_ = nullptr;
    std::unique_ptr<PipeViewFeed> pipeFeed_;
    WallMapDock* wallMapDock_ = nullptr;
    Pipe3DWindow* pipe3D_ = nullptr;
    QDockWidget* pipe3DDock_ = nullptr;
    std::function<void()> pipeViewsReader_;
    QToolBar* toolbar_ = nullptr;
    std::unique_ptr<QtTimerHost> timers_;
    AcquisitionCycle* cycle_ = nullptr;
    CKeyInDlg* keyIn_ = nullptr;
    OperatorPort* operator_ = nullptr;
    CCtrlPanelDlg* panel_ = nullptr;
    SettingsBar* settingsBar_ = nullptr;
    CDiagDlg* diagnostics_ = nullptr;
    bool helpOpen_ = false;
    bool pipeReportRunning_ = false;
    bool cloudExportRunning_ = false;
    DepartureScale pipeScale_;
    QDockWidget* surveyDock_ = nullptr;
    bool surveyRunning_ = false;
    QWidget* playbackBar_ = nullptr;
    std::function<void()> shutdown_;
    std::function<bool()> closeQuestion_;
    bool closingWithoutQuestion_ = false;
    std::function<bool(const QString&)> dataFileOpener_;
    bool closed_ = false;

    std::unique_ptr<CommandDispatcher> commands_;
    std::map<int, QAction*> actions_;
    std::map<int, QAction*> hotKeyActions_;
    std::vector<QMenu*> menus_;
    std::vector<QLabel*> panes_;
    std::string title_;
    long statusUpdates_ = 0;
    PacedUpdate paced_{*this, [this](unsigned parts) { refreshParts(parts); }};
};

}  // namespace sondrel
