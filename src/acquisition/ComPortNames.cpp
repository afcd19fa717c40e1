#include "acquisition/ComPortNames.h"

#include <cctype>
#include <filesystem>
#include <system_error>

#include "common/IniFile.h"

namespace sondrel {

std::string comPortName(int n) {
    return "COM" + std::to_string(n);
}

std::optional<int> parseComPortName(std::string_view text) {
    if (text.size() < 4 || text.size() > 12) return std::nullopt;
    for (std::size_t i = 0; i < 3; ++i) {
        if (std::toupper(static_cast<unsigned char>(text[i])) != "COM"[i]) return std::nullopt;
    }
    int n = 0;
    for (std::size_t i = 3; i < text.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(text[i]))) return std::nullopt;
        n = n * 10 + (text[i] - '0');  // at most 9 digits: no overflow
    }
    return n;
}

std::string defaultComPortDevice(int n) {
    if (!isValidComPort(n)) return {};
    return "/dev/ttyS" + std::to_string(n - 1);
}

bool isRefusedComDevice(const std::string& device) {
    std::error_code ec;
    const auto status = std::filesystem::status(device, ec);
    return !ec && std::filesystem::exists(status) && !std::filesystem::is_character_file(status);
}

ComPortMap ComPortMap::fromSettings(const IniFile& ini) {
    ComPortMap map;
    for (int n = kFirstComPort; n <= kLastComPort; ++n) {
        if (auto device = ini.value(kComPortsSection, comPortName(n))) map.setDevice(n, *device);
    }
    return map;
}

ComPortMap ComPortMap::fromSettingsFile(const std::string& path) {
    IniFile ini;
    if (ini.load(path) != IniFile::LoadResult::Loaded) return {};
    return fromSettings(ini);
}

void ComPortMap::setDevice(int n, std::string_view device) {
    if (!isValidComPort(n)) return;
    while (!device.empty() && std::isspace(static_cast<unsigned char>(device.front())))
        device.remove_prefix(1);
    while (!device.empty() && std::isspace(static_cast<unsigned char>(device.back())))
        device.remove_suffix(1);
    if (device.empty()) {
        overrides_.erase(n);
    } else if (device.front() == '/') {
        overrides_[n] = std::string(device);
    } else {
        overrides_[n] = "/dev/" + std::string(device);
    }
}

std::string ComPortMap::deviceFor(int n) const {
    if (!isValidComPort(n)) return {};
    if (auto it = overrides_.find(n); it != overrides_.end()) return it->second;
    return defaultComPortDevice(n);
}

std::vector<int> ComPortMap::refusedPorts() const {
    std::vector<int> refused;
    for (const auto& [n, device] : overrides_) {
        if (isRefusedComDevice(device)) refused.push_back(n);
    }
    return refused;
}

ComPortResolver comPortResolverFor(std::string settingsPath) {
    return [path = std::move(settingsPath)](int n) {
        return ComPortMap::fromSettingsFile(path).deviceFor(n);
    };
}

}  // namespace sondrel
