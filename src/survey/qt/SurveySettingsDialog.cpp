#include "survey/qt/SurveySettingsDialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "common/IniFile.h"
#include "common/OperatorPort.h"
#include "survey/qt/SurveyText.h"

namespace sondrel {

SurveySettingsDialog::SurveySettingsDialog(const QString& title, std::vector<Row> rows,
                                           OperatorPort& op, QWidget* parent)
    : QDialog(parent), rows_(std::move(rows)), op_(op) {
    setObjectName(QStringLiteral("surveySettingsDialog"));
    setWindowTitle(title);
    auto* grid = new QGridLayout;
    int row = 0;
    for (const Row& r : rows_) {
        const SettingDescriptor& d = *r.descriptor;
        auto* edit = new QLineEdit(QString::fromStdString(formatFixed(r.value, d.decimals)), this);
        edit->setObjectName(qs(d.key));
        edit->setMaximumWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("000000.000")));
        auto* label = new QLabel(qs(r.label.empty() ? d.key : r.label), this);
        label->setBuddy(edit);
        grid->addWidget(label, row, 0);
        grid->addWidget(edit, row, 1);
        grid->addWidget(new QLabel(qs(d.unit), this), row, 2);
        edits_.push_back(edit);
        ++row;
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &SurveySettingsDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &SurveySettingsDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(buttons);
}

std::vector<double> SurveySettingsDialog::values() const {
    std::vector<double> values;
    for (const Row& r : rows_) values.push_back(r.value);
    return values;
}

QLineEdit* SurveySettingsDialog::field(std::string_view key) const {
    for (std::size_t i = 0; i < rows_.size(); ++i)
        if (rows_[i].descriptor->key == key) return edits_[i];
    return nullptr;
}

void SurveySettingsDialog::accept() {
    std::vector<double> taken;
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        std::string problem;
        const std::optional<double> value = enteredSurveySetting(
            *rows_[i].descriptor, edits_[i]->text().trimmed().toStdString(), problem);
        if (!value) {
            op_.showMessage(problem, MessageKind::Warning);
            edits_[i]->setFocus();
            edits_[i]->selectAll();
            return;
        }
        taken.push_back(*value);
    }
    for (std::size_t i = 0; i < rows_.size(); ++i) rows_[i].value = taken[i];
    QDialog::accept();
}

}  // namespace sondrel
