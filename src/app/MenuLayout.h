#pragma once
// Where the commands stand in the document window's menu. The items take their
// captions, prompts and rules from the command table; only their order, the
// separators and the pop-ups are kept here.

#include <span>
#include <string_view>

namespace sondrel {

struct MenuEntry {
    enum Kind { Item, Separator, PopupBegin, PopupEnd };
    Kind kind;
    int id;                    // the command of an Item; 0 otherwise
    std::string_view caption;  // the caption of a PopupBegin; items take their command's
};

// The menu of the document window, top to bottom: every top-level menu and
// every pop-up is bracketed by PopupBegin (carrying its caption) and PopupEnd.
std::span<const MenuEntry> documentMenu();

}  // namespace sondrel
