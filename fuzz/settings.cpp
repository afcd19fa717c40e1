// The settings file: any text loaded as Sondrel.INI at a connect.
//
// Checks: the command the loaded settings make (after the panels' rules and
// the per-poll preparation) holds no framing byte inside; and reading, saving
// and reading again gives the same file and the same command, so a setting
// never drifts from one run to the next.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "FuzzChecks.h"
#include "common/IniFile.h"
#include "recording/SettingsFile.h"

namespace {

using namespace sondrel;

CommandBuffer commandAfterLoading(CSondrelDoc& doc, const IniFile& ini, int headStatusLow,
                                  int autoFrequency) {
    loadSettings(doc, ini);
    doc.head.autoFrequency = autoFrequency;
    doc.applyPanelRules();
    doc.ping.headStatusLow = headStatusLow;
    doc.prepareCommandForPoll();
    return doc.head.command;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    // The first byte plays the head's last status and the automatic frequency
    // switch, which the file does not hold but the command depends on.
    const int headStatusLow = data[0] & 3;
    const int autoFrequency = (data[0] >> 2) & 1;
    IniFile ini;
    ini.parse(std::string_view(reinterpret_cast<const char*>(data + 1), size - 1));

    auto first = std::make_unique<CSondrelDoc>();
    const CommandBuffer command = commandAfterLoading(*first, ini, headStatusLow, autoFrequency);
    fuzz::checkSendable(command, "after loading the settings");

    IniFile saved;
    saveSettings(*first, saved);
    auto second = std::make_unique<CSondrelDoc>();
    const CommandBuffer again = commandAfterLoading(*second, saved, headStatusLow, autoFrequency);
    IniFile savedAgain;
    saveSettings(*second, savedAgain);
    fuzz::check(savedAgain.text() == saved.text(), "the settings drift by one save",
                savedAgain.text());
    fuzz::check(again == command, "the command drifts by one save");
    return 0;
}
