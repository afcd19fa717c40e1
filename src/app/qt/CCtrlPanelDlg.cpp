#include "app/qt/CCtrlPanelDlg.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>

#include "acquisition/SondrelDoc.h"
#include "app/qt/StepSpin.h"
#include "common/qt/QtText.h"

namespace sondrel {

namespace {

// The longest text a row's field shows, for its width.
QString longestText(PanelRow row) {
    switch (row) {
        case PanelRow::Range:
            return QStringLiteral("2.25 ft");
        case PanelRow::Speed:
            return QStringLiteral("Fastest");
        case PanelRow::Mode:
            return QStringLiteral("SideScan");
        case PanelRow::Frequency:
            return QStringLiteral("1100 kHz");
        case PanelRow::Absorption:
            return QStringLiteral("2.55 dB/m");
        case PanelRow::PulseLength:
            return QStringLiteral("100 usec");
        default:
            return QStringLiteral("360 deg.");
    }
}

StepSpin* makeSpin(CSondrelDoc& doc, PanelRow row, QWidget* parent) {
    auto* spin = new StepSpin(StepSpin::Field::ReadOnly, parent);
    spin->setObjectName(qs(panelRowLabel(row)).remove(QLatin1Char(' ')).toLower() +
                        QStringLiteral("Spin"));
    spin->fitText(longestText(row));
    QObject::connect(spin, &StepSpin::stepped, parent,
                     [&doc, row](int step) { stepPanelRow(doc, row, step); });
    return spin;
}

void showField(StepSpin* spin, const PanelField& field) {
    spin->setFieldText(QString::fromStdString(field.text));
    spin->setSpinRange(field.spinMinimum, field.spinMaximum);
    spin->setSpinPosition(field.spinPosition);
    spin->setEnabled(field.enabled);
}

// Adds a row's label and spin to a grid.
void addRow(QGridLayout* grid, int line, QWidget* owner, StepSpin* spin, PanelRow row) {
    grid->addWidget(new QLabel(qs(panelRowLabel(row)), owner), line, 0);
    grid->addWidget(spin, line, 1);
}

}  // namespace

CCtrlPanelDlg::CCtrlPanelDlg(CSondrelDoc& doc, QWidget* mainWindow)
    : QDialog(mainWindow, Qt::Tool), doc_(doc) {
    setObjectName(QStringLiteral("settingsPanel"));
    setWindowTitle(qs(kControlPanelTitle));
    setModal(false);
    for (int i = 0; i < kPanelRowCount; ++i)
        spins_[static_cast<std::size_t>(i)] = makeSpin(doc_, static_cast<PanelRow>(i), this);

    auto* left = new QGridLayout;
    for (int i = 0; i < kSettingsBarRowCount; ++i)
        addRow(left, i, this, spins_[static_cast<std::size_t>(i)], static_cast<PanelRow>(i));
    left->setRowStretch(kSettingsBarRowCount, 1);

    auto* group = new QGroupBox(qs(kManualFrequencyGroup), this);
    manual_ = new QCheckBox(qs(kManualFrequencyBox), group);
    manual_->setObjectName(QStringLiteral("manualFrequencyBox"));
    connect(manual_, &QCheckBox::clicked, this, [this] { toggleManualFrequency(doc_); });
    auto* frequency = new QGridLayout(group);
    frequency->addWidget(manual_, 0, 0, 1, 2);
    int line = 1;
    for (PanelRow row : {PanelRow::Frequency, PanelRow::Absorption, PanelRow::PulseLength})
        addRow(frequency, line++, group, spin(row), row);

    auto* right = new QGridLayout;
    right->addWidget(group, 0, 0, 1, 2);
    addRow(right, 1, this, spin(PanelRow::SwitchDelay), PanelRow::SwitchDelay);
    right->setRowStretch(2, 1);

    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left);
    layout->addSpacing(12);
    layout->addLayout(right);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    refresh();
    hide();
}

void CCtrlPanelDlg::refresh() {
    const PanelFields fields = panelFields(doc_, PanelKind::ControlPanel);
    for (std::size_t i = 0; i < spins_.size(); ++i) showField(spins_[i], fields.rows[i]);
    manual_->setChecked(fields.manualFrequencyChecked);
}

void CCtrlPanelDlg::reject() {
    closedByOperator();
}

void CCtrlPanelDlg::closeEvent(QCloseEvent* event) {
    closedByOperator();
    event->accept();
}

void CCtrlPanelDlg::closedByOperator() {
    doc_.display.settingsDlgVisible = 0;
    doc_.views().markFullRedraw();
    hide();
}

void CCtrlPanelDlg::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && touched_) touched_();
}

void CCtrlPanelDlg::mousePressEvent(QMouseEvent* event) {
    if (touched_) touched_();
    QDialog::mousePressEvent(event);
}

SettingsBar::SettingsBar(CSondrelDoc& doc, QWidget* parent)
    : QToolBar(QStringLiteral("Settings Bar"), parent), doc_(doc) {
    setObjectName(QStringLiteral("miniSettingsBar"));
    setMovable(false);
    setFloatable(false);
    for (int i = 0; i < kSettingsBarRowCount; ++i) {
        const auto row = static_cast<PanelRow>(i);
        auto* label = new QLabel(qs(panelRowLabel(row)), this);
        label->setContentsMargins(i == 0 ? 4 : 12, 0, 4, 0);
        addWidget(label);
        spins_[static_cast<std::size_t>(i)] = makeSpin(doc_, row, this);
        addWidget(spins_[static_cast<std::size_t>(i)]);
    }
    refresh();
    hide();
}

void SettingsBar::refresh() {
    const PanelFields fields = panelFields(doc_, PanelKind::SettingsBar);
    for (std::size_t i = 0; i < spins_.size(); ++i) showField(spins_[i], fields.rows[i]);
}

}  // namespace sondrel
