#include "app/CommandDispatcher.h"

#include "app/CommandRules.h"

namespace sondrel {

bool CommandDispatcher::built(int id) const {
    const CommandDescriptor* c = findCommand(id);
    if (!c || !c->action.run) return false;
    switch (c->action.port) {
        case CommandPort::Document:
            return true;
        case CommandPort::Cycle:
            return ports_.cycle != nullptr;
        case CommandPort::Files:
            return ports_.files != nullptr;
        case CommandPort::Setup:
            return ports_.setup != nullptr;
        case CommandPort::Windows:
            return ports_.windows != nullptr;
        case CommandPort::Survey:
            return ports_.survey != nullptr;
        case CommandPort::NotBuilt:
            break;
    }
    return false;
}

bool CommandDispatcher::enabledNow(int id, CommandUiState ui) {
    if (!built(id)) return false;
    applyCommandUpdateRules(ports_.doc, ports_.view);
    ui.view = ports_.view;
    return commandEnabled(id, ports_.doc, ui);
}

bool CommandDispatcher::run(int id, const CommandUiState& ui) {
    if (!enabledNow(id, ui)) return false;
    findCommand(id)->action.run(id, ports_);
    return true;
}

bool runDocumentCommand(int id, CSondrelDoc& doc, ViewRequests& view) {
    const CommandDescriptor* c = findCommand(id);
    if (!c || c->action.port != CommandPort::Document || !c->action.run) return false;
    CommandPorts ports{doc, view};
    c->action.run(id, ports);
    return true;
}

}  // namespace sondrel
