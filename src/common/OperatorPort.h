#pragma once
// What the core asks of the operator: messages and choices. The program answers
// with dialogs; tests answer with a script that fails loudly on anything it did
// not expect.

#include <optional>
#include <string>
#include <vector>

#include "common/Colour.h"

namespace sondrel {

// A Note tells of something done that asks for no answer (where a capture went):
// the window shows it in its status bar, where it holds up neither the operator
// nor acquisition, as a message box would.
enum class MessageKind { Information, Warning, Error, Note };

struct FileType {
    std::string description;
    std::string pattern;
};

struct FileDialogRequest {
    std::string title;
    std::string filterDescription;       // e.g. "Sondrel Data File: (*.qzr)"
    std::string pattern;                 // e.g. "*.qzr"
    std::vector<FileType> furtherTypes;  // offered after the first, in order
    std::string directory;
    std::string proposedName;      // empty for an open dialog
    std::string defaultExtension;  // without the dot; empty for none
};

class OperatorPort {
  public:
    virtual ~OperatorPort() = default;
    virtual void showMessage(const std::string& text,
                             MessageKind kind = MessageKind::Information) = 0;
    // The same message, shown without waiting for the answer: for what goes
    // wrong while a ping is processed, where waiting would run further pings,
    // timers and reconnects inside the one under way.
    virtual void announce(const std::string& text, MessageKind kind = MessageKind::Information) {
        showMessage(text, kind);
    }
    // Empty when the operator cancels.
    virtual std::optional<std::string> chooseOpenFile(const FileDialogRequest& request) = 0;
    virtual std::optional<std::string> chooseSaveFile(const FileDialogRequest& request) = 0;
    virtual std::optional<std::string> chooseFolder(const std::string& title,
                                                    const std::string& start) = 0;
    virtual std::optional<Colour> chooseColour(Colour current) = 0;
};

}  // namespace sondrel
