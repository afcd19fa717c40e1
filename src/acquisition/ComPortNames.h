#pragma once
// Serial ports are known to the operator, the settings file and the COM port
// dialog by number, "COM1" to "COM256". On this system a number names a
// terminal device: COMn is /dev/ttyS<n-1> unless the settings file names
// another device for it in its own section,
//
//   [COM Ports]
//   COM3=/dev/ttyUSB0
//   COM4=/dev/pts/7
//
// so that USB adapters, symbolic links made by udev rules and pseudo-terminals
// can stand behind any number. A value without a leading '/' is a name under
// /dev ("COM3=ttyACM0"); an empty value keeps the default.

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sondrel {

class IniFile;

inline constexpr int kFirstComPort = 1;
inline constexpr int kLastComPort = 256;
inline constexpr const char* kComPortsSection = "COM Ports";

constexpr bool isValidComPort(int n) {
    return n >= kFirstComPort && n <= kLastComPort;
}

// "COM%d".
std::string comPortName(int n);
// The number of a "COM%d" text (letters in any case); empty when the text is
// not one. The number is not range-checked: the dialog reports that itself.
std::optional<int> parseComPortName(std::string_view text);

// /dev/ttyS<n-1>; empty outside 1..256.
std::string defaultComPortDevice(int n);

// Whether a device name is refused without being opened: it exists and is no
// character device (a file, a folder, a pipe). Opening such a name read-write
// could wake a pipe's reader or lead to writes into a file of the operator's.
bool isRefusedComDevice(const std::string& device);

class ComPortMap {
  public:
    // Every number at its default device.
    ComPortMap() = default;
    // The defaults with the overrides of the "COM Ports" section.
    static ComPortMap fromSettings(const IniFile& ini);
    // The same from a settings file; a missing or unreadable file gives the defaults.
    static ComPortMap fromSettingsFile(const std::string& path);

    // Empty device: back to the default. Numbers outside 1..256 are ignored.
    void setDevice(int n, std::string_view device);
    // The device of COMn; empty outside 1..256.
    std::string deviceFor(int n) const;
    // The numbers whose entry names a refused device, in order.
    std::vector<int> refusedPorts() const;

  private:
    std::map<int, std::string> overrides_;
};

// COM number to device, as the ports ask for it at every open.
using ComPortResolver = std::function<std::string(int)>;
// Reads the settings file at each call, so an edited "COM Ports" section takes
// effect at the next connect or port change, like every other setting.
ComPortResolver comPortResolverFor(std::string settingsPath);

}  // namespace sondrel
