#pragma once
// The small modal dialogs where the operator types one value: the head's IP
// address, the sound velocity, the circle diameter and the profile minimum
// range. Their rules are in InputDialogs.h; these only show and read them.

#include <QDialog>

#include <functional>
#include <string>

#include "app/InputDialogs.h"

class QLineEdit;
class QPushButton;

namespace sondrel {

class CSondrelDoc;
class StepSpin;

class CIPAddressDlg : public QDialog {
    Q_OBJECT

  public:
    CIPAddressDlg(const std::string& address, QWidget* parent);
    QLineEdit* field() const { return field_; }
    // The address as the program stores it, once OK has accepted it.
    const std::string& address() const { return address_; }
    void accept() override;

  private:
    QLineEdit* field_;
    std::string address_;
};

// A value typed or stepped with its up-down control, under one of the rules.
class ValueDialog : public QDialog {
    Q_OBJECT

  public:
    ValueDialog(const ValueDialogRule& rule, double value, QWidget* mainWindow);

    double value() const { return value_; }
    StepSpin* spin() const { return spin_; }
    QPushButton* defaultButton() const { return default_; }
    // Clicks that act on a value elsewhere at once (the circle's diameter).
    void setStepTarget(std::function<double(int step)> target) { target_ = std::move(target); }
    void accept() override;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void showValue(double value);

    const ValueDialogRule& rule_;
    double value_;
    StepSpin* spin_;
    QPushButton* default_ = nullptr;
    std::function<double(int)> target_;
};

// The commands' dialogs: each changes the document only on OK; false when
// cancelled.
bool changeSoundVelocity(CSondrelDoc& doc, QWidget* mainWindow);
bool changeMinimumRange(CSondrelDoc& doc, QWidget* mainWindow);
// The diameter follows the dialog's clicks at once; OK takes the typed value.
bool changeCircleDiameter(CSondrelDoc& doc, QWidget* mainWindow);

}  // namespace sondrel
