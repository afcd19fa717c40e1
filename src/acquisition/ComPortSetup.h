#pragma once
// The COM port setup: which ports the dialog offers and how it marks them, the
// dialog's values and the rule of its enabled controls, the messages for a
// port that will not open, and what OK does to the document and the ports.
// The dialog itself only shows these.
//
// A USB serial adapter has no COM number of its own on this system. Adapters
// that no number names yet are offered under the lowest free number; choosing
// one and pressing OK writes that number into the settings file's "COM Ports"
// section (as the adapter's stable /dev/serial/by-id name), so it is found
// again at every connect.

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "acquisition/ComPortNames.h"

namespace sondrel {

class AcquisitionCycle;
class CSondrelDoc;

// What trying a device found out.
enum class PortState {
    Available,
    Missing,       // no such file
    Busy,          // held by another program (or by us)
    NoPermission,  // the user may not open it
    NoHardware,    // a terminal node without a line behind it
    NotATerminal,
    Failed,
    // Held open by this program, so never tried: the head's port, the
    // orientation input's port.
    HeadPortHere,
    OrientationPortHere,
};
using PortProber = std::function<PortState(const std::string& device)>;

inline constexpr const char* kSerialByIdFolder = "/dev/serial/by-id";

// The serial ports this program holds open now, by number; 0 for none (an
// Ethernet head, a port that did not open, an orientation input switched off).
struct PortsInUse {
    int head = 0;
    int orientation = 0;
};
PortsInUse portsInUse(AcquisitionCycle& cycle);

// What a device is to the dialog and its messages: a device this program holds
// (under any of its names) is the head's or the orientation input's; any other
// is what probing it finds.
PortState portStateHere(const std::string& device, const PortProber& probe, const ComPortMap& map,
                        const PortsInUse& held);

struct ComPortEntry {
    int number = 0;
    std::string device;       // what COM<number> opens
    std::string adapterName;  // the adapter's by-id name, where the system gives one
    PortState state = PortState::Missing;
    bool newMapping = false;  // an adapter offered under a free number

    bool held() const {
        return state == PortState::HeadPortHere || state == PortState::OrientationPortHere;
    }

    // "COM3   /dev/ttyUSB0   usb-FTDI_...   (not present)": the number first,
    // as the dialog reads it back.
    std::string label() const;
};

// The ports the dialog lists, by number: every one that opens now, the two
// ports chosen in the settings (whatever their state), every number the "COM
// Ports" section names (marked as they are), and every adapter under byIdFolder
// that no number names yet, under the lowest number whose default device is
// not a usable port. Only the ports in `held` are marked as this program's.
std::vector<ComPortEntry> listComPorts(const ComPortMap& map, const PortProber& probe, int headPort,
                                       int orientationPort, const PortsInUse& held,
                                       const std::string& byIdFolder = kSerialByIdFolder);

// The message for a port that did not open, naming the device and the remedy;
// empty for Available.
std::string portProblemMessage(int number, const std::string& device, PortState state);

// ------------------------------------------------------------------ the dialog's values

inline constexpr std::array<int, 6> kOrientationBauds = {4800, 9600, 19200, 38400, 57600, 115200};
// 4800 for a rate the list does not hold.
int baudIndexFor(int baud);
int baudForIndex(int index);

inline constexpr std::string_view kComPortOutOfRange =
    "COM Port number is out of range (COM1 - COM256)";

struct ComPortChoices {
    int headPort = 1;
    int orientationPort = 3;
    int baudIndex = 0;
    int sentenceType = 0;
    int rtsEnable = 0;
    int orientationEnable = 0;
    // An adapter chosen under a new number: its device, for the "COM Ports" section.
    std::string newHeadDevice, newOrientationDevice;

    static ComPortChoices fromDocument(const CSondrelDoc& doc);
    // The sentence buttons; Reach Systems instruments talk at 9600 only.
    void setSentenceType(int type);
};

struct ComPortControlStates {
    bool headControls;         // head port list and the RTS pair
    bool orientationControls;  // orientation port list and the sentence buttons
    bool baudList;
};
ComPortControlStates comPortControlStates(const ComPortChoices& choices, int sonarType);

// What OK did, for the messages the caller gives.
struct ComPortSetupResult {
    bool headReopened = false;
    bool headOpen = false;
    bool orientationOpened = false;
    bool settingsSaved = true;
    bool mappingSaved = true;
};

// Saves the settings file; false when it could not be written.
using SettingsSaver = std::function<bool(CSondrelDoc&)>;

// OK: writes the numbers of newly chosen adapters into the settings file first
// (the ports look their devices up there as they open), then applies the
// choices in the order the head and the instrument need (the head port reopened
// only when its number changed, the orientation port closed with its closing
// bytes, the settings saved, the orientation port reopened when enabled).
ComPortSetupResult applyComPortSetup(AcquisitionCycle& cycle, const SettingsSaver& save,
                                     const std::string& settingsPath,
                                     const ComPortChoices& choices);

}  // namespace sondrel
