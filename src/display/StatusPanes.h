#pragma once
// The panes of the main window's status bar, left to right: what each shows
// (a label, a spacer, or one of the status texts), its initial caption and its
// width. The texts themselves are StatusTexts.h's.

#include <span>
#include <string>
#include <string_view>

#include "display/StatusTexts.h"

namespace sondrel {

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

// The text a pane of this role shows; nullptr for labels and spacers, which
// keep their caption.
const std::string* paneText(const StatusPaneTexts& texts, PaneRole role);

}  // namespace sondrel
