#pragma once
// The operator's commands, each described once: caption, prompt, toolbar place,
// hot key, the rules of its enabled state and check mark, and who gives it its
// effect. The menus, the toolbar, the hot keys, the rules, the handlers and the
// hot-keys help are all read from these descriptors, so a new command is one
// entry. Only the places of commands in the menu and in the help list are
// layout, kept as lists of ids beside the descriptors. Nothing here knows about
// a window system.

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/CommandIds.h"

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
    bool pipeReportRunning = false;
};

// A rule of a command's state; commands sharing a rule over a range of ids tell
// themselves apart by the id.
using CommandRule = bool (*)(int id, const CSondrelDoc& doc, const CommandUiState& ui);
// The document's own effect of a command: false when the document declines it
// (an arrow key outside circle-move mode).
using DocumentAction = bool (*)(int id, CSondrelDoc& doc);

// Who gives a command its effect. The window binds every command to exactly one
// handler of the kind named here, and to none when it is NotBuilt.
enum class CommandBinding {
    Document,  // the descriptor's own action
    Frame,     // the main window (pointer, toolbar, its own dialogs)
    Cycle,     // the acquisition cycle, once the window is given it
    Files,     // recording, playback and conversion
    Setup,     // the setup and information windows: ports, head type, colours, diagnostics, help
    NotBuilt,  // shown but disabled: its effect is not part of the program yet
};

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
    CommandBinding binding = CommandBinding::NotBuilt;
    DocumentAction action = nullptr;  // with Document; also the document's part of a Frame command
    int toolbarPosition = 0;          // 1, 2, ... left to right; 0 without a button
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

struct MenuEntry {
    enum Kind { Item, Separator, PopupBegin, PopupEnd };
    Kind kind;
    int id;                    // the command of an Item; 0 otherwise
    std::string_view caption;  // the caption of a PopupBegin; items take their command's
};

// The menu of the document window, top to bottom: every top-level menu and
// every pop-up is bracketed by PopupBegin (carrying its caption) and PopupEnd.
std::span<const MenuEntry> documentMenu();

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

// The rows of the hot-keys help list: command, key, description. A separator
// row has only its hyphens in the description.
struct HotKeyHelpRow {
    std::string command;
    std::string key;
    std::string description;
};
std::vector<HotKeyHelpRow> hotKeyHelpRows();
std::string_view hotKeyName(HotKey key);

enum class PaneRole {
    Message,
    Label,
    Spacer,
    Pitch,
    Roll,
    Distance,
    CursorHorizontal,
    CursorVertical,
    CursorRange,
    CursorBearing,
    PingTime,
};
struct StatusPane {
    int id;                    // the string resource of the initial caption
    std::string_view caption;  // shown until the first status update
    PaneRole role;
    int width;  // pixels; kFitText for labels
};
inline constexpr int kFitText = -1;
// The 23 panes of the status bar, left to right.
std::span<const StatusPane> statusPanes();

}  // namespace sondrel
