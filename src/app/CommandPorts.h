#pragma once
// The ports through which the operator's commands take effect. Each command's
// descriptor names the port its action belongs to; the program binds every
// port once, to the object that carries it out, and a command whose port is
// not bound stays shown but disabled. The windows are one of these ports: the
// core asks them for what only a window can do (a dialog, the mouse pointer,
// a bar shown or hidden) and never includes one.

#include "common/Colour.h"
#include "common/DisplaySettings.h"

namespace sondrel {

class AcquisitionCycle;
class CSondrelDoc;
struct ViewRequests;

enum class CommandPort {
    Document,  // the document and the view's requests: always there
    Cycle,     // the acquisition cycle: connect, hold
    Files,     // recording, playback, capture, conversion, reports
    Setup,     // the head's type and address, the ports, colours, diagnostics, help
    Windows,   // the main window: its dialogs, bars, docks and the mouse pointer
    Survey,    // the survey of one recording: header, observations, coded file, calibration
    NotBuilt,  // shown but disabled: its effect is not part of the program yet
};

class FilePort {
  public:
    virtual ~FilePort() = default;
    virtual void openPlayback() = 0;
    virtual void startStopRecording() = 0;
    virtual void setRecordDirectory() = 0;
    virtual void toggleAutoFileNames() = 0;
    virtual void captureFrame() = 0;
    virtual void toggleRealTimePlaySpeed() = 0;
    virtual void toggleOneFrameMode() = 0;
    virtual void convertToXyz() = 0;
    virtual void writePipeReport() = 0;
    virtual void exportPointCloud() = 0;
};

class SetupPort {
  public:
    virtual ~SetupPort() = default;
    virtual void chooseHeadType(int sonarType) = 0;
    virtual void changeIpAddress() = 0;
    virtual void comPortSetup() = 0;
    virtual void chooseColour(Colour DisplaySettings::*colour) = 0;
    virtual void toggleDiagnostics() = 0;
    virtual void showHotKeysHelp() = 0;
    virtual void pipeGeometrySettings() = 0;
};

class SurveyPort {
  public:
    virtual ~SurveyPort() = default;
    virtual void editSurveyHeader() = 0;
    virtual void toggleSurveyObservations() = 0;
    virtual void exportCodedFile() = 0;
    virtual void calibrateDiameter() = 0;
    virtual void surveyThresholds() = 0;
    virtual void surveyLimits() = 0;
};

class WindowPort {
  public:
    virtual ~WindowPort() = default;
    virtual void closeProgram() = 0;
    virtual void showAbout() = 0;
    virtual void saveScreen() = 0;
    virtual void toggleToolbar() = 0;
    virtual void toggleGeometryOverlay() = 0;
    virtual void toggleGeometryChart() = 0;
    virtual void toggleWallMap() = 0;
    virtual void togglePipe3DView() = 0;
    virtual void toggleControlPanel() = 0;
    virtual void toggleSettingsBar() = 0;
    virtual void openKeyIn(int kind) = 0;
    virtual void movePointer(int dx, int dy) = 0;
    virtual void askSoundVelocity() = 0;
    virtual void askMinimumRange() = 0;
    virtual void askCircleDiameter() = 0;
};

// Whatever a command may act on; a port not bound is null.
struct CommandPorts {
    CSondrelDoc& doc;
    ViewRequests& view;
    AcquisitionCycle* cycle = nullptr;
    FilePort* files = nullptr;
    SetupPort* setup = nullptr;
    WindowPort* windows = nullptr;
    SurveyPort* survey = nullptr;
};

using CommandAction = void (*)(int id, CommandPorts& ports);

// A command's action with the port it needs: run only while that port is bound.
struct PortAction {
    CommandPort port = CommandPort::NotBuilt;
    CommandAction run = nullptr;
};

constexpr PortAction onDocument(CommandAction action) {
    return {CommandPort::Document, action};
}

// One operation of a port, with the arguments the descriptor gives it.
template <auto Port, auto Operation, auto... Arguments>
void callPort(int, CommandPorts& ports) {
    ((ports.*Port)->*Operation)(Arguments...);
}
template <auto Operation, auto... Arguments>
inline constexpr PortAction onCycle{CommandPort::Cycle,
                                    &callPort<&CommandPorts::cycle, Operation, Arguments...>};
template <auto Operation, auto... Arguments>
inline constexpr PortAction onFiles{CommandPort::Files,
                                    &callPort<&CommandPorts::files, Operation, Arguments...>};
template <auto Operation, auto... Arguments>
inline constexpr PortAction onSetup{CommandPort::Setup,
                                    &callPort<&CommandPorts::setup, Operation, Arguments...>};
template <auto Operation, auto... Arguments>
inline constexpr PortAction onSurvey{CommandPort::Survey,
                                     &callPort<&CommandPorts::survey, Operation, Arguments...>};
template <auto Operation, auto... Arguments>
inline constexpr PortAction onWindows{CommandPort::Windows,
                                      &callPort<&CommandPorts::windows, Operation, Arguments...>};

}  // namespace sondrel
