#pragma once
// "Pipe Geometry Settings": the pipe's nominal diameter, the warning and
// alarm levels of ovality and sediment, and the definition of ovality. The
// fields are the settings section's own keys, each with its label and unit; a
// value that is no number of its field's range, or levels that contradict
// each other, are refused with a message naming the field, and nothing
// changes until OK takes them all.

#include <QDialog>

#include <map>
#include <string_view>

#include "analysis/GeometrySettings.h"

class QLineEdit;
class QRadioButton;

namespace sondrel {

class OperatorPort;

class GeometrySettingsDialog : public QDialog {
    Q_OBJECT

  public:
    GeometrySettingsDialog(const GeometrySettings& settings, OperatorPort& op,
                           QWidget* parent = nullptr);

    // What OK took; the settings given until then.
    const GeometrySettings& settings() const { return settings_; }
    // The field of a settings key, by the key's name.
    QLineEdit* field(std::string_view key) const;

    void accept() override;

  private:
    GeometrySettings settings_;
    OperatorPort& op_;
    std::map<std::string_view, QLineEdit*> fields_;
    QRadioButton* againstNominal_ = nullptr;
    QRadioButton* againstMean_ = nullptr;
};

}  // namespace sondrel
