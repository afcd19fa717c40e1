#pragma once
// Texts of the survey's windows and report pages: the core's UTF-8 as Qt's,
// and the figures as the survey says them.

#include <QString>

#include <cmath>
#include <string>
#include <string_view>

namespace sondrel {

struct Observation;

inline QString qs(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// A figure with its decimals; "-" for NaN.
inline QString figure(double value, int decimals) {
    return std::isnan(value) ? QStringLiteral("-") : QString::number(value, 'f', decimals);
}

// An observation's columns as the table and the report show them: chainage,
// code, characterisations, quantifications, clock from and to, continuous,
// remark.
inline constexpr int kObservationColumnCount = 10;
QString observationColumnTitle(int column);
QString observationCell(const Observation& o, int column);

}  // namespace sondrel
