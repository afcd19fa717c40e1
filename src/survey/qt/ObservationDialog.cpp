#include "survey/qt/ObservationDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QSpinBox>
#include <QVBoxLayout>

#include "common/OperatorPort.h"
#include "survey/SurveySettings.h"
#include "survey/qt/SurveyText.h"

namespace sondrel {

namespace {

constexpr SettingDescriptor kChainage{"Chainage", "m", -1e6, 1e6, 0.01, 2, 0.0};
constexpr SettingDescriptor kQuantification1{"Quantification 1", "", -1e6, 1e6, 0.1, 1, 0.0};
constexpr SettingDescriptor kQuantification2{"Quantification 2", "", -1e6, 1e6, 0.1, 1, 0.0};
constexpr const char* kCodes[] = {"BAA", "BBC", "BBE", "BCD", "BCE"};

QSpinBox* clockBox(int hour, QWidget* parent) {
    auto* box = new QSpinBox(parent);
    box->setRange(0, 12);
    box->setSpecialValueText(QStringLiteral("-"));
    box->setValue(hour);
    return box;
}

}  // namespace

ObservationDialog::ObservationDialog(const Observation& observation, bool placed, OperatorPort& op,
                                     QWidget* parent)
    : QDialog(parent), observation_(observation), op_(op) {
    setObjectName(QStringLiteral("observationDialog"));
    setWindowTitle(placed ? tr("Edit Observation") : tr("Add Observation"));
    code_ = new QComboBox(this);
    code_->setEditable(true);
    for (const char* c : kCodes) code_->addItem(QString::fromLatin1(c));
    code_->setCurrentText(qs(observation.code));
    chainage_ =
        new QLineEdit(placed ? figure(observation.chainage, 2) : tr("at the record on show"), this);
    chainage_->setEnabled(placed);
    const auto text = [this](const std::string& value) { return new QLineEdit(qs(value), this); };
    const auto quantity = [this](double value) {
        return new QLineEdit(std::isnan(value) ? QString() : figure(value, 1), this);
    };
    characterisation1_ = text(observation.characterisation1);
    characterisation2_ = text(observation.characterisation2);
    quantification1_ = quantity(observation.quantification1);
    quantification2_ = quantity(observation.quantification2);
    clockFrom_ = clockBox(observation.clockFrom, this);
    clockTo_ = clockBox(observation.clockTo, this);
    continuous_ = text(observation.continuous);
    remark_ = text(observation.remark);
    auto* form = new QFormLayout;
    form->addRow(tr("Chainage (m)"), chainage_);
    form->addRow(tr("Code"), code_);
    form->addRow(tr("Characterisation 1"), characterisation1_);
    form->addRow(tr("Characterisation 2"), characterisation2_);
    form->addRow(tr("Quantification 1"), quantification1_);
    form->addRow(tr("Quantification 2"), quantification2_);
    form->addRow(tr("Clock from"), clockFrom_);
    form->addRow(tr("Clock to"), clockTo_);
    form->addRow(tr("Continuous (S<n> or F<n>)"), continuous_);
    form->addRow(tr("Remark"), remark_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &ObservationDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &ObservationDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

void ObservationDialog::accept() {
    Observation taken = observation_;
    std::string problem;
    const auto number = [&](const SettingDescriptor& d, QLineEdit* edit, double& into,
                            bool mayBeEmpty) {
        const std::string text = edit->text().trimmed().toStdString();
        if (mayBeEmpty && text.empty()) {
            into = NAN;
            return true;
        }
        const std::optional<double> v = enteredSurveySetting(d, text, problem);
        if (!v) {
            op_.showMessage(problem, MessageKind::Warning);
            edit->setFocus();
            return false;
        }
        into = *v;
        return true;
    };
    if (chainage_->isEnabled() && !number(kChainage, chainage_, taken.chainage, false)) return;
    if (!number(kQuantification1, quantification1_, taken.quantification1, true)) return;
    if (!number(kQuantification2, quantification2_, taken.quantification2, true)) return;
    const QString code = code_->currentText().trimmed().toUpper();
    if (code.size() != 3) {
        op_.showMessage("Code: three letters, such as BAA", MessageKind::Warning);
        code_->setFocus();
        return;
    }
    taken.code = code.toStdString();
    taken.characterisation1 = characterisation1_->text().trimmed().toStdString();
    taken.characterisation2 = characterisation2_->text().trimmed().toStdString();
    taken.clockFrom = clockFrom_->value();
    taken.clockTo = clockTo_->value();
    taken.continuous = continuous_->text().trimmed().toStdString();
    taken.remark = remark_->text().trimmed().toStdString();
    observation_ = taken;
    QDialog::accept();
}

}  // namespace sondrel
