#pragma once
// One observation as the operator edits it: its code (the detected ones'
// codes offered, any other typed), characterisations, quantifications, clock
// positions, continuous marker and remark. A new observation takes its
// chainage from the record on show, so its chainage is not asked.

#include <QDialog>

#include "survey/Observation.h"

class QComboBox;
class QLineEdit;
class QSpinBox;

namespace sondrel {

class OperatorPort;

class ObservationDialog : public QDialog {
    Q_OBJECT

  public:
    // `placed`: the chainage is the operator's to change.
    ObservationDialog(const Observation& observation, bool placed, OperatorPort& op,
                      QWidget* parent = nullptr);

    const Observation& observation() const { return observation_; }
    QComboBox* codeField() const { return code_; }
    QLineEdit* chainageField() const { return chainage_; }
    QLineEdit* quantificationField() const { return quantification1_; }
    QLineEdit* remarkField() const { return remark_; }

    void accept() override;

  private:
    Observation observation_;
    OperatorPort& op_;
    QComboBox* code_ = nullptr;
    QLineEdit* chainage_ = nullptr;
    QLineEdit* characterisation1_ = nullptr;
    QLineEdit* characterisation2_ = nullptr;
    QLineEdit* quantification1_ = nullptr;
    QLineEdit* quantification2_ = nullptr;
    QSpinBox* clockFrom_ = nullptr;
    QSpinBox* clockTo_ = nullptr;
    QLineEdit* continuous_ = nullptr;
    QLineEdit* remark_ = nullptr;
};

}  // namespace sondrel
