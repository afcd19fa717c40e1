#pragma once
// "Calibrate Diameter...": a stretch of the survey (chainage from and to) of
// known inside diameter. Measure shows the stretch's mean diameter, the sound
// velocity that makes it the known one and the correction; Accept takes that
// calibration (the caller applies it to the whole survey).

#include <QDialog>

#include <optional>

#include "survey/Survey.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace sondrel {

class OperatorPort;

class CalibrationDialog : public QDialog {
    Q_OBJECT

  public:
    // `survey` must outlive the dialog.
    CalibrationDialog(const Survey& survey, OperatorPort& op, QWidget* parent = nullptr);

    // The calibration Measure found last; what Accept takes.
    const std::optional<Calibration>& calibration() const { return calibration_; }
    QLineEdit* fromField() const { return from_; }
    QLineEdit* toField() const { return to_; }
    QLineEdit* diameterField() const { return diameter_; }
    QPushButton* measureButton() const { return measure_; }
    QPushButton* acceptButton() const { return accept_; }
    QLabel* resultLabel() const { return result_; }

    // False with a message naming the field or the stretch's problem.
    bool measure();

  private:
    const Survey& survey_;
    OperatorPort& op_;
    std::optional<Calibration> calibration_;
    QLineEdit* from_ = nullptr;
    QLineEdit* to_ = nullptr;
    QLineEdit* diameter_ = nullptr;
    QLabel* result_ = nullptr;
    QPushButton* measure_ = nullptr;
    QPushButton* accept_ = nullptr;
};

}  // namespace sondrel
