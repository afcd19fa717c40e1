#include "survey/qt/CalibrationDialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/OperatorPort.h"
#include "survey/qt/SurveyText.h"

namespace sondrel {

namespace {

constexpr SettingDescriptor kFrom{"From", "m", -1e6, 1e6, 0.1, 2, 0.0};
constexpr SettingDescriptor kTo{"To", "m", -1e6, 1e6, 0.1, 2, 1.0};
constexpr SettingDescriptor kKnownDiameter{"Known Inside Diameter", "mm", 10, 50000, 1, 1, 0.0};

}  // namespace

CalibrationDialog::CalibrationDialog(const Survey& survey, OperatorPort& op, QWidget* parent)
    : QDialog(parent), survey_(survey), op_(op) {
    setObjectName(QStringLiteral("calibrationDialog"));
    setWindowTitle(tr("Calibrate Diameter"));
    const double start = survey.summary.startChainage;
    from_ = new QLineEdit(figure(start, 2), this);
    to_ = new QLineEdit(figure(start + 1.0, 2), this);
    diameter_ = new QLineEdit(
        survey.nominalDiameter > 0 ? figure(survey.nominalDiameter * 1000, 1) : QString(), this);
    auto* form = new QFormLayout;
    form->addRow(tr("Chainage from (m)"), from_);
    form->addRow(tr("Chainage to (m)"), to_);
    form->addRow(tr("Known inside diameter (mm)"), diameter_);
    result_ = new QLabel(tr("Measure the stretch to see its correction."), this);
    result_->setObjectName(QStringLiteral("calibrationResult"));
    // Three lines of their own, always: the dialog is made room for them.
    result_->setMinimumHeight(result_->fontMetrics().lineSpacing() * 3);
    auto* buttons = new QDialogButtonBox(this);
    measure_ = buttons->addButton(tr("&Measure"), QDialogButtonBox::ActionRole);
    accept_ = buttons->addButton(tr("&Accept"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QDialogButtonBox::Cancel);
    accept_->setEnabled(false);
    connect(measure_, &QPushButton::clicked, this, [this] { measure(); });
    connect(buttons, &QDialogButtonBox::accepted, this, &CalibrationDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CalibrationDialog::reject);
    // What was measured belongs to the values it was measured on.
    for (QLineEdit* edit : {from_, to_, diameter_})
        connect(edit, &QLineEdit::textEdited, this, [this] {
            calibration_.reset();
            accept_->setEnabled(false);
        });
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(result_);
    layout->addWidget(buttons);
}

bool CalibrationDialog::measure() {
    calibration_.reset();
    accept_->setEnabled(false);
    double values[3] = {};
    const std::pair<const SettingDescriptor*, QLineEdit*> fields[] = {
        {&kFrom, from_}, {&kTo, to_}, {&kKnownDiameter, diameter_}};
    for (int i = 0; i < 3; ++i) {
        std::string problem;
        const std::optional<double> v = enteredSurveySetting(
            *fields[i].first, fields[i].second->text().trimmed().toStdString(), problem);
        if (!v) {
            op_.showMessage(problem, MessageKind::Warning);
            fields[i].second->setFocus();
            return false;
        }
        values[i] = *v;
    }
    std::string problem;
    calibration_ = calibrate(survey_, values[0], values[1], values[2] / 1000.0, problem);
    if (!calibration_) {
        result_->setText(qs(problem));
        adjustSize();
        op_.showMessage("No calibration: " + problem, MessageKind::Warning);
        return false;
    }
    const Calibration& c = *calibration_;
    const double correction = (c.soundVelocity - c.velocityBefore) / c.velocityBefore * 100.0;
    result_->setText(tr("Measured mean diameter %1 mm (known %2 mm)\n"
                        "Sound velocity %3 m/s instead of %4 m/s (± %5 m/s)\n"
                        "Correction %6 %")
                         .arg(figure(c.measuredDiameter * 1000, 1),
                              figure(c.knownDiameter * 1000, 1), figure(c.soundVelocity, 1),
                              figure(c.velocityBefore, 1), figure(c.velocityUncertainty, 1))
                         .arg(correction >= 0 ? QStringLiteral("+") + figure(correction, 2)
                                              : figure(correction, 2)));
    accept_->setEnabled(true);
    adjustSize();
    return true;
}

}  // namespace sondrel
