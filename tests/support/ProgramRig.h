#pragma once
// The main window put together as the application does, on the offscreen
// platform: the frame, the cycle (without links), the recorder, the player, the
// conversion, the file and setup commands and their windows, with every dialog
// scripted.

#include <QApplication>
#include <QCoreApplication>
#include <QDialog>
#include <QElapsedTimer>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "acquisition/AcquisitionCycle.h"
#include "acquisition/qt/SerialDevice.h"
#include "app/FileActions.h"
#include "app/SetupActions.h"
#include "app/SurveyActions.h"
#include "app/qt/CMainFrame.h"
#include "app/qt/FileCommands.h"
#include "app/qt/PlaybackBarWidget.h"
#include "app/qt/QtFileWindows.h"
#include "app/qt/SetupCommands.h"
#include "app/qt/SurveyCommands.h"
#include "recording/Player.h"
#include "recording/Recorder.h"
#include "recording/XyzConversion.h"
#include "support/CycleFakes.h"
#include "support/Operators.h"
#include "support/TempFolder.h"

namespace sondrel::testing {

// Lets the event loop run until the condition holds; the limit only keeps a
// broken build from hanging the suite.
inline bool runUntil(const std::function<bool()>& condition, int limitMs = 20000) {
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > limitMs) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

struct ProgramUnderTest {
    CSondrelDoc doc;
    SystemClock clock;
    ScriptedOperator op;
    FakeSettingsStore settings;
    test::TempFolder folder;
    std::unique_ptr<CMainFrame> frame;
    std::unique_ptr<AcquisitionCycle> cycle;
    std::unique_ptr<QtFileWindows> windows;
    std::unique_ptr<Recorder> recorder;
    std::unique_ptr<XyzConversion> conversion;
    std::unique_ptr<Player> player;
    std::unique_ptr<FileCommands> files;
    std::unique_ptr<SetupCommands> setup;
    std::unique_ptr<FileActions> fileActions;
    std::unique_ptr<SetupActions> setupActions;
    std::unique_ptr<SurveyCommands> survey;
    std::unique_ptr<SurveyActions> surveyActions;
    // What the scripted dialogs are told to answer, and the dialogs seen.
    std::function<int(QDialog&)> dialogScript;
    std::vector<QString> dialogsShown;

    ProgramUnderTest() {
        doc.files.writeDirectory = folder.path() + "/";
        doc.files.readDirectory = folder.path() + "/";
        doc.files.playbackIntervalMs = 1000;
        frame = std::make_unique<CMainFrame>(doc);
        cycle = std::make_unique<AcquisitionCycle>(doc, frame->timerHost(), clock);
        cycle->setSettingsStore(&settings);
        frame->setCycle(cycle.get());
        frame->setOperatorPort(&op);
        // Put together as the application does.
        windows = std::make_unique<QtFileWindows>(*frame);
        recorder = std::make_unique<Recorder>(doc, op, *windows, cycle.get());
        conversion = std::make_unique<XyzConversion>(doc, op);
        player = std::make_unique<Player>(doc, frame->timerHost(), op, *windows, *recorder,
                                          PlayerPeers{.cycle = cycle.get(), .settings = &settings});
        cycle->setRecorder(recorder.get());
        cycle->setPlayback(player.get());
        files = std::make_unique<FileCommands>(*frame, doc, windows->playbackBar(), *recorder,
                                               *player, *conversion);
        SetupPeers peers;
        peers.cycle = cycle.get();
        peers.op = &op;
        peers.saveSettings = [this](CSondrelDoc& d) {
            settings.save(d);
            return true;
        };
        peers.settingsPath = folder.file("Sondrel.INI");
        // No port of this machine is tried; the tests' own devices are.
        peers.probe = [](const std::string& device) {
            return device.rfind("/dev/ttyS", 0) == 0 ? PortState::Missing
                                                     : probeSerialDevice(device);
        };
        peers.byIdFolder = folder.file("by-id");
        setup = std::make_unique<SetupCommands>(*frame, doc, peers);
        fileActions = std::make_unique<FileActions>(frame->commands(), doc, *recorder, *player,
                                                    *conversion, *files);
        setupActions = std::make_unique<SetupActions>(frame->commands(), doc, frame->timerHost(),
                                                      *setup, std::move(peers));
        survey = std::make_unique<SurveyCommands>(*frame, doc, *player);
        SurveyPeers surveyPeers;
        surveyPeers.op = &op;
        surveyPeers.settingsPath = folder.file("Sondrel.INI");
        surveyPeers.playing = [this] {
            return doc.flags.playbackActive ? doc.files.playbackPath : std::string();
        };
        surveyPeers.recording = [this] { return recorder->filePath(); };
        surveyActions = std::make_unique<SurveyActions>(frame->commands(), doc, *survey,
                                                        std::move(surveyPeers));
        survey->setActions(surveyActions.get());
        files->setSurveyFor(
            [this](const std::string& recording) { return surveyActions->inputsFor(recording); });
        fileActions->setRecordingListener([this](const std::string& started) {
            if (started.empty())
                surveyActions->recordingStopped();
            else
                surveyActions->recordingStarted(started);
        });
        const auto script = [this](QDialog& dialog) {
            dialogsShown.push_back(dialog.windowTitle());
            return dialogScript ? dialogScript(dialog) : int(QDialog::Rejected);
        };
        setup->setDialogRunner(script);
        survey->setDialogRunner(script);
        frame->resize(900, 700);
        frame->show();
        QApplication::setActiveWindow(frame.get());
    }
    ~ProgramUnderTest() {
        frame->timerHost().killTimer(kPollTimer);
        cycle->shutdown();
    }

    PlaybackBarWidget& bar() { return windows->playbackBar(); }
    bool run(int id) { return frame->executeCommand(id); }
    // Whether the command would run now (not every command has a menu item).
    bool enabled(int id) { return frame->commandEnabledNow(id); }
    bool checked(int id) {
        frame->refreshCommandStates();
        return frame->commandAction(id) && frame->commandAction(id)->isChecked();
    }
};

}  // namespace sondrel::testing
