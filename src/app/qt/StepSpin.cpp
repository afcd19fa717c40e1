#include "app/qt/StepSpin.h"

#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionSpinBox>

namespace sondrel {

StepSpin::StepSpin(Field field, QWidget* parent) : QAbstractSpinBox(parent) {
    lineEdit()->setReadOnly(field == Field::ReadOnly);
    setAccelerated(false);
    setKeyboardTracking(false);
    setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
}

void StepSpin::setFieldText(const QString& text) {
    if (lineEdit()->text() != text) lineEdit()->setText(text);
}

QString StepSpin::fieldText() const {
    return lineEdit()->text();
}

void StepSpin::setSpinRange(int minimum, int maximum) {
    minimum_ = minimum;
    maximum_ = maximum;
}

void StepSpin::setSpinPosition(int position) {
    position_ = position;
}

void StepSpin::fitText(const QString& longest) {
    QStyleOptionSpinBox option;
    initStyleOption(&option);
    const int text = fontMetrics().horizontalAdvance(longest) + 12;
    const QSize size = style()->sizeFromContents(QStyle::CT_SpinBox, &option,
                                                 QSize(text, sizeHint().height()), this);
    setMinimumWidth(size.width());
}

void StepSpin::stepBy(int steps) {
    if (steps != 0) emit stepped(steps > 0 ? 1 : -1);
}

QAbstractSpinBox::StepEnabled StepSpin::stepEnabled() const {
    return isEnabled() ? (StepUpEnabled | StepDownEnabled) : StepNone;
}

}  // namespace sondrel
