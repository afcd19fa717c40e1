#pragma once
// Texts of the survey's windows and report pages: the figures as the survey
// says them.

#include <QString>

#include <cmath>
#include <string>
#include <string_view>

#include "common/qt/QtText.h"

namespace sondrel {

struct Observation;

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
