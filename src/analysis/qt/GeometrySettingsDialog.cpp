#include "analysis/qt/GeometrySettingsDialog.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

#include "common/IniFile.h"
#include "common/OperatorPort.h"
#include "common/qt/QtText.h"

namespace sondrel {

GeometrySettingsDialog::GeometrySettingsDialog(const GeometrySettings& settings, OperatorPort& op,
                                               QWidget* parent)
    : QDialog(parent), settings_(settings), op_(op) {
    setObjectName(QStringLiteral("pipeGeometrySettingsDialog"));
    setWindowTitle(tr("Pipe Geometry Settings"));
    auto* grid = new QGridLayout;
    int row = 0;
    for (const GeometrySettingsKey& k : geometrySettingsKeys()) {
        if (k.label.empty() || !k.real) continue;
        auto* edit =
            new QLineEdit(QString::fromStdString(formatFixed(settings_.*k.real, k.decimals)), this);
        edit->setObjectName(qs(k.key));
        edit->setMaximumWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("000000.000")));
        auto* label = new QLabel(qs(k.label), this);
        label->setBuddy(edit);
        grid->addWidget(label, row, 0);
        grid->addWidget(edit, row, 1);
        grid->addWidget(new QLabel(qs(k.unit), this), row, 2);
        fields_[k.key] = edit;
        ++row;
        if (k.real == &GeometrySettings::nominalDiameter) {
            auto* none = new QLabel(tr("0: none; deformation and area loss are then left "
                                       "empty and ovality is taken on the mean diameter."),
                                    this);
            none->setWordWrap(true);
            grid->addWidget(none, row++, 0, 1, 3);
        }
    }

    auto* ovality = new QGroupBox(tr("Ovality = (largest - smallest diameter) divided by"), this);
    againstNominal_ = new QRadioButton(
        tr("the nominal diameter: %1").arg(qs(ovalityDefinitionText(OvalityBasis::Nominal))),
        ovality);
    againstMean_ = new QRadioButton(
        tr("the mean diameter: %1").arg(qs(ovalityDefinitionText(OvalityBasis::Mean))), ovality);
    (settings_.chosenOvalityBasis() == OvalityBasis::Mean ? againstMean_ : againstNominal_)
        ->setChecked(true);
    auto* choices = new QVBoxLayout(ovality);
    choices->addWidget(againstNominal_);
    choices->addWidget(againstMean_);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &GeometrySettingsDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &GeometrySettingsDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(ovality);
    layout->addWidget(buttons);
}

QLineEdit* GeometrySettingsDialog::field(std::string_view key) const {
    const auto it = fields_.find(key);
    return it == fields_.end() ? nullptr : it->second;
}

void GeometrySettingsDialog::accept() {
    GeometrySettings taken = settings_;
    for (const GeometrySettingsKey& k : geometrySettingsKeys()) {
        QLineEdit* edit = field(k.key);
        if (!edit) continue;
        std::string problem;
        const std::optional<double> value =
            enteredGeometryValue(k, edit->text().toStdString(), problem);
        if (!value) {
            op_.showMessage(problem, MessageKind::Warning);
            edit->setFocus();
            edit->selectAll();
            return;
        }
        taken.*k.real = *value;
    }
    taken.ovalityDefinition = againstMean_->isChecked() ? 1 : 0;
    if (const std::string problem = geometrySettingsProblem(taken); !problem.empty()) {
        op_.showMessage(problem, MessageKind::Warning);
        return;
    }
    settings_ = taken;
    QDialog::accept();
}

}  // namespace sondrel
