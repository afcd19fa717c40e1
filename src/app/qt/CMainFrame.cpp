#include "app/qt/CMainFrame.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <numbers>

#include "acquisition/AcquisitionCycle.h"
#include "analysis/qt/GeometryDock.h"
#include "app/CommandTable.h"
#include "app/MenuLayout.h"
#include "app/ModalPause.h"
#include "app/qt/CCtrlPanelDlg.h"
#include "app/qt/CDiagDlg.h"
#include "app/qt/CInputDialogs.h"
#include "app/qt/CKeyInDlg.h"
#include "app/qt/CSondrelView.h"
#include "app/qt/QtOperatorPort.h"
#include "app/qt/SaveScreen.h"
#include "app/qt/ToolbarIcons.h"
#include "common/qt/QtText.h"
#include "display/StatusPanes.h"
#include "display/StatusTexts.h"
#include "pipeview/PipeViewFeed.h"
#include "pipeview/qt/Pipe3DWindow.h"
#include "pipeview/qt/WallMapDock.h"
#include "pipeview/qt/WallMapWidget.h"

namespace sondrel {

namespace {

const QString kNotAvailable = QStringLiteral("Not available in this version of the program");

QKeySequence keySequence(HotKey key) {
    switch (key) {
        case HotKey::None:
            return {};
        case HotKey::F1:
            return QKeySequence(Qt::Key_F1);
        case HotKey::F3:
            return QKeySequence(Qt::Key_F3);
        case HotKey::F5:
            return QKeySequence(Qt::Key_F5);
        case HotKey::F6:
            return QKeySequence(Qt::Key_F6);
        case HotKey::Up:
            return QKeySequence(Qt::Key_Up);
        case HotKey::Down:
            return QKeySequence(Qt::Key_Down);
        case HotKey::Left:
            return QKeySequence(Qt::Key_Left);
        case HotKey::Right:
            return QKeySequence(Qt::Key_Right);
    }
    return {};
}

// Qt reads "[*]" in a window title as the modified-marker placeholder; a file
// name may contain it, and the title must show exactly what it is given.
QString literalTitle(const std::string& title) {
    QString text = QString::fromStdString(title);
    text.replace(QStringLiteral("[*]"), QStringLiteral("[*][*]"));
    return text;
}

}  // namespace

CMainFrame::CMainFrame(CSondrelDoc& doc, QWidget* parent)
    : QMainWindow(parent), doc_(doc), timers_(std::make_unique<QtTimerHost>()) {
    setWindowTitle(QStringLiteral("Sondrel"));
    view_ = new CSondrelView(doc_, this);
    view_->setPacer(&paced_);
    commands_ = std::make_unique<CommandDispatcher>(doc_, view_->viewState().requests);
    commands_->bind(static_cast<WindowPort*>(this));
    view_->setCommandRunner([this](int id) { return executeCommand(id); });
    view_->setPointerListener([this] { updateStatus(); });
    view_->setModeListener([this] { refreshCommandStates(); });
    setCentralWidget(view_);
    setDockOptions(QMainWindow::AnimatedDocks | QMainWindow::AllowTabbedDocks);
    geometryDock_ = new GeometryDock(doc_, this);
    addDockWidget(Qt::RightDockWidgetArea, geometryDock_);
    geometryDock_->hide();
    connect(geometryDock_, &QDockWidget::visibilityChanged, this,
            &CMainFrame::refreshCommandStates);
    pipeFeed_ = std::make_unique<PipeViewFeed>(doc_);
    wallMapDock_ = new WallMapDock(*pipeFeed_, this);
    wallMapDock_->setCentreHandler([this](WallCentre centre) {
        SliceSettings settings = pipeFeed_->sliceSettings();
        settings.centre = centre;
        restartPipeViews(settings);
    });
    addDockWidget(Qt::BottomDockWidgetArea, wallMapDock_);
    wallMapDock_->hide();
    connect(wallMapDock_, &QDockWidget::visibilityChanged, this, [this](bool visible) {
        refreshCommandStates();
        if (visible) {
            wallMapDock_->refresh();
            readPipeViewsIfWanted();
        }
    });

    buildMenu();
    buildToolbar();
    settingsBar_ = new SettingsBar(doc_, this);
    addToolBarBreak(Qt::TopToolBarArea);
    addToolBar(Qt::TopToolBarArea, settingsBar_);
    connect(settingsBar_, &QToolBar::visibilityChanged, this, &CMainFrame::refreshCommandStates);
    panel_ = new CCtrlPanelDlg(doc_, this);
    panel_->setTouchListener([this] {
        if (keyIn_ && keyIn_->isVisible()) keyIn_->hide();
    });
    buildStatusBar();
    buildHotKeys();
    doc_.setViews(this);
    refreshCommandStates();
}

QPixmap CMainFrame::picture() {
    QPixmap picture = grab();
    if (pipe3D_ && pipe3D_->isVisible() && pipe3D_->rendering()) {
        const QImage scene = pipe3D_->grabFrame();
        QPainter painter(&picture);
        painter.drawImage(pipe3D_->sceneWidget()->mapTo(this, QPoint(0, 0)), scene);
    }
    return picture;
}

CMainFrame::~CMainFrame() {
    doc_.setViews(nullptr);
    // The bars and docks are destroyed after this frame, and a widget that goes
    // announces it (a dock's visibility, a bar's): nothing may reach the frame
    // that is no longer there.
    for (QObject* child : findChildren<QObject*>())
        QObject::disconnect(child, nullptr, this, nullptr);
}

// ------------------------------------------------------------------ building

QAction* CMainFrame::actionFor(int id) {
    if (auto it = actions_.find(id); it != actions_.end()) return it->second;
    const QString caption = qs(commandCaption(id));
    auto* action = new QAction(caption, this);
    action->setData(id);
    action->setStatusTip(qs(commandPrompt(id)));
    const std::string_view tip = commandToolTip(id);
    QString toolTip = !tip.empty() ? qs(tip) : qs(commandPrompt(id));
    if (toolTip.isEmpty()) toolTip = QString(caption).remove(QLatin1Char('&'));
    action->setToolTip(toolTip);
    action->setCheckable(commandCheckable(id));
    connect(action, &QAction::triggered, this, [this, id] { executeCommand(id); });
    actions_[id] = action;
    return action;
}

void CMainFrame::buildMenu() {
    std::vector<QMenu*> open;
    for (const MenuEntry& entry : documentMenu()) {
        switch (entry.kind) {
            case MenuEntry::PopupBegin: {
                QMenu* menu = open.empty() ? menuBar()->addMenu(qs(entry.caption))
                                           : open.back()->addMenu(qs(entry.caption));
                menu->setToolTipsVisible(true);
                connect(menu, &QMenu::aboutToShow, this, &CMainFrame::refreshCommandStates);
                menus_.push_back(menu);
                open.push_back(menu);
                break;
            }
            case MenuEntry::PopupEnd:
                open.pop_back();
                break;
            case MenuEntry::Separator:
                open.back()->addSeparator();
                break;
            case MenuEntry::Item:
                open.back()->addAction(actionFor(entry.id));
                break;
        }
    }
}

void CMainFrame::buildToolbar() {
    toolbar_ = new QToolBar(QStringLiteral("Main Toolbar"), this);
    toolbar_->setObjectName(QStringLiteral("mainToolbar"));
    toolbar_->setIconSize(QSize(24, 22));
    toolbar_->setMovable(true);
    toolbar_->setFloatable(true);
    toolbar_->setAllowedAreas(Qt::AllToolBarAreas);
    for (const int id : toolbarCommands()) {
        QAction* action = actionFor(id);
        if (action->icon().isNull()) action->setIcon(toolbarIcon(id));
        toolbar_->addAction(action);
        if (QWidget* button = toolbar_->widgetForAction(action))
            button->setFixedSize(kToolbarButtonWidth, kToolbarButtonHeight);
    }
    addToolBar(Qt::TopToolBarArea, toolbar_);
    connect(toolbar_, &QToolBar::visibilityChanged, this, &CMainFrame::refreshCommandStates);
}

void CMainFrame::buildStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setSizeGripEnabled(true);
    // The pane widths are set in pixels for a small status-bar face; readouts
    // such as "0.000 m" must fit them.
    QFont face(QStringLiteral("Arial"));
    face.setPixelSize(11);
    bar->setFont(face);
    for (const StatusPane& pane : statusPanes()) {
        auto* label = new QLabel(bar);
        label->setObjectName(QStringLiteral("pane%1").arg(pane.id));
        switch (pane.role) {
            case PaneRole::Message:
                // Prompts of highlighted commands take this place while shown.
                label->setMinimumWidth(pane.width);
                bar->addWidget(label, 1);
                break;
            case PaneRole::Label:
                label->setText(qs(pane.caption));
                label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
                label->setFixedWidth(label->sizeHint().width());
                bar->addPermanentWidget(label);
                break;
            case PaneRole::Spacer:
                label->setText(qs(pane.caption));
                label->setFrameStyle(QFrame::NoFrame);
                label->setEnabled(false);
                label->setFixedWidth(pane.width);
                bar->addPermanentWidget(label);
                break;
            default:
                // Value panes start empty, whatever their resource caption says.
                label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
                label->setFixedWidth(pane.width);
                bar->addPermanentWidget(label);
                break;
        }
        panes_.push_back(label);
    }
    bar->show();
}

void CMainFrame::buildHotKeys() {
    for (const HotKeyBinding& binding : hotKeys()) {
        auto* action = new QAction(this);
        action->setData(binding.id);
        action->setShortcut(keySequence(binding.key));
        // The hot keys work in every window of the program, not only the frame.
        action->setShortcutContext(Qt::ApplicationShortcut);
        const int id = binding.id;
        connect(action, &QAction::triggered, this, [this, id] { executeCommand(id); });
        addAction(action);
        hotKeyActions_[id] = action;
    }
}

void CMainFrame::setCycle(AcquisitionCycle* cycle) {
    cycle_ = cycle;
    commands_->bind(cycle_);
    if (cycle_) cycle_->setObserver(this);
    timers_->setHandler([this](int id) {
        if (!cycle_) return;
        cycle_->onTimer(id);
        // An orientation read shows in the status bar even while no ping comes.
        if (id == kOrientationTimer) paced_.request(kRefreshStatus);
    });
    refreshCommandStates();
}

// ------------------------------------------------------------------ commands

CommandUiState CMainFrame::uiState() const {
    CommandUiState ui;
    ui.toolbarVisible = toolbar_ && toolbar_->isVisible();
    ui.geometryOverlayVisible = view_ && view_->geometryOverlayShown();
    ui.geometryChartVisible = geometryDock_ && geometryDock_->isVisible();
    ui.wallMapVisible = wallMapDock_ && wallMapDock_->isVisible();
    ui.pipe3DVisible = pipe3DDock_ && pipe3DDock_->isVisible();
    ui.diagnosticsVisible = doc_.display.diagnosticsVisible != 0;
    ui.controlPanelVisible = panel_ && panel_->isVisible();
    ui.miniBarVisible = settingsBar_ && settingsBar_->isVisible();
    ui.helpOpen = helpOpen_;
    ui.pipeReportRunning = pipeReportRunning_;
    ui.cloudExportRunning = cloudExportRunning_;
    ui.surveyObservationsVisible = surveyDock_ && surveyDock_->isVisible();
    ui.surveyRunning = surveyRunning_;
    if (view_) ui.view = view_->viewState().requests;
    return ui;
}

bool CMainFrame::commandEnabledNow(int id) {
    return commands_->enabledNow(id, uiState());
}

bool CMainFrame::executeCommand(int id) {
    if (!commands_->run(id, uiState())) return false;
    refreshCommandStates();
    emit commandExecuted(id);
    return true;
}

QAction* CMainFrame::commandAction(int id) const {
    const auto it = actions_.find(id);
    return it == actions_.end() ? nullptr : it->second;
}

QAction* CMainFrame::hotKeyAction(int id) const {
    const auto it = hotKeyActions_.find(id);
    return it == hotKeyActions_.end() ? nullptr : it->second;
}

QList<QAction*> CMainFrame::hotKeyActionList() const {
    QList<QAction*> list;
    for (const auto& [id, action] : hotKeyActions_) list.append(action);
    return list;
}

void CMainFrame::refreshCommandStates() {
    applyCommandUpdateRules(doc_, view_->viewState().requests);
    // The window's own close box may have hidden it since. One never shown yet
    // (at start it follows the main window) has not been closed.
    if (diagnostics_ && diagnostics_->testAttribute(Qt::WA_WState_ExplicitShowHide))
        doc_.display.diagnosticsVisible = diagnostics_->isVisible() ? 1 : 0;
    const CommandUiState ui = uiState();
    // A hot key of a command that cannot run now leaves the key to the window
    // that has the focus.
    for (auto& [id, action] : hotKeyActions_)
        action->setEnabled(commandBuilt(id) && commandEnabled(id, doc_, ui));
    for (auto& [id, action] : actions_) {
        const bool built = commandBuilt(id);
        action->setEnabled(built && commandEnabled(id, doc_, ui));
        if (action->isCheckable()) action->setChecked(commandChecked(id, doc_, ui));
        const std::string_view tip = commandToolTip(id);
        if (!built) {
            action->setToolTip(kNotAvailable);
        } else if (action->toolTip() == kNotAvailable) {
            QString toolTip = !tip.empty() ? qs(tip) : qs(commandPrompt(id));
            if (toolTip.isEmpty()) toolTip = action->text().remove(QLatin1Char('&'));
            action->setToolTip(toolTip);
        }
    }
}

void CMainFrame::movePointer(int dx, int dy) {
    QCursor::setPos(QCursor::pos() + QPoint(dx, dy));
}

void CMainFrame::openKeyIn(int kind) {
    if (doc_.flags.playbackActive || !keyIn_) return;
    keyIn_->open(kind);
}

void CMainFrame::saveScreen() {
    QtOperatorPort own(this);
    sondrel::saveScreen(*this, doc_, operator_ ? *operator_ : own);
}

void CMainFrame::toggleToolbar() {
    toolbar_->setVisible(!toolbar_->isVisible());
}

void CMainFrame::toggleGeometryOverlay() {
    view_->showGeometryOverlay(!view_->geometryOverlayShown());
}

void CMainFrame::toggleGeometryChart() {
    geometryDock_->setVisible(!geometryDock_->isVisible());
}

void CMainFrame::toggleWallMap() {
    wallMapDock_->setVisible(!wallMapDock_->isVisible());
}

void CMainFrame::togglePipe3DView() {
    // Made when first asked for: a 3D scene costs its start-up only if wanted.
    if (!pipe3DDock_) {
        pipe3DDock_ = new QDockWidget(tr("Pipe 3D View"), this);
        pipe3DDock_->setObjectName(QStringLiteral("Pipe3DViewDock"));
        pipe3D_ = new Pipe3DWindow(*pipeFeed_, pipe3DDock_);
        pipe3D_->setScale(pipeScale_);
        pipe3DDock_->setWidget(pipe3D_);
        addDockWidget(Qt::RightDockWidgetArea, pipe3DDock_);
        pipe3DDock_->hide();
        connect(pipe3DDock_, &QDockWidget::visibilityChanged, this, [this](bool visible) {
            refreshCommandStates();
            if (visible) readPipeViewsIfWanted();
        });
    }
    const bool show = !pipe3DDock_->isVisible();
    pipe3DDock_->setVisible(show);
    // A 3D view narrower than this shows little of the pipe. Asked for at
    // start, the window has its size only once the events run.
    if (show) {
        QTimer::singleShot(0, this, [this] {
            if (pipe3DDock_->isVisible())
                resizeDocks({pipe3DDock_}, {width() * 2 / 5}, Qt::Horizontal);
        });
    }
}

void CMainFrame::toggleControlPanel() {
    // The flag follows the panel, which playback or its close box may have hidden.
    const bool wasShown = panel_ && panel_->isVisible();
    doc_.display.settingsDlgVisible = wasShown ? 0 : 1;
    if (!panel_) return;
    if (!wasShown && !doc_.flags.playbackActive) {
        panel_->show();
        panel_->raise();
    } else {
        panel_->hide();
    }
    panel_->refresh();
}

void CMainFrame::toggleSettingsBar() {
    // The bar can be brought back as well as hidden: nothing else shows it.
    settingsBar_->setVisible(!settingsBar_->isVisible());
    settingsBar_->refresh();
}

void CMainFrame::askSoundVelocity() {
    runValueDialog(changeSoundVelocity);
}

void CMainFrame::askMinimumRange() {
    runValueDialog(changeMinimumRange);
}

void CMainFrame::askCircleDiameter() {
    changeCircleDiameter(doc_, this);
}

void CMainFrame::runValueDialog(bool (*dialog)(CSondrelDoc&, QWidget*)) {
    const ModalPause pause(*timers_, doc_, cycle_ ? &cycle_->orientation() : nullptr);
    if (dialog(doc_, this)) doc_.views().updateViews(ViewHint::Repaint);
}

void CMainFrame::showAbout() {
    const ModalPause pause(*timers_, doc_, cycle_ ? &cycle_->orientation() : nullptr);
    QDialog box(this);
    box.setWindowTitle(QStringLiteral("Sondrel..."));
    auto* picture = new QLabel(&box);
    QPixmap ring(64, 64);
    ring.fill(Qt::black);
    {
        QPainter p(&ring);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(QColor(150, 150, 0), 2));
        p.drawEllipse(QPointF(32, 32), 26, 26);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(250, 250, 250));
        for (int i = 0; i < 40; ++i) {
            const double a = 2.0 * std::numbers::pi * i / 40;
            const double r = 20 + 2 * std::sin(3 * a);
            p.drawEllipse(QPointF(32 + r * std::sin(a), 32 - r * std::cos(a)), 1.3, 1.3);
        }
    }
    picture->setPixmap(ring);
    auto* text = new QLabel(
        QStringLiteral("Sondrel Version %1\n\nPipe profiling sonar: live profile, recording, "
                       "playback and XYZ export.")
            .arg(QStringLiteral(SONDREL_VERSION)),
        &box);
    text->setWordWrap(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &box);
    connect(buttons, &QDialogButtonBox::accepted, &box, &QDialog::accept);
    auto* row = new QHBoxLayout;
    row->addWidget(picture, 0, Qt::AlignTop);
    row->addWidget(text, 1);
    auto* layout = new QVBoxLayout(&box);
    layout->addLayout(row);
    layout->addWidget(buttons);
    box.setObjectName(QStringLiteral("aboutBox"));
    box.exec();
}

// ------------------------------------------------------------------ status and title

QLabel* CMainFrame::statusPane(int index) const {
    return index >= 0 && index < statusPaneCount() ? panes_[static_cast<std::size_t>(index)]
                                                   : nullptr;
}

void CMainFrame::updateStatus() {
    ++statusUpdates_;
    const StatusPaneTexts texts = statusPaneTexts(doc_, view_->viewState().cursor);
    const auto panes = statusPanes();
    for (std::size_t i = 0; i < panes.size() && i < panes_.size(); ++i) {
        const std::string* text = paneText(texts, panes[i].role);
        if (!text) continue;
        QLabel* pane = panes_[i];
        pane->setText(QString::fromStdString(*text));
        // The message pane stretches with the window.
        if (panes[i].role == PaneRole::Message) continue;
        // The widths suit the readouts in the usual face; should a face be wider,
        // a pane grows rather than cut its readout short.
        const int needed = pane->fontMetrics().horizontalAdvance(pane->text()) +
                           2 * pane->frameWidth() + 2 * pane->margin() + 4;
        if (needed > pane->width() && needed > panes[i].width) pane->setFixedWidth(needed);
    }
}

void CMainFrame::refreshParts(unsigned parts) {
    if (parts & kRefreshView) view_->update();
    if (parts & kRefreshStatus) updateStatus();
    if (parts & kRefreshCommands) refreshCommandStates();
    if (parts & kRefreshPipeViews) refreshPipeViews();
}

void CMainFrame::restartPipeViews(const SliceSettings& settings) {
    // The views start afresh: a played file is read whole again.
    pipeFeed_->setSliceSettings(settings);
    refreshPipeViews();
    readPipeViewsIfWanted();
}

void CMainFrame::applyPipeGeometry(const GeometrySettings& geometry) {
    pipeScale_.rangeMm = geometry.wallMapRange;
    wallMapDock_->mapWidget()->setScale(pipeScale_);
    if (pipe3D_) pipe3D_->setScale(pipeScale_);
    SliceSettings settings = pipeFeed_->sliceSettings();
    if (settings.nominalDiameter == geometry.nominalDiameter) return;
    settings.nominalDiameter = geometry.nominalDiameter;
    restartPipeViews(settings);
}

void CMainFrame::refreshPipeViews() {
    if (wallMapDock_ && wallMapDock_->isVisible()) wallMapDock_->refresh();
    if (pipe3D_ && pipe3D_->isVisible()) pipe3D_->refresh();
}

bool CMainFrame::pipeViewShown() const {
    return (wallMapDock_ && wallMapDock_->isVisible()) || (pipe3DDock_ && pipe3DDock_->isVisible());
}

void CMainFrame::readPipeViewsIfWanted() {
    if (pipeViewsReader_ && pipeViewShown() && !pipeFeed_->playedFile().empty() &&
        !pipeFeed_->wholeFileRead())
        pipeViewsReader_();
}

void CMainFrame::setFrameTitle(TitleOccasion occasion) {
    showTitle(sondrel::windowTitle(doc_, occasion));
}

void CMainFrame::setFrameTitle(const std::string& title) {
    showTitle(shortenTitle(title, doc_.flags.recordingActive));
}

void CMainFrame::showTitle(std::string title) {
    title_ = std::move(title);
    setWindowTitle(literalTitle(title_));
}

// ------------------------------------------------------------------ document and cycle

void CMainFrame::refreshSettingsPanels() {
    if (settingsBar_) settingsBar_->refresh();
    if (panel_) panel_->refresh();
}

void CMainFrame::updateViews(ViewHint hint) {
    if (view_) view_->onDocumentUpdate(hint);
    if (geometryDock_) geometryDock_->documentUpdated();
    if (pipeFeed_) {
        const PipeViewFeed::Change change = pipeFeed_->documentUpdated();
        if (change != PipeViewFeed::Change::None) paced_.request(kRefreshPipeViews);
        if (change == PipeViewFeed::Change::NewSource) readPipeViewsIfWanted();
    }
}

void CMainFrame::refreshStatusBar() {
    paced_.request(kRefreshStatus);
}

void CMainFrame::refreshDiagnostics() {
    if (diagnostics_) diagnostics_->refreshDiagnostics();
}

void CMainFrame::resetDiagnostics() {
    if (diagnostics_) diagnostics_->resetDiagnostics();
}

void CMainFrame::hidePlaybackBar() {
    if (playbackBar_) playbackBar_->hide();
}

void CMainFrame::showToolbar() {
    if (toolbar_) toolbar_->show();
}

void CMainFrame::showSettingsPanel() {
    if (!panel_ || doc_.flags.playbackActive) return;
    panel_->refresh();
    panel_->show();
}

void CMainFrame::destroyModelessWindows() {
    if (panel_) {
        panel_->hide();
        panel_->deleteLater();
        panel_ = nullptr;
    }
    if (diagnostics_) diagnostics_->hide();
    if (keyIn_) {
        keyIn_->hide();
        keyIn_->deleteLater();
        keyIn_ = nullptr;
    }
}

void CMainFrame::linkStateChanged(LinkState /*linkState*/) {
    // A connect reloads the settings file after the panels were last refreshed.
    refreshSettingsPanels();
    // A dropped link shows with the next frame, not at the next watchdog's
    // ping: a recording under way is paused from now on.
    updateViews(ViewHint::Repaint);
    paced_.request(kRefreshStatus | kRefreshCommands);
}

void CMainFrame::pingProcessed(bool /*valid*/) {
    paced_.request(kRefreshStatus | kRefreshCommands);
}

// ------------------------------------------------------------------ window events

void CMainFrame::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    setFrameTitle(TitleOccasion::Resize);
}

void CMainFrame::closeWithoutQuestion() {
    closingWithoutQuestion_ = true;
    close();
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (!closed_ && !closingWithoutQuestion_ && closeQuestion_ && !closeQuestion_()) {
        event->ignore();
        return;
    }
    if (!closed_) {
        closed_ = true;
        if (shutdown_) shutdown_();
    }
    QMainWindow::closeEvent(event);
}

bool CMainFrame::openDataFile(const QString& path) {
    return dataFileOpener_ && dataFileOpener_(path);
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    if (dataFileOpener_ && event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.isEmpty() || !urls.front().isLocalFile()) return;
    if (openDataFile(urls.front().toLocalFile())) event->acceptProposedAction();
}

void CMainFrame::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    // The key-in window is a quick one-off: coming back to the frame dismisses it.
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && keyIn_ &&
        keyIn_->isVisible())
        keyIn_->hide();
}

}  // namespace sondrel
