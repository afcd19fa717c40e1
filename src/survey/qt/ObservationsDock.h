#pragma once
// "Survey Observations": the survey's summary line above its observations in
// a table along the chainage. A click (or Enter) on a row plays its record;
// Edit (or a double click), Delete, Add and Remark hand the operator's change
// to the program, which saves it and shows the survey again.

#include <QDockWidget>

#include <cstdint>
#include <functional>
#include <vector>

#include "survey/Survey.h"

class QDialog;
class QLabel;
class QPushButton;
class QTableWidget;

namespace sondrel {

class OperatorPort;

struct ObservationHandlers {
    // The observation's record played.
    std::function<void(const Observation&)> play;
    // Indices are into the survey's list of observations.
    std::function<void(std::size_t index, const Observation& edited)> edit;
    std::function<void(std::size_t index)> remove;
    // A new observation at the record on show.
    std::function<void(const Observation& added)> add;
};

class ObservationsDock : public QDockWidget {
    Q_OBJECT

  public:
    explicit ObservationsDock(QWidget* parent = nullptr);

    void setHandlers(ObservationHandlers handlers) { handlers_ = std::move(handlers); }
    void setOperatorPort(OperatorPort* op) { op_ = op; }
    // How the editor and the remark are run: exec, or a test's script.
    void setDialogRunner(std::function<int(QDialog&)> run) { run_ = std::move(run); }
    // The survey shown; it must stay until the next call (null: none).
    void showSurvey(const Survey* survey);

    QTableWidget* table() const { return table_; }
    QLabel* summary() const { return summary_; }
    QPushButton* button(const QString& name) const;
    // The list index of a row; the survey's list holds deleted ones too.
    std::size_t observationOfRow(int row) const { return rows_.at(static_cast<std::size_t>(row)); }

    void editRow(int row);
    void removeRow(int row);
    void addObservation();
    void remarkRow(int row);

  private:
    void playRow(int row);
    const Observation* observationAt(int row) const;

    const Survey* survey_ = nullptr;
    std::vector<std::size_t> rows_;
    ObservationHandlers handlers_;
    int run(QDialog& dialog);

    OperatorPort* op_ = nullptr;
    std::function<int(QDialog&)> run_;
    QLabel* summary_ = nullptr;
    QTableWidget* table_ = nullptr;
};

// "Length surveyed 12.40 m, worst deformation 6.2 % at 4.10 m, verdict
// evaluate, sediment 0.021 m³".
QString surveySummaryLine(const Survey& survey);

}  // namespace sondrel
