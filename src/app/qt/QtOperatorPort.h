#pragma once
// The operator's side of the core's questions, answered with the window
// system's own dialogs: message boxes with the program's fixed texts, file and
// folder choosers, and the colour chooser with its sixteen custom colours.

#include <string>

#include "common/OperatorPort.h"

class QWidget;

namespace sondrel {

// Shows a note for a while in the status bar of the main window that `inside`
// belongs to (a message box where there is none).
void showStatusNote(QWidget* inside, const std::string& text);

class QtOperatorPort : public OperatorPort {
  public:
    explicit QtOperatorPort(QWidget* owner) : owner_(owner) {}

    void showMessage(const std::string& text, MessageKind kind) override;
    void announce(const std::string& text, MessageKind kind) override;
    std::optional<std::string> chooseOpenFile(const FileDialogRequest& request) override;
    std::optional<std::string> chooseSaveFile(const FileDialogRequest& request) override;
    std::optional<std::string> chooseFolder(const std::string& title,
                                            const std::string& start) override;
    std::optional<Colour> chooseColour(Colour current) override;

    // From now on messages go to the standard error, never to a box nobody
    // may be there to close (the program ends on a signal).
    void setUnattended() { unattended_ = true; }

  private:
    QWidget* owner_;
    // True when the message went to the standard error.
    bool toStandardError(const std::string& text);
    bool unattended_ = false;
};

}  // namespace sondrel
