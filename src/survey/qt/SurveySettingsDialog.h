#pragma once
// The survey's settings dialogs, "Survey Observation Thresholds" and "Survey
// Limits": one field per key of the section's table, with its label and
// unit from its descriptor. A value out of its range is refused with the
// descriptor's message naming the field, and nothing changes until OK takes
// them all.

#include <QDialog>

#include <optional>
#include <span>
#include <vector>

#include "survey/SurveySettings.h"

class QLineEdit;

namespace sondrel {

class OperatorPort;

class SurveySettingsDialog : public QDialog {
    Q_OBJECT

  public:
    struct Row {
        const SettingDescriptor* descriptor;
        std::string_view label;
        double value;
    };
    SurveySettingsDialog(const QString& title, std::vector<Row> rows, OperatorPort& op,
                         QWidget* parent = nullptr);

    // The values OK took, in the rows' order; those given until then.
    std::vector<double> values() const;
    QLineEdit* field(std::string_view key) const;

    void accept() override;

  private:
    std::vector<Row> rows_;
    std::vector<QLineEdit*> edits_;
    OperatorPort& op_;
};

// The dialog on a section's keys, run by `run` (exec, or a test's script);
// the settings taken, or nothing when cancelled.
template <typename Settings, typename Run>
std::optional<Settings> askSurveySettings(const QString& title,
                                          std::span<const SurveySettingKey<Settings>> keys,
                                          Settings now, OperatorPort& op, QWidget* parent,
                                          Run&& run) {
    std::vector<SurveySettingsDialog::Row> rows;
    for (const auto& k : keys) rows.push_back({k.descriptor, k.label, now.*k.field});
    SurveySettingsDialog dialog(title, std::move(rows), op, parent);
    if (run(dialog) != QDialog::Accepted) return std::nullopt;
    const std::vector<double> values = dialog.values();
    for (std::size_t i = 0; i < keys.size(); ++i) now.*keys[i].field = values[i];
    return now;
}

}  // namespace sondrel
