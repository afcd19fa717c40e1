#pragma once
// The setup and information commands: the head's type and IP address, the COM
// ports, the six colour choosers, the diagnostics window, the hot-keys help and
// the pipe geometry settings. What they decide is here; the windows they open
// are the program's (SetupWindows).

#include <optional>
#include <string>
#include <vector>

#include "acquisition/ComPortSetup.h"
#include "app/CommandDispatcher.h"
#include "app/CommandPorts.h"

namespace sondrel {

class AcquisitionCycle;
class CSondrelDoc;
class OperatorPort;
class OrientationInput;
class TimerHost;

// What the setup commands work with besides the document.
struct SetupPeers {
    AcquisitionCycle* cycle = nullptr;
    OperatorPort* op = nullptr;
    SettingsSaver saveSettings;  // the settings file of the run
    std::string settingsPath;
    PortProber probe;  // how a device is tried, for the port list
    std::string byIdFolder = kSerialByIdFolder;
};

// The windows the setup commands open.
class SetupWindows {
  public:
    virtual ~SetupWindows() = default;
    // The COM port dialog on the ports listed; the operator's choices, or
    // nothing when cancelled.
    virtual std::optional<ComPortChoices> askComPorts(const ComPortChoices& current, int sonarType,
                                                      std::vector<ComPortEntry> ports) = 0;
    virtual std::optional<std::string> askIpAddress(const std::string& current) = 0;
    virtual void showDiagnostics(bool shown) = 0;
    // Returns when the operator has closed it.
    virtual void runHotKeysHelp() = 0;
    virtual void editPipeGeometrySettings() = 0;
};

class SetupActions : public SetupPort {
  public:
    // Binds the setup port of commands for as long as it lives.
    SetupActions(CommandDispatcher& commands, CSondrelDoc& doc, TimerHost& timers,
                 SetupWindows& windows, SetupPeers peers);

    // The same type again changes nothing; another is saved, and connected to
    // at once in real time.
    void chooseHeadType(int sonarType) override;
    // In real time the new address is saved and connected to at once.
    void changeIpAddress() override;
    // Whatever did not work after OK is said once, naming the device and what
    // to do about it.
    void comPortSetup() override;
    void chooseColour(Colour DisplaySettings::*colour) override;
    void toggleDiagnostics() override;
    // One help window at a time.
    void showHotKeysHelp() override;
    void pipeGeometrySettings() override;

  private:
    const OrientationInput* instrument() const;
    void warnSettingsNotSaved(const std::string& consequence);

    CSondrelDoc& doc_;
    TimerHost& timers_;
    SetupWindows& windows_;
    SetupPeers peers_;
    bool helpOpen_ = false;
    PortBinding<SetupPort> binding_;
};

}  // namespace sondrel
