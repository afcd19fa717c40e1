#pragma once
// Runs the operator's commands. It holds the ports the commands act on, each
// bound once by whoever puts the program together, and runs a command only
// while the port its descriptor names is bound and its rule enables it now.

#include "app/CommandPorts.h"
#include "app/CommandTable.h"

namespace sondrel {

class CommandDispatcher {
  public:
    CommandDispatcher(CSondrelDoc& doc, ViewRequests& view) : ports_{doc, view} {}
    CommandDispatcher(const CommandDispatcher&) = delete;
    CommandDispatcher& operator=(const CommandDispatcher&) = delete;

    // A null port leaves its commands disabled.
    void bind(AcquisitionCycle* cycle) { ports_.cycle = cycle; }
    void bind(FilePort* files) { ports_.files = files; }
    void bind(SetupPort* setup) { ports_.setup = setup; }
    void bind(WindowPort* windows) { ports_.windows = windows; }
    void bind(SurveyPort* survey) { ports_.survey = survey; }

    // Whether something carries the command out: its port is bound.
    bool built(int id) const;
    // Built, and enabled by its rule after the update rules have run; the view's
    // modes in ui are taken from the view itself.
    bool enabledNow(int id, CommandUiState ui);
    // Runs the command when enabledNow; false when it did not run.
    bool run(int id, const CommandUiState& ui);

    const CommandPorts& ports() const { return ports_; }

  private:
    CommandPorts ports_;
};

// Runs the action of a command of the document port, without asking its rule;
// false for a command of any other port.
bool runDocumentCommand(int id, CSondrelDoc& doc, ViewRequests& view);

// A port bound for as long as the object that carries it out lives: that
// object holds the binding.
template <class Port>
class PortBinding {
  public:
    PortBinding(CommandDispatcher& commands, Port& port) : commands_(commands) {
        commands_.bind(&port);
    }
    ~PortBinding() { commands_.bind(static_cast<Port*>(nullptr)); }
    PortBinding(const PortBinding&) = delete;
    PortBinding& operator=(const PortBinding&) = delete;

  private:
    CommandDispatcher& commands_;
};

}  // namespace sondrel
