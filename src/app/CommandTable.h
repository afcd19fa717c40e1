#pragma once
// The operator's commands, each described once: caption, prompt, toolbar place,
// hot key, the rules of its enabled state and check mark, and the port that
// carries out its action. The menus, the toolbar, the hot keys, the rules, the
// bindings and the hot-keys help are all read from these descriptors, so a new
// command is one entry. The places of commands in the menu (MenuLayout.h) and
// in the help list (HotKeysHelp.h) are layout, kept beside them. Nothing here
// knows about a window system.

#include <span>
#include <string_view>

#include "app/CommandIds.h"
#include "app/CommandPorts.h"
#include "display/ViewState.h"

namespace sondrel {

class CSondrelDoc;

// What only the windows know about themselves.
struct CommandUiState {
    bool toolbarVisible = true;
    bool diagnosticsVisible = false;
    bool controlPanelVisible = false;
    bool miniBarVisible = false;
    bool helpOpen = false;
    bool geometryOverlayVisible = false;
    bool geometryChartVisible = false;
    bool wallMapVisible = false;
    bool pipe3DVisible = false;
    bool pipeReportRunning = false;
    bool cloudExportRunning = false;
    bool surveyObservationsVisible = false;
    bool surveyRunning = false;  // a survey analysis under its progress window
    // The view's input modes, which the mode commands check.
    ViewRequests view;
};

// A rule of a command's state; commands sharing a rule over a range of ids tell
// themselves apart by the id.
using CommandRule = bool (*)(int id, const CSondrelDoc& doc, const CommandUiState& ui);

// The frame's hot keys: plain keys without modifiers, working in every window
// of the program.
enum class HotKey { None, F1, F3, F5, F6, Up, Down, Left, Right };

struct CommandDescriptor {
    int id = 0;
    // The menu item's caption with its & mnemonic; for a command without one,
    // the name its toolbar button shows.
    std::string_view caption;
    // The string resource: the status-bar prompt, and after a line break the
    // tool tip. Empty when the command has none.
    std::string_view text;
    CommandRule enabled = nullptr;  // always enabled without one
    CommandRule checked = nullptr;  // no check mark without one
    PortAction action;              // NotBuilt without one
    int toolbarPosition = 0;        // 1, 2, ... left to right; 0 without a button
    HotKey hotKey = HotKey::None;
    char viewKey = 0;  // a lower-case letter that sends it while the image has the focus
    // Its row of the hot-keys help: the name, and the description, whose further
    // lines go to rows of their own.
    std::string_view helpName;
    std::string_view helpText;
};

// Every command the program knows, in no particular order.
std::span<const CommandDescriptor> commandDescriptors();
// The descriptor of an id; nullptr for an id that is no command.
const CommandDescriptor* findCommand(int id);

// The caption of a command, empty for an id that is no command.
std::string_view commandCaption(int id);
// The string resource of a command; see CommandDescriptor::text.
std::string_view commandString(int id);
// The part shown in the status bar while the item is highlighted.
std::string_view commandPrompt(int id);
// The part after the line break, empty when there is none.
std::string_view commandToolTip(int id);

// The toolbar's buttons, left to right; there are no separators.
std::span<const int> toolbarCommands();
inline constexpr int kToolbarButtonWidth = 32;
inline constexpr int kToolbarButtonHeight = 29;

struct HotKeyBinding {
    HotKey key;
    int id;
};
std::span<const HotKeyBinding> hotKeys();
// The command a letter key sends while the image has the focus; 0 for none.
int commandForViewKey(char letter);

std::string_view hotKeyName(HotKey key);

}  // namespace sondrel
