#include "app/qt/CDiagDlg.h"

#include <QGridLayout>
#include <QLabel>

#include "acquisition/SondrelDoc.h"
#include "common/qt/QtText.h"

namespace sondrel {

CDiagDlg::CDiagDlg(CSondrelDoc& doc, QWidget* mainWindow)
    : QDialog(mainWindow, Qt::Tool), doc_(doc) {
    setObjectName(QStringLiteral("diagnostics"));
    setWindowTitle(qs(kDiagnosticsTitle));
    setModal(false);
    auto* grid = new QGridLayout(this);
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(2);
    for (std::size_t i = 0; i < kDiagnosticsRowCount; ++i) {
        const auto row = static_cast<DiagnosticsRow>(i);
        grid->addWidget(new QLabel(qs(diagnosticsLabel(row)), this), int(i), 0);
        auto* value = new QLabel(this);
        // Wide enough for the longest value, so the window does not jump.
        value->setMinimumWidth(
            value->fontMetrics().horizontalAdvance(QStringLiteral(":   999 ms (999.9 Hz)")));
        values_[i] = value;
        grid->addWidget(value, int(i), 1);
    }
    resetDiagnostics();
    adjustSize();
    move(10, 150);
}

void CDiagDlg::resetDiagnostics() {
    rows_.reset();
    for (std::size_t i = 0; i < kDiagnosticsRowCount; ++i) {
        values_[i]->setText(QString::fromStdString(rows_.text(static_cast<DiagnosticsRow>(i))));
        ++writes_;
    }
}

void CDiagDlg::refreshDiagnostics() {
    for (const DiagnosticsRow row : rows_.refresh(doc_)) {
        valueLabel(row)->setText(QString::fromStdString(rows_.text(row)));
        ++writes_;
    }
}

void CDiagDlg::reject() {
    doc_.display.diagnosticsVisible = 0;
    doc_.views().markFullRedraw();
    QDialog::reject();
}

}  // namespace sondrel
