#include "survey/qt/SurveyReportPages.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QRectF>

#include <algorithm>
#include <cmath>
#include <limits>

#include "common/JobProgress.h"
#include "survey/qt/SurveyText.h"

namespace sondrel {

namespace {

QString withUncertainty(double value, double uncertainty, double scale, int decimals) {
    if (std::isnan(value)) return QStringLiteral("-");
    QString text = figure(value * scale, decimals);
    if (!std::isnan(uncertainty))
        text += QStringLiteral(" ± ") + figure(uncertainty * scale, decimals);
    return text;
}

// Lines of text and tables down the pages, a new page where one is full.
class PageWriter {
  public:
    PageWriter(QPainter& p, const QRectF& body, const std::function<bool()>& newPage,
               const JobProgress* progress)
        : p_(p), body_(body), newPage_(newPage), progress_(progress) {
        font_ = p.font();
        font_.setPointSizeF(9);
        big_ = font_;
        big_.setPointSizeF(14);
        big_.setBold(true);
        p_.setFont(font_);
        line_ = QFontMetricsF(font_).height() * 1.3;
        y_ = body.top();
    }

    bool heading(const QString& text) {
        const double height = QFontMetricsF(big_).height() * 1.6;
        if (!room(height + line_ * 3)) return false;
        p_.setFont(big_);
        p_.drawText(QPointF(body_.left(), y_ + QFontMetricsF(big_).ascent()), text);
        p_.setFont(font_);
        y_ += height;
        return true;
    }

    bool text(const QString& text, bool bold = false) {
        if (!room(line_)) return false;
        QFont f = font_;
        f.setBold(bold);
        p_.setFont(f);
        p_.drawText(QRectF(body_.left(), y_, body_.width(), line_),
                    Qt::AlignLeft | Qt::AlignVCenter, text);
        p_.setFont(font_);
        y_ += line_;
        return true;
    }

    void gap() { y_ += line_ / 2; }

    // Columns of the given shares of the width; the titles again on each page.
    bool table(const QStringList& titles, const std::vector<double>& shares,
               const std::vector<QStringList>& rows) {
        // Titles may take two lines, so that narrow columns keep their names whole.
        const auto drawRow = [&](const QStringList& cells, bool title) {
            QFont f = font_;
            f.setBold(title);
            p_.setFont(f);
            const double height = title ? line_ * 2 : line_;
            double x = body_.left();
            for (int c = 0; c < cells.size(); ++c) {
                const double w = body_.width() * shares[static_cast<std::size_t>(c)];
                p_.drawText(QRectF(x + 2, y_, w - 4, height),
                            Qt::AlignLeft | Qt::AlignBottom | Qt::TextWordWrap, cells[c]);
                x += w;
            }
            if (title)
                p_.drawLine(QPointF(body_.left(), y_ + height),
                            QPointF(body_.right(), y_ + height));
            p_.setFont(font_);
            y_ += height;
        };
        if (!room(line_ * 3)) return false;
        drawRow(titles, true);
        for (const QStringList& row : rows) {
            if (y_ + line_ > body_.bottom()) {
                if (!turn()) return false;
                drawRow(titles, true);
            }
            drawRow(row, false);
        }
        return true;
    }

  private:
    bool room(double height) { return y_ + height <= body_.bottom() || turn(); }
    bool turn() {
        if (progress_ && progress_->cancelled()) return false;
        if (!newPage_()) return false;
        y_ = body_.top();
        return true;
    }

    QPainter& p_;
    QRectF body_;
    const std::function<bool()>& newPage_;
    const JobProgress* progress_;
    QFont font_, big_;
    double line_ = 0.0, y_ = 0.0;
};

QString codeMeaning(const SurveyField& f, const std::string& value) {
    for (const SurveyCode& c : f.codes)
        if (c.code == value)
            return qs(value) + QStringLiteral(" (") + qs(c.meaning) + QLatin1Char(')');
    return qs(value);
}

}  // namespace

SurveyReportPages::SurveyReportPages(const Survey& survey, const JobProgress* progress)
    : survey_(survey), progress_(progress) {
    std::int32_t most = 0;
    for (const SurveyPing& p : survey.pings) most = std::max(most, p.record);
    chainageOfRecord_.assign(static_cast<std::size_t>(most) + 1,
                             std::numeric_limits<float>::quiet_NaN());
    for (const std::uint32_t i : survey.kept) {
        const SurveyPing& p = survey.pings[i];
        if (p.record >= 0) chainageOfRecord_[static_cast<std::size_t>(p.record)] = p.chainage;
    }
    samples_.reserve(survey.pings.size());
    for (const SurveyPing& p : survey.pings) {
        GeometrySample s;
        s.record = p.record;
        s.position = p.filePosition;
        s.hasDistance = !std::isnan(p.distance);
        s.distance = p.distance;
        s.ok = p.measured();
        s.meanDiameter = p.meanDiameter;
        s.minDiameter = p.minDiameter;
        s.maxDiameter = p.maxDiameter;
        s.sedimentDepth = std::isnan(p.sedimentDepth) ? 0.0 : p.sedimentDepth;
        samples_.push_back(s);
    }
}

std::string SurveyReportPages::alongName() const {
    if (!survey_.hasChainage) return {};
    return survey_.chainageEstimated ? "chainage, estimated" : "chainage";
}

double SurveyReportPages::along(const GeometrySample& sample) const {
    if (sample.record < 0 || static_cast<std::size_t>(sample.record) >= chainageOfRecord_.size())
        return std::numeric_limits<double>::quiet_NaN();
    return chainageOfRecord_[static_cast<std::size_t>(sample.record)];
}

bool SurveyReportPages::paint(QPainter& painter, const QRectF& body,
                              const std::function<bool()>& newPage) {
    PageWriter w(painter, body, newPage, progress_);
    const Survey& s = survey_;
    const SurveySummary& m = s.summary;
    const SurveyHeader& header = s.record.header;

    if (!w.heading(QStringLiteral("Pipe Survey"))) return false;
    if (header.empty()) {
        if (!w.text(QStringLiteral("No survey header"), true)) return false;
    } else {
        for (const SurveyField& f : surveyFields()) {
            if (!header.filled(f.code)) continue;
            const QString value = f.kind == SurveyFieldKind::Code
                                      ? codeMeaning(f, header.value(f.code))
                                      : qs(header.value(f.code));
            if (!w.text(QStringLiteral("%1  %2: %3").arg(qs(f.code), qs(f.caption), value)))
                return false;
        }
    }
    if (!w.text(QStringLiteral("Start chainage: %1 m").arg(figure(header.startChainage, 2))))
        return false;
    w.gap();

    if (!w.heading(QStringLiteral("Summary"))) return false;
    const QString verdict = QString::fromLatin1(verdictText(m.verdict)).toUpper();
    const QString graded = m.gradedOnDeformation
                               ? QStringLiteral("deformation against the nominal diameter")
                               : QStringLiteral("ovality q (no nominal diameter)");
    const auto worst = [](const SurveyWorst& x) {
        return x.found
                   ? QStringLiteral("%1 % ± %2 at %3 m")
                         .arg(figure(x.value, 2), figure(x.uncertainty, 2), figure(x.chainage, 2))
                   : QStringLiteral("-");
    };
    QStringList lines = {
        QStringLiteral("Verdict: %1 (graded on %2)").arg(verdict, graded),
        QStringLiteral("Limits: evaluate %1 %, fail %2 %")
            .arg(figure(s.limits.evaluate, 1), figure(s.limits.fail, 1)),
        s.nominalDiameter > 0 ? QStringLiteral("Nominal diameter: %1 mm (from the %2)")
                                    .arg(figure(s.nominalDiameter * 1000, 1), qs(s.nominalSource))
                              : QStringLiteral("Nominal diameter: none"),
        QStringLiteral("Chainage: %1")
            .arg(!s.hasChainage        ? QStringLiteral("none (no distances, no speed stated)")
                 : s.chainageEstimated ? QStringLiteral("estimated from time and crawler speed")
                                       : QStringLiteral("measured by the distance input")),
        s.record.calibration.applied
            ? QStringLiteral("Calibration: sound velocity %1 ± %2 m/s (was %3 m/s), known "
                             "diameter %4 mm at %5 to %6 m")
                  .arg(figure(s.record.calibration.soundVelocity, 1),
                       figure(s.record.calibration.velocityUncertainty, 1),
                       figure(s.record.calibration.velocityBefore, 1),
                       figure(s.record.calibration.knownDiameter * 1000, 1),
                       figure(s.record.calibration.from, 2), figure(s.record.calibration.to, 2))
            : QStringLiteral("Calibration: none"),
        QStringLiteral("Records: %1, measured %2, kept %3")
            .arg(m.records)
            .arg(m.measured)
            .arg(m.kept),
        QStringLiteral("Length surveyed: %1 m (%2 to %3 m)")
            .arg(figure(m.lengthSurveyed, 2), figure(m.startChainage, 2), figure(m.endChainage, 2)),
        QStringLiteral("Mean diameter: %1 mm")
            .arg(withUncertainty(m.meanDiameter, m.meanDiameterUncertainty, 1000, 1)),
        QStringLiteral("Largest deformation: %1").arg(worst(m.deformation)),
        QStringLiteral("Largest ovality q: %1").arg(worst(m.ovalityQ)),
        QStringLiteral("Largest (Dmax - Dmin) / Dmean: %1").arg(worst(m.ovalitySpread)),
        QStringLiteral("Length beyond evaluate: %1 m, beyond fail: %2 m")
            .arg(figure(m.lengthBeyondEvaluate, 2), figure(m.lengthBeyondFail, 2)),
        QStringLiteral("Sediment volume: %1 m³, %2 m³/m%3, mean capacity loss %4 %")
            .arg(figure(m.sedimentVolume, 3), figure(m.volumePerMetre, 4),
                 std::isnan(m.volumePerUnit)
                     ? QString()
                     : QStringLiteral(", %1 m³ per pipe unit").arg(figure(m.volumePerUnit, 4)),
                 figure(m.capacityLoss, 2)),
    };
    for (int i = 0; i < lines.size(); ++i)
        if (!w.text(lines[i], i == 0)) return false;
    w.gap();

    if (!w.heading(QStringLiteral("Observations"))) return false;
    QStringList titles;
    for (int c = 0; c < kObservationColumnCount; ++c) titles << observationColumnTitle(c);
    std::vector<QStringList> rows;
    for (const Observation& o : s.observations) {
        if (o.deleted) continue;
        QStringList row;
        for (int c = 0; c < kObservationColumnCount; ++c) row << observationCell(o, c);
        rows.push_back(row);
    }
    if (rows.empty()) {
        if (!w.text(QStringLiteral("No observations"))) return false;
    } else if (!w.table(titles, {0.09, 0.06, 0.06, 0.06, 0.07, 0.07, 0.07, 0.07, 0.11, 0.34},
                        rows)) {
        return false;
    }
    w.gap();

    if (!w.heading(QStringLiteral("Per metre"))) return false;
    rows.clear();
    for (const MetreRow& r : s.perMetre) {
        rows.push_back({figure(r.from, 1), QString::number(r.records),
                        withUncertainty(r.meanDiameter, r.meanDiameterUncertainty, 1000, 1),
                        figure(r.deformation, 2), figure(r.ovalityQ, 2),
                        figure(r.sedimentArea * 1e4, 1), figure(r.volume, 4)});
    }
    if (rows.empty()) return w.text(QStringLiteral("No chainage, so no per-metre table"));
    return w.table({QStringLiteral("Chainage (m)"), QStringLiteral("Records"),
                    QStringLiteral("Mean diameter (mm)"), QStringLiteral("Deformation (%)"),
                    QStringLiteral("Ovality q (%)"), QStringLiteral("Sediment area (cm²)"),
                    QStringLiteral("Volume (m³)")},
                   {0.13, 0.09, 0.22, 0.14, 0.13, 0.16, 0.13}, rows);
}

PipeReportOutcome writeSurveyReport(CSondrelDoc& doc, const std::string& input,
                                    const std::string& output, const GeometrySettings& settings,
                                    const Survey& survey, JobProgress* progress) {
    if (survey.pings.empty()) return writePipeReport(doc, input, output, settings, progress);
    SurveyReportPages pages(survey, progress);
    return writePipeReport(doc, input, output, settings, progress, &pages);
}

}  // namespace sondrel
