#include "survey/qt/SurveyHeaderDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "common/IniFile.h"
#include "common/OperatorPort.h"
#include "survey/SurveySettings.h"
#include "survey/qt/SurveyText.h"

namespace sondrel {

namespace {

// The start chainage as the dialog takes it: metres, either side of zero.
constexpr SettingDescriptor kStartChainage{"Start Chainage", "m", -1e6, 1e6, 0.01, 2, 0.0};
constexpr int kFieldColumns = 2;

QString hint(const SurveyField& f) {
    switch (f.kind) {
        case SurveyFieldKind::Date:
            return QStringLiteral("YYYY-MM-DD");
        case SurveyFieldKind::Time:
            return QStringLiteral("HH:MM");
        case SurveyFieldKind::Whole:
        case SurveyFieldKind::Decimal:
            return QStringLiteral("%1 to %2 %3")
                .arg(f.lowest)
                .arg(f.highest)
                .arg(qs(f.unit))
                .trimmed();
        default:
            return {};
    }
}

}  // namespace

SurveyHeaderDialog::SurveyHeaderDialog(const SurveyHeader& header, const std::string& subject,
                                       OperatorPort& op, QWidget* parent)
    : QDialog(parent), header_(header), op_(op) {
    setObjectName(QStringLiteral("surveyHeaderDialog"));
    setWindowTitle(tr("Survey"));
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(12);
    int index = 0;
    const auto place = [&](const QString& caption, QWidget* widget) {
        const int row = index / kFieldColumns, column = (index % kFieldColumns) * 2;
        auto* label = new QLabel(caption, this);
        label->setBuddy(widget);
        grid->addWidget(label, row, column);
        grid->addWidget(widget, row, column + 1);
        ++index;
    };
    for (const SurveyField& f : surveyFields()) {
        const QString caption = qs(f.code) + QLatin1Char(' ') + qs(f.caption);
        const QString value = qs(header.value(f.code));
        if (f.kind == SurveyFieldKind::Code) {
            auto* box = new QComboBox(this);
            box->setObjectName(qs(f.code));
            box->addItem(QString(), QString());
            for (const SurveyCode& c : f.codes)
                box->addItem(qs(c.code) + QStringLiteral(" - ") + qs(c.meaning), qs(c.code));
            box->setCurrentIndex(std::max(0, box->findData(value)));
            choices_[f.code] = box;
            place(caption, box);
        } else {
            auto* edit = new QLineEdit(value, this);
            edit->setObjectName(qs(f.code));
            edit->setPlaceholderText(hint(f));
            edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance(QLatin1Char('x')) * 24);
            edits_[f.code] = edit;
            place(caption, edit);
        }
    }
    startChainage_ = new QLineEdit(
        QString::fromStdString(formatFixed(header.startChainage, kStartChainage.decimals)), this);
    startChainage_->setObjectName(QStringLiteral("Start Chainage"));
    place(tr("Start Chainage (m)"), startChainage_);

    auto* about = new QLabel(tr("Header of %1").arg(qs(subject)), this);
    about->setWordWrap(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &SurveyHeaderDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &SurveyHeaderDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(about);
    layout->addLayout(grid);
    layout->addWidget(buttons);
}

QWidget* SurveyHeaderDialog::field(std::string_view code) const {
    if (code == kStartChainage.key) return startChainage_;
    if (const auto it = edits_.find(code); it != edits_.end()) return it->second;
    if (const auto it = choices_.find(code); it != choices_.end()) return it->second;
    return nullptr;
}

void SurveyHeaderDialog::accept() {
    SurveyHeader taken;
    for (const SurveyField& f : surveyFields()) {
        QWidget* widget = field(f.code);
        const auto* box = qobject_cast<QComboBox*>(widget);
        const QString value = box ? box->currentData().toString()
                                  : qobject_cast<QLineEdit*>(widget)->text().trimmed();
        std::string problem;
        if (!taken.set(f.code, value.toStdString(), &problem)) {
            op_.showMessage(problem, MessageKind::Warning);
            widget->setFocus();
            return;
        }
    }
    std::string problem;
    const std::optional<double> start = enteredSurveySetting(
        kStartChainage, startChainage_->text().trimmed().toStdString(), problem);
    if (!start) {
        op_.showMessage(problem, MessageKind::Warning);
        startChainage_->setFocus();
        return;
    }
    taken.startChainage = *start;
    if (const std::string together = taken.problems(); !together.empty()) {
        op_.showMessage(together, MessageKind::Warning);
        return;
    }
    header_ = taken;
    QDialog::accept();
}

}  // namespace sondrel
