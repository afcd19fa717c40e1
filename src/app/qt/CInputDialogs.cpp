#include "app/qt/CInputDialogs.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "acquisition/SondrelDoc.h"
#include "app/qt/StepSpin.h"
#include "common/qt/QtText.h"

namespace sondrel {

namespace {

constexpr int kOffsetFromRight = 6;
constexpr int kOffsetFromTop = 90;

}  // namespace

CIPAddressDlg::CIPAddressDlg(const std::string& address, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("ipAddressDialog"));
    setWindowTitle(qs(kIpAddressTitle));
    field_ = new QLineEdit(QString::fromStdString(ipAddressFieldText(address)), this);
    field_->setObjectName(QStringLiteral("ipAddressField"));
    field_->setMinimumWidth(
        field_->fontMetrics().horizontalAdvance(QStringLiteral("255.255.255.255")) + 16);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CIPAddressDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CIPAddressDlg::reject);
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(qs(kIpAddressLabel), this));
    row->addWidget(field_, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(buttons);
}

void CIPAddressDlg::accept() {
    const std::optional<std::string> address = literalIpv4(field_->text().toStdString());
    if (!address) {
        // A host name or a partial address would leave the head unreachable.
        QMessageBox::warning(this, windowTitle(), qs(kIpAddressMessage));
        field_->setFocus();
        return;
    }
    address_ = *address;
    QDialog::accept();
}

ValueDialog::ValueDialog(const ValueDialogRule& rule, double value, QWidget* mainWindow)
    : QDialog(mainWindow), rule_(rule), value_(value) {
    setWindowTitle(qs(rule.title));
    spin_ = new StepSpin(StepSpin::Field::Typed, this);
    spin_->setObjectName(QStringLiteral("valueSpin"));
    spin_->setSpinRange(rule.spinMinimum, rule.spinMaximum);
    spin_->fitText(QStringLiteral("1600.0"));
    connect(spin_, &StepSpin::stepped, this, [this](int step) {
        showValue(target_ ? target_(step) : steppedValue(rule_, value_, step));
    });

    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(qs(rule.label), this));
    row->addWidget(spin_, 1);
    row->addWidget(new QLabel(qs(rule.unit), this));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    if (rule.defaultValue) {
        default_ = buttons->addButton(QStringLiteral("Default"), QDialogButtonBox::ResetRole);
        default_->setAutoDefault(false);
        connect(default_, &QPushButton::clicked, this, [this] { showValue(*rule_.defaultValue); });
        // The dialogs with a default can also be left unchanged.
        buttons->addButton(QDialogButtonBox::Cancel);
    }
    connect(buttons, &QDialogButtonBox::accepted, this, &ValueDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &ValueDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(buttons);
    showValue(value);
}

void ValueDialog::showValue(double value) {
    value_ = value;
    spin_->setFieldText(QString::fromStdString(valueFieldText(rule_, value)));
    spin_->setSpinPosition(valueSpinPosition(rule_, value));
}

void ValueDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (QWidget* frame = parentWidget()) {
        const QRect outer = frame->frameGeometry();
        move(outer.x() + outer.width() - frameGeometry().width() - kOffsetFromRight,
             outer.y() + kOffsetFromTop);
    }
    spin_->setFocus();
}

void ValueDialog::accept() {
    const std::string text = spin_->fieldText().toStdString();
    const bool diameter = &rule_ == &kCircleDiameterDialog;
    const ValueEntry entry =
        diameter ? enteredCircleDiameter(text, value_) : enteredValue(rule_, text, value_);
    if (!entry.accepted) QMessageBox::warning(this, windowTitle(), qs(rule_.message));
    // The diameter dialog closes with what it could take; the others wait for
    // a correction.
    if (!entry.accepted && !diameter) return;
    showValue(entry.value);
    QDialog::accept();
}

bool changeSoundVelocity(CSondrelDoc& doc, QWidget* mainWindow) {
    ValueDialog dialog(kSoundVelocityDialog, doc.head.soundVelocity, mainWindow);
    dialog.setObjectName(QStringLiteral("soundVelocityDialog"));
    // A file being played back keeps the velocity it was recorded with.
    dialog.setStepTarget([&doc, &dialog](int step) {
        return doc.flags.playbackActive ? dialog.value()
                                        : steppedValue(kSoundVelocityDialog, dialog.value(), step);
    });
    if (dialog.exec() != QDialog::Accepted) return false;
    doc.head.soundVelocity = dialog.value();
    return true;
}

bool changeMinimumRange(CSondrelDoc& doc, QWidget* mainWindow) {
    ValueDialog dialog(kMinimumRangeDialog, doc.head.profileMinRange, mainWindow);
    dialog.setObjectName(QStringLiteral("minimumRangeDialog"));
    if (dialog.exec() != QDialog::Accepted) return false;
    doc.head.profileMinRange = dialog.value();
    return true;
}

bool changeCircleDiameter(CSondrelDoc& doc, QWidget* mainWindow) {
    DisplaySettings& display = doc.display;
    ValueDialog dialog(kCircleDiameterDialog, display.circleDiameter, mainWindow);
    dialog.setObjectName(QStringLiteral("circleDiameterDialog"));
    dialog.setStepTarget([&doc](int step) {
        DisplaySettings& d = doc.display;
        d.circleDiameter = steppedValue(kCircleDiameterDialog, d.circleDiameter, step);
        doc.views().updateViews(ViewHint::Repaint);
        return d.circleDiameter;
    });
    const bool ok = dialog.exec() == QDialog::Accepted;
    if (ok) display.circleDiameter = dialog.value();
    doc.views().updateViews(ViewHint::Repaint);
    return ok;
}

}  // namespace sondrel
