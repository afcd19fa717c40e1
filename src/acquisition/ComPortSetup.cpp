#include "acquisition/ComPortSetup.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <system_error>

#include "acquisition/AcquisitionCycle.h"
#include "acquisition/SondrelDoc.h"
#include "common/IniFile.h"

namespace sondrel {

namespace fs = std::filesystem;

namespace {

// The device a path ends at, for telling two names of one adapter apart.
std::string resolved(const std::string& path) {
    std::error_code error;
    const fs::path target = fs::canonical(path, error);
    return error ? path : target.string();
}

// by-id name -> the device it stands for.
std::map<std::string, std::string> adapters(const std::string& byIdFolder) {
    std::map<std::string, std::string> found;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(byIdFolder, error)) {
        const std::string path = entry.path().string();
        const std::string target = resolved(path);
        if (target != path || entry.is_character_file(error))
            found[entry.path().filename().string()] = target;
    }
    return found;
}

std::string_view stateMark(const ComPortEntry& e) {
    if (e.newMapping && e.state == PortState::Available) return "(new)";
    switch (e.state) {
        case PortState::HeadPortHere:
        case PortState::OrientationPortHere:
            return "(in use here)";
        case PortState::Available:
            return "";
        case PortState::Missing:
            return "(not present)";
        case PortState::Busy:
            return "(busy)";
        case PortState::NoPermission:
            return "(no permission)";
        case PortState::NoHardware:
            return "(no hardware)";
        case PortState::NotATerminal:
            return "(not a serial port)";
        case PortState::Failed:
            return "(cannot be opened)";
    }
    return "";
}

}  // namespace

PortsInUse portsInUse(AcquisitionCycle& cycle) {
    const CSondrelDoc& doc = cycle.doc();
    const OrientationLink* orientation = cycle.orientation().link();
    PortsInUse held;
    // A serial head's link is up exactly while its port is open.
    if (doc.head.sonarType == kTypeP && doc.link.linkState == LinkState::Connected)
        held.head = doc.link.sonarComPort;
    if (orientation && orientation->isOpen()) held.orientation = doc.link.prdComPort;
    return held;
}

PortState portStateHere(const std::string& device, const PortProber& probe, const ComPortMap& map,
                        const PortsInUse& held) {
    const std::string target = resolved(device);
    if (held.head != 0 && resolved(map.deviceFor(held.head)) == target)
        return PortState::HeadPortHere;
    if (held.orientation != 0 && resolved(map.deviceFor(held.orientation)) == target)
        return PortState::OrientationPortHere;
    return probe(device);
}

std::string ComPortEntry::label() const {
    std::string text = comPortName(number) + "   " + device;
    if (!adapterName.empty() && device.find(adapterName) == std::string::npos)
        text += "   " + adapterName;
    const std::string_view mark = stateMark(*this);
    if (!mark.empty()) text += "   " + std::string(mark);
    return text;
}

std::vector<ComPortEntry> listComPorts(const ComPortMap& map, const PortProber& probe, int headPort,
                                       int orientationPort, const PortsInUse& held,
                                       const std::string& byIdFolder) {
    const std::map<std::string, std::string> byId = adapters(byIdFolder);
    std::map<std::string, std::string> nameOfDevice;  // resolved device -> by-id name
    for (const auto& [name, device] : byId) nameOfDevice[device] = name;

    std::vector<ComPortEntry> entries;
    std::vector<bool> usable(kLastComPort + 1, false);
    std::map<std::string, bool> adapterNamed;
    for (int n = kFirstComPort; n <= kLastComPort; ++n) {
        ComPortEntry e;
        e.number = n;
        e.device = map.deviceFor(n);
        const bool chosen = n == headPort || n == orientationPort;
        e.state = portStateHere(e.device, probe, map, held);
        const bool mapped = e.device != defaultComPortDevice(n);
        const std::string target = resolved(e.device);
        if (const auto it = nameOfDevice.find(target); it != nameOfDevice.end()) {
            e.adapterName = it->second;
            adapterNamed[it->second] = true;
        }
        usable[std::size_t(n)] = mapped || e.state == PortState::Available ||
                                 e.state == PortState::Busy || e.held() || chosen;
        if (e.state == PortState::Available || e.held() || chosen || mapped)
            entries.push_back(std::move(e));
    }

    // Adapters without a number, each under the lowest number still free.
    int next = kFirstComPort;
    for (const auto& [name, device] : byId) {
        if (adapterNamed.count(name)) continue;
        while (next <= kLastComPort && usable[std::size_t(next)]) ++next;
        if (next > kLastComPort) break;
        usable[std::size_t(next)] = true;
        ComPortEntry e;
        e.number = next;
        e.device = (fs::path(byIdFolder) / name).string();
        e.adapterName = name;
        e.state = portStateHere(e.device, probe, map, held);
        e.newMapping = true;
        entries.push_back(std::move(e));
    }
    std::ranges::sort(entries, {}, &ComPortEntry::number);
    return entries;
}

std::string portProblemMessage(int number, const std::string& device, PortState state) {
    const std::string port = comPortName(number) + " (" + device + ")";
    switch (state) {
        case PortState::Available:
            return {};
        case PortState::Missing:
            return port +
                   " does not exist. Plug the adapter in, or choose another port in COM Port "
                   "Setup.";
        case PortState::Busy:
            return port +
                   " is in use by another program. Close that program, or choose another "
                   "port in COM Port Setup.";
        case PortState::NoPermission:
            return port +
                   " may not be opened by this user. Add the user to the dialout group "
                   "(sudo adduser $USER dialout), then log out and in again.";
        case PortState::NoHardware:
            return port + " has no serial line behind it. Choose another port in COM Port Setup.";
        case PortState::NotATerminal:
            return port +
                   " is not a serial port. Correct the [COM Ports] section of the "
                   "settings file, or choose another port.";
        case PortState::Failed:
            return port + " could not be opened. Check the adapter and its cable.";
        case PortState::HeadPortHere:
            return port +
                   " is the sonar head's port in this program. Choose another port for the "
                   "orientation input in COM Port Setup.";
        case PortState::OrientationPortHere:
            return port +
                   " is the orientation input's port in this program. Choose another port for "
                   "the sonar head in COM Port Setup.";
    }
    return {};
}

// ------------------------------------------------------------------ the dialog's values

int baudIndexFor(int baud) {
    const auto it = std::ranges::find(kOrientationBauds, baud);
    return it == kOrientationBauds.end() ? 0 : int(it - kOrientationBauds.begin());
}

int baudForIndex(int index) {
    return kOrientationBauds[std::size_t(std::clamp(index, 0, int(kOrientationBauds.size()) - 1))];
}

ComPortChoices ComPortChoices::fromDocument(const CSondrelDoc& doc) {
    ComPortChoices c;
    c.headPort = doc.link.sonarComPort;
    c.orientationPort = doc.link.prdComPort;
    c.baudIndex = baudIndexFor(doc.link.prdBaud);
    c.sentenceType = doc.link.sentenceType;
    c.rtsEnable = doc.link.rtsEnable ? 1 : 0;
    c.orientationEnable = doc.link.prdEnable ? 1 : 0;
    return c;
}

void ComPortChoices::setSentenceType(int type) {
    sentenceType = type;
    if (type == kSentenceReach) baudIndex = 1;
}

ComPortControlStates comPortControlStates(const ComPortChoices& choices, int sonarType) {
    const bool orientation = choices.orientationEnable != 0;
    return {sonarType == kTypeP, orientation,
            orientation && choices.sentenceType != kSentenceReach};
}

ComPortSetupResult applyComPortSetup(AcquisitionCycle& cycle, const SettingsSaver& save,
                                     const std::string& settingsPath,
                                     const ComPortChoices& choices) {
    CSondrelDoc& doc = cycle.doc();
    ComPortSetupResult result;

    // An Ethernet head keeps its serial settings, new adapter included.
    const bool newHead = doc.head.sonarType == kTypeP && !choices.newHeadDevice.empty();
    if (newHead || !choices.newOrientationDevice.empty()) {
        IniFile ini;
        ini.load(settingsPath);
        if (newHead)
            ini.setValue(kComPortsSection, comPortName(choices.headPort), choices.newHeadDevice);
        if (!choices.newOrientationDevice.empty())
            ini.setValue(kComPortsSection, comPortName(choices.orientationPort),
                         choices.newOrientationDevice);
        result.mappingSaved = ini.save(settingsPath);
    }

    if (doc.head.sonarType == kTypeP) {
        doc.link.rtsEnable = choices.rtsEnable;
        // The same port is opened again when its head is not answering: the
        // operator's way of picking up a head that was unplugged and came back.
        if (choices.headPort != doc.link.sonarComPort || newHead || !doc.link.headAnswering) {
            doc.link.sonarComPort = choices.headPort;
            cycle.setPortsSuspended(true);
            doc.link.noNewData = 0;
            cycle.openSonarPort();  // closes the old port first, cancelling its I/O
            result.headReopened = true;
        }
    }
    result.headOpen = doc.link.linkState == LinkState::Connected;
    cycle.setPortsSuspended(false);

    cycle.orientation().closeOrientationPort();
    doc.link.prdEnable = choices.orientationEnable;
    doc.link.prdComPort = choices.orientationPort;
    doc.link.prdBaud = baudForIndex(choices.baudIndex);
    doc.link.sentenceType = choices.sentenceType;
    result.settingsSaved = save ? save(doc) : true;
    if (doc.link.prdEnable == 1)
        result.orientationOpened = cycle.orientation().openOrientationPort();
    return result;
}

}  // namespace sondrel
