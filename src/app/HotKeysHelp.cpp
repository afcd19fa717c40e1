#include "app/HotKeysHelp.h"

#include <array>
#include <string_view>

#include "app/CommandTable.h"

namespace sondrel {

namespace {

// The help list's layout: which commands it describes, in which groups. The
// names, keys and descriptions come from the commands themselves.
struct HelpLine {
    enum Kind { Command, Fixed, Blank, Separator };
    Kind kind;
    int id = 0;
    std::string_view command, description;  // Fixed rows only
};

constexpr HelpLine helpCommand(int id) {
    return {HelpLine::Command, id, {}, {}};
}
constexpr HelpLine helpFixed(std::string_view command, std::string_view description) {
    return {HelpLine::Fixed, 0, command, description};
}
constexpr HelpLine kHelpBlank{HelpLine::Blank, 0, {}, {}};
constexpr HelpLine kHelpSeparator{HelpLine::Separator, 0, {}, {}};

constexpr auto kHelpLayout = std::to_array<HelpLine>({
    helpFixed("Default Sonar COM Port:", "COM1 (115200, N, 8, 1)"),
    helpFixed("Default Orientation Input COM Port:", "COM3 (38400, N, 8, 1)"),
    kHelpBlank,
    kHelpSeparator,
    helpCommand(kCmdHelp),
    helpCommand(kCmdDiagnostics),
    helpCommand(kCmdCircleDiameterUp),
    helpCommand(kCmdCircleDiameterDown),
    kHelpBlank,
    kHelpSeparator,
    helpCommand(kCmdHold),
    helpCommand(kCmdCaptureFrame),
    kHelpBlank,
    kHelpSeparator,
    helpCommand(kCmdKeyInRange),
    kHelpBlank,
    helpCommand(kCmdKeyInGain),
    kHelpBlank,
    kHelpBlank,
    kHelpSeparator,
    helpCommand(kCmdArrowUp),
    helpCommand(kCmdArrowDown),
    helpCommand(kCmdArrowRight),
    helpCommand(kCmdArrowLeft),
    kHelpBlank,
    kHelpSeparator,
    helpFixed("Mouse LButton Drag", "Move Sonar Image"),
});

constexpr std::string_view kHelpSeparatorText = "------------------------------";

}  // namespace

std::vector<HotKeyHelpRow> hotKeyHelpRows() {
    std::vector<HotKeyHelpRow> rows;
    for (const HelpLine& line : kHelpLayout) {
        switch (line.kind) {
            case HelpLine::Blank:
                rows.push_back({});
                break;
            case HelpLine::Separator:
                rows.push_back({{}, {}, std::string(kHelpSeparatorText)});
                break;
            case HelpLine::Fixed:
                rows.push_back({std::string(line.command), {}, std::string(line.description)});
                break;
            case HelpLine::Command: {
                const CommandDescriptor& c = *findCommand(line.id);
                const std::string key =
                    c.viewKey ? std::string(1, c.viewKey) : std::string(hotKeyName(c.hotKey));
                // Each further line of the description has a row of its own.
                std::string_view text = c.helpText;
                std::string name(c.helpName);
                std::string keyCell = key;
                for (;;) {
                    const auto lineBreak = text.find('\n');
                    rows.push_back({name, keyCell, std::string(text.substr(0, lineBreak))});
                    if (lineBreak == std::string_view::npos) break;
                    text.remove_prefix(lineBreak + 1);
                    name.clear();
                    keyCell.clear();
                }
                break;
            }
        }
    }
    return rows;
}

}  // namespace sondrel
