#pragma once
// The operator's two settings windows: the control panel, a tool window with
// every head setting, and the settings bar, docked at the top of the main
// window with the first six. Both only show the fields the document gives
// (SettingsPanel.h) and pass each spin click on as a step.

#include <QDialog>
#include <QToolBar>

#include <array>
#include <functional>

#include "app/SettingsPanel.h"

class QCheckBox;

namespace sondrel {

class CSondrelDoc;
class StepSpin;

class CCtrlPanelDlg : public QDialog {
    Q_OBJECT

  public:
    CCtrlPanelDlg(CSondrelDoc& doc, QWidget* mainWindow);

    // Rewrites every field, spin, the check box and the enabled states.
    void refresh();
    StepSpin* spin(PanelRow row) const { return spins_[static_cast<std::size_t>(row)]; }
    QCheckBox* manualFrequencyBox() const { return manual_; }
    // Told whenever the operator turns to the panel (the key-in window gives way).
    void setTouchListener(std::function<void()> listener) { touched_ = std::move(listener); }

    // The close box and Escape: the panel is no longer wanted.
    void reject() override;

  protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

  private:
    void closedByOperator();

    CSondrelDoc& doc_;
    std::array<StepSpin*, kPanelRowCount> spins_{};
    QCheckBox* manual_ = nullptr;
    std::function<void()> touched_;
};

class SettingsBar : public QToolBar {
    Q_OBJECT

  public:
    SettingsBar(CSondrelDoc& doc, QWidget* parent);

    void refresh();
    StepSpin* spin(PanelRow row) const { return spins_[static_cast<std::size_t>(row)]; }

  private:
    CSondrelDoc& doc_;
    std::array<StepSpin*, kSettingsBarRowCount> spins_{};
};

}  // namespace sondrel
