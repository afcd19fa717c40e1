#include "app/SetupActions.h"

#include "acquisition/AcquisitionCycle.h"
#include "acquisition/SondrelDoc.h"
#include "app/ModalPause.h"
#include "common/OperatorPort.h"

namespace sondrel {

SetupActions::SetupActions(CommandDispatcher& commands, CSondrelDoc& doc, TimerHost& timers,
                           SetupWindows& windows, SetupPeers peers)
    : doc_(doc),
      timers_(timers),
      windows_(windows),
      peers_(std::move(peers)),
      binding_(commands, *this) {}

const OrientationInput* SetupActions::instrument() const {
    return peers_.cycle ? &peers_.cycle->orientation() : nullptr;
}

void SetupActions::warnSettingsNotSaved(const std::string& consequence) {
    if (peers_.op)
        peers_.op->showMessage(
            "The settings file " + peers_.settingsPath + " could not be written" + consequence,
            MessageKind::Warning);
}

void SetupActions::chooseHeadType(int sonarType) {
    if (doc_.head.sonarType == sonarType) return;
    doc_.head.sonarType = sonarType;
    if (peers_.saveSettings && !peers_.saveSettings(doc_)) warnSettingsNotSaved(".");
    if (doc_.flags.playbackActive == 0 && peers_.cycle) peers_.cycle->connectToHead();
}

void SetupActions::changeIpAddress() {
    if (!peers_.cycle) return;
    const std::optional<std::string> address = windows_.askIpAddress(doc_.link.ipAddress);
    if (!address) return;
    if (!peers_.cycle->changeIpAddress(*address) && peers_.op)
        peers_.op->showMessage(
            "The settings file could not be written. The new IP address is "
            "used until the program closes.",
            MessageKind::Warning);
}

void SetupActions::comPortSetup() {
    if (!peers_.cycle || !peers_.op || !peers_.probe) return;
    AcquisitionCycle& cycle = *peers_.cycle;
    const ModalPause pause(timers_, doc_, instrument());
    const ComPortMap names = ComPortMap::fromSettingsFile(peers_.settingsPath);
    const std::optional<ComPortChoices> choices = windows_.askComPorts(
        ComPortChoices::fromDocument(doc_), doc_.head.sonarType,
        listComPorts(names, peers_.probe, doc_.link.sonarComPort, doc_.link.prdComPort,
                     portsInUse(cycle), peers_.byIdFolder));
    if (!choices) return;

    const ComPortSetupResult result =
        applyComPortSetup(cycle, peers_.saveSettings, peers_.settingsPath, *choices);
    const ComPortMap now = ComPortMap::fromSettingsFile(peers_.settingsPath);
    const PortsInUse held = portsInUse(cycle);
    auto explain = [&](int number) {
        const std::string device = now.deviceFor(number);
        const PortState state = portStateHere(device, peers_.probe, now, held);
        peers_.op->showMessage(
            portProblemMessage(number, device,
                               state == PortState::Available ? PortState::Failed : state),
            MessageKind::Warning);
    };
    if (result.headReopened && !result.headOpen) explain(doc_.link.sonarComPort);
    if (doc_.link.prdEnable == 1 && !result.orientationOpened) explain(doc_.link.prdComPort);
    if (!result.settingsSaved || !result.mappingSaved)
        warnSettingsNotSaved(
            ": the new ports are used until the program ends, but will not be there at the next "
            "start.");
}

void SetupActions::chooseColour(Colour DisplaySettings::*colour) {
    if (!peers_.op) return;
    Colour& shown = doc_.display.*colour;
    if (const std::optional<Colour> chosen = peers_.op->chooseColour(shown)) shown = *chosen;
}

void SetupActions::toggleDiagnostics() {
    doc_.display.diagnosticsVisible = doc_.display.diagnosticsVisible ? 0 : 1;
    windows_.showDiagnostics(doc_.display.diagnosticsVisible != 0);
}

void SetupActions::showHotKeysHelp() {
    if (helpOpen_) return;
    const ModalPause pause(timers_, doc_, instrument());
    helpOpen_ = true;
    windows_.runHotKeysHelp();
    helpOpen_ = false;
}

void SetupActions::pipeGeometrySettings() {
    windows_.editPipeGeometrySettings();
}

}  // namespace sondrel
