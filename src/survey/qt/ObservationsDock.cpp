#include "survey/qt/ObservationsDock.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <numeric>

#include "survey/qt/ObservationDialog.h"
#include "survey/qt/SurveyText.h"

namespace sondrel {

QString surveySummaryLine(const Survey& survey) {
    const SurveySummary& s = survey.summary;
    QString line = QStringLiteral("Length surveyed %1 m").arg(figure(s.lengthSurveyed, 2));
    if (survey.chainageEstimated) line += QStringLiteral(" (estimated)");
    const SurveyWorst& worst = s.gradedOnDeformation ? s.deformation : s.ovalityQ;
    const QString what =
        s.gradedOnDeformation ? QStringLiteral("deformation") : QStringLiteral("ovality");
    if (worst.found)
        line += QStringLiteral(", worst %1 %2 % at %3 m")
                    .arg(what, figure(worst.value, 1), figure(worst.chainage, 2));
    line += QStringLiteral(", verdict %1, sediment %2 m³")
                .arg(QString::fromLatin1(verdictText(s.verdict)), figure(s.sedimentVolume, 3));
    return line;
}

ObservationsDock::ObservationsDock(QWidget* parent)
    : QDockWidget(tr("Survey Observations"), parent) {
    setObjectName(QStringLiteral("surveyObservationsDock"));
    auto* body = new QWidget(this);
    summary_ = new QLabel(tr("No survey yet"), body);
    summary_->setObjectName(QStringLiteral("surveySummary"));
    summary_->setWordWrap(true);
    table_ = new QTableWidget(0, kObservationColumnCount, body);
    table_->setObjectName(QStringLiteral("observationTable"));
    QStringList titles;
    for (int c = 0; c < kObservationColumnCount; ++c) titles << observationColumnTitle(c);
    table_->setHorizontalHeaderLabels(titles);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->verticalHeader()->hide();
    table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 8);
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->setAlternatingRowColors(true);
    connect(table_, &QTableWidget::cellClicked, this, [this](int row, int) { playRow(row); });
    connect(table_, &QTableWidget::activated, this,
            [this](const QModelIndex& index) { playRow(index.row()); });
    connect(table_, &QTableWidget::cellDoubleClicked, this, [this](int row, int) { editRow(row); });

    auto* buttons = new QHBoxLayout;
    const auto add = [&](const QString& name, const QString& text, auto action) {
        auto* b = new QPushButton(text, body);
        b->setObjectName(name);
        connect(b, &QPushButton::clicked, this, action);
        buttons->addWidget(b);
    };
    add(QStringLiteral("edit"), tr("&Edit..."), [this] { editRow(table_->currentRow()); });
    add(QStringLiteral("delete"), tr("&Delete"), [this] { removeRow(table_->currentRow()); });
    add(QStringLiteral("add"), tr("&Add..."), [this] { addObservation(); });
    add(QStringLiteral("remark"), tr("&Remark..."), [this] { remarkRow(table_->currentRow()); });
    buttons->addStretch();
    auto* layout = new QVBoxLayout(body);
    layout->addWidget(summary_);
    layout->addWidget(table_, 1);
    layout->addLayout(buttons);
    setWidget(body);
}

QPushButton* ObservationsDock::button(const QString& name) const {
    return findChild<QPushButton*>(name);
}

void ObservationsDock::showSurvey(const Survey* survey) {
    survey_ = survey;
    rows_.clear();
    table_->setRowCount(0);
    if (!survey) {
        summary_->setText(tr("No survey yet"));
        return;
    }
    summary_->setText(surveySummaryLine(*survey));
    const std::vector<Observation>& list = survey->observations;
    for (std::size_t i = 0; i < list.size(); ++i)
        if (!list[i].deleted) rows_.push_back(i);
    std::stable_sort(rows_.begin(), rows_.end(), [&](std::size_t a, std::size_t b) {
        return list[a].chainage < list[b].chainage;
    });
    table_->setRowCount(static_cast<int>(rows_.size()));
    for (int r = 0; r < static_cast<int>(rows_.size()); ++r) {
        const Observation& o = list[rows_[static_cast<std::size_t>(r)]];
        for (int c = 0; c < kObservationColumnCount; ++c) {
            auto* item = new QTableWidgetItem(observationCell(o, c));
            if (c == 0 || (c >= 4 && c <= 7))
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            // The operator's own stand out from what was detected.
            if (o.byOperator) item->setForeground(QColor(0, 70, 170));
            table_->setItem(r, c, item);
        }
    }
    table_->resizeColumnsToContents();
}

const Observation* ObservationsDock::observationAt(int row) const {
    if (!survey_ || row < 0 || row >= static_cast<int>(rows_.size())) return nullptr;
    return &survey_->observations[rows_[static_cast<std::size_t>(row)]];
}

int ObservationsDock::run(QDialog& dialog) {
    return run_ ? run_(dialog) : dialog.exec();
}

void ObservationsDock::playRow(int row) {
    if (const Observation* o = observationAt(row); o && handlers_.play) handlers_.play(*o);
}

void ObservationsDock::editRow(int row) {
    const Observation* o = observationAt(row);
    if (!o || !op_ || !handlers_.edit) return;
    ObservationDialog dialog(*o, true, *op_, this);
    if (run(dialog) != QDialog::Accepted) return;
    handlers_.edit(observationOfRow(row), dialog.observation());
}

void ObservationsDock::removeRow(int row) {
    if (observationAt(row) && handlers_.remove) handlers_.remove(observationOfRow(row));
}

void ObservationsDock::addObservation() {
    if (!survey_ || !op_ || !handlers_.add) return;
    Observation fresh;
    fresh.code = "BBE";
    ObservationDialog dialog(fresh, false, *op_, this);
    if (run(dialog) != QDialog::Accepted) return;
    handlers_.add(dialog.observation());
}

void ObservationsDock::remarkRow(int row) {
    const Observation* o = observationAt(row);
    if (!o || !handlers_.edit) return;
    bool ok = false;
    const QString text = QInputDialog::getText(
        this, tr("Remark"), tr("Remark of %1 at %2 m").arg(qs(o->code)).arg(figure(o->chainage, 2)),
        QLineEdit::Normal, qs(o->remark), &ok);
    if (!ok) return;
    Observation edited = *o;
    edited.remark = text.trimmed().toStdString();
    handlers_.edit(observationOfRow(row), edited);
}

}  // namespace sondrel
