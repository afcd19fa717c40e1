#include "app/CommandRules.h"

#include "acquisition/SondrelDoc.h"

namespace sondrel {

bool commandEnabled(int id, const CSondrelDoc& doc, const CommandUiState& ui) {
    const CommandDescriptor* c = findCommand(id);
    return !c || !c->enabled || c->enabled(id, doc, ui);
}

bool commandChecked(int id, const CSondrelDoc& doc, const CommandUiState& ui) {
    const CommandDescriptor* c = findCommand(id);
    return c && c->checked && c->checked(id, doc, ui);
}

bool commandCheckable(int id) {
    const CommandDescriptor* c = findCommand(id);
    return c && c->checked;
}

void applyCommandUpdateRules(const CSondrelDoc& doc, ViewRequests& view) {
    if (doc.display.displayCircle == 0) view.circleMoveMode = 0;
}

}  // namespace sondrel
