#include "app/qt/CStepSpin.h"

#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionSpinBox>

namespace sondrel {

CStepSpin::CStepSpin(Field field, QWidget* parent) : QAbstractSpinBox(parent) {
    lineEdit()->setReadOnly(field == Field::ReadOnly);
    setAccelerated(false);
    setKeyboardTracking(false);
    setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
}

void CStepSpin::setFieldText(const QString& text) {
    if (lineEdit()->text() != text) lineEdit()->setText(text);
}

QString CStepSpin::fieldText() const {
    return lineEdit()->text();
}

void CStepSpin::setSpinRange(int minimum, int maximum) {
    minimum_ = minimum;
    maximum_ = maximum;
}

void CStepSpin::setSpinPosition(int position) {
    position_ = position;
}

void CStepSpin::fitText(const QString& longest) {
    QStyleOptionSpinBox option;
    initStyleOption(&option);
    const int text = fontMetrics().horizontalAdvance(longest) + 12;
    const QSize size = style()->sizeFromContents(QStyle::CT_SpinBox, &option,
                                                 QSize(text, sizeHint().height()), this);
    setMinimumWidth(size.width());
}

void CStepSpin::stepBy(int steps) {
    if (steps != 0) emit stepped(steps > 0 ? 1 : -1);
}

QAbstractSpinBox::StepEnabled CStepSpin::stepEnabled() const {
    return isEnabled() ? (StepUpEnabled | StepDownEnabled) : StepNone;
}

}  // namespace sondrel
