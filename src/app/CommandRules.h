#pragma once
// When each command is available and when its menu item carries a check mark,
// as its descriptor's rules say. The windows ask these before a menu opens and
// after every change; a command without a rule is enabled and unchecked.

#include "app/CommandTable.h"

namespace sondrel {

class CSondrelDoc;

bool commandEnabled(int id, const CSondrelDoc& doc, const CommandUiState& ui);
bool commandChecked(int id, const CSondrelDoc& doc, const CommandUiState& ui);
// Whether the command's item shows a check mark at all (it has a check rule).
bool commandCheckable(int id);

// The part of the update rules that changes the view's modes: circle-move
// mode cannot stay on while the circle is hidden. Run before the states are read.
void applyCommandUpdateRules(const CSondrelDoc& doc, ViewRequests& view);

}  // namespace sondrel
