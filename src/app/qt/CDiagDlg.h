#pragma once
// The diagnostics window: a modeless window beside the image that shows the
// decoded state of the last block, the settings in force, the link and the
// ping rate. It rewrites only the rows whose value changed.

#include <QDialog>

#include <array>

#include "acquisition/Diagnostics.h"

class QLabel;

namespace sondrel {

class CSondrelDoc;

class CDiagDlg : public QDialog {
    Q_OBJECT

  public:
    CDiagDlg(CSondrelDoc& doc, QWidget* mainWindow);

    void refreshDiagnostics();
    void resetDiagnostics();

    QLabel* valueLabel(DiagnosticsRow row) const { return values_[std::size_t(row)]; }
    // How many row texts have been written since the window was made.
    long rowWrites() const { return writes_; }

    // Its close box and Escape: the flag follows, and the view is redrawn whole.
    void reject() override;

  private:
    CSondrelDoc& doc_;
    DiagnosticsRows rows_;
    std::array<QLabel*, kDiagnosticsRowCount> values_{};
    long writes_ = 0;
};

}  // namespace sondrel
