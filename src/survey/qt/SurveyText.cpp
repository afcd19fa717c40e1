#include "survey/qt/SurveyText.h"

#include <array>

#include "survey/Observation.h"

namespace sondrel {

QString observationColumnTitle(int column) {
    static const std::array<const char*, kObservationColumnCount> titles = {
        "Chainage (m)", "Code",       "Char. 1",  "Char. 2",    "Quant. 1",
        "Quant. 2",     "Clock from", "Clock to", "Continuous", "Remark"};
    return column >= 0 && column < kObservationColumnCount ? QString::fromLatin1(titles[column])
                                                           : QString();
}

QString observationCell(const Observation& o, int column) {
    const auto clock = [](int hour) { return hour > 0 ? QString::number(hour) : QString(); };
    const auto quantity = [](double v) { return std::isnan(v) ? QString() : figure(v, 1); };
    switch (column) {
        case 0:
            return figure(o.chainage, 2);
        case 1:
            return qs(o.code);
        case 2:
            return qs(o.characterisation1);
        case 3:
            return qs(o.characterisation2);
        case 4:
            return quantity(o.quantification1);
        case 5:
            return quantity(o.quantification2);
        case 6:
            return clock(o.clockFrom);
        case 7:
            return clock(o.clockTo);
        case 8:
            return qs(o.continuous);
        case 9:
            return qs(o.remark);
        default:
            return {};
    }
}

}  // namespace sondrel
