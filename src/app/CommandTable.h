#pragma once
// The fixed tables of the main window: the document menu, the status-bar
// prompts of the commands, the toolbar buttons, the hot keys and the status
// bar panes. The window builds itself from these; nothing here knows about a
// window system.

#include <span>
#include <string_view>

#include "app/CommandIds.h"

namespace sondrel {

struct MenuEntry {
    enum Kind { Item, Separator, PopupBegin, PopupEnd };
    Kind kind;
    int id;                    // 0 for separators and pop-ups
    std::string_view caption;  // with its & mnemonic; empty for separators and ends
};

// The menu of the document window, top to bottom: every top-level menu and
// every pop-up is bracketed by PopupBegin (carrying its caption) and PopupEnd.
std::span<const MenuEntry> documentMenu();

// The string resource of a command: the status-bar prompt, and after a line
// break the tool tip. Empty when the command has none.
std::string_view commandString(int id);
// The part shown in the status bar while the item is highlighted.
std::string_view commandPrompt(int id);
// The part after the line break, empty when there is none.
std::string_view commandToolTip(int id);

// The toolbar's buttons, left to right; there are no separators.
std::span<const int> toolbarCommands();
inline constexpr int kToolbarButtonWidth = 32;
inline constexpr int kToolbarButtonHeight = 29;

enum class HotKey { F1, F3, F5, F6, Up, Down, Left, Right };
struct HotKeyBinding {
    HotKey key;
    int id;
};
// The frame's hot keys: plain keys without modifiers, working in every window
// of the program.
std::span<const HotKeyBinding> hotKeys();

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
