#pragma once
// A field with an up-down control that holds no value of its own: each click
// is reported as a step of +1 or -1, and whoever owns the value rewrites the
// field from it. At the ends of its range it keeps reporting clicks, since the
// owner's rules decide what a step past them means (the train wraps around).
// The field is read-only in the settings windows and typed into in the input
// dialogs.

#include <QAbstractSpinBox>

namespace sondrel {

class StepSpin : public QAbstractSpinBox {
    Q_OBJECT

  public:
    enum class Field { ReadOnly, Typed };
    explicit StepSpin(Field field, QWidget* parent = nullptr);

    void setFieldText(const QString& text);
    QString fieldText() const;
    // The up-down control's own range and position, as the owner last set them.
    void setSpinRange(int minimum, int maximum);
    void setSpinPosition(int position);
    int spinMinimum() const { return minimum_; }
    int spinMaximum() const { return maximum_; }
    int spinPosition() const { return position_; }
    // Wide enough for the longest text the field will show.
    void fitText(const QString& longest);

    void stepBy(int steps) override;

  signals:
    void stepped(int step);

  protected:
    StepEnabled stepEnabled() const override;

  private:
    int minimum_ = 0;
    int maximum_ = 0;
    int position_ = 0;
};

}  // namespace sondrel
