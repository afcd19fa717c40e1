#pragma once
// Test helper: a real mouse click on the up or down arrow of a spin box, where
// the widget's style draws it.

#include <QAbstractSpinBox>
#include <QStyle>
#include <QStyleOptionSpinBox>
#include <QTest>

namespace sondrel::test {

inline void clickSpinArrow(QAbstractSpinBox* spin, int step) {
    QStyleOptionSpinBox option;
    option.initFrom(spin);
    option.rect = spin->rect();
    option.subControls = QStyle::SC_SpinBoxUp | QStyle::SC_SpinBoxDown;
    option.stepEnabled = QAbstractSpinBox::StepUpEnabled | QAbstractSpinBox::StepDownEnabled;
    const QRect arrow = spin->style()->subControlRect(
        QStyle::CC_SpinBox, &option, step > 0 ? QStyle::SC_SpinBoxUp : QStyle::SC_SpinBoxDown,
        spin);
    QTest::mouseClick(spin, Qt::LeftButton, {}, arrow.center());
}

}  // namespace sondrel::test
