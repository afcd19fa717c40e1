#pragma once
// The key-in window: a small modeless window where the operator types a range
// or a gain. It is made once, hidden, and reused; OK or its close box hide it
// and give the keyboard back to the main window.

#include <QDialog>

#include "app/KeyIn.h"

class QLabel;
class QLineEdit;

namespace sondrel {

class CSondrelDoc;

class CKeyInDlg : public QDialog {
    Q_OBJECT

  public:
    CKeyInDlg(CSondrelDoc& doc, QWidget* mainWindow);

    // Sets the prompt and the kind, empties the field and shows the window with
    // its top-right corner near the main window's.
    void open(int kind);

    KeyInState& state() { return state_; }
    QLineEdit* field() const { return edit_; }
    QLabel* promptLabel() const { return label_; }

    void accept() override;
    void reject() override;

  private:
    void place();
    void backToMainWindow();

    CSondrelDoc& doc_;
    QWidget* mainWindow_;
    KeyInState state_;
    QLabel* label_;
    QLineEdit* edit_;
};

}  // namespace sondrel
