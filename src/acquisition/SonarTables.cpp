#include "acquisition/SonarTables.h"

#include <algorithm>

namespace sondrel {

std::uint8_t rangeCodeFor(double m) {
    if (m < 0.5) return 4;
    if (m < 0.75) return 6;
    if (m < 1.0) return 8;
    if (m < 2.0) return 10;
    if (m < 3.0) return 20;
    if (m < 4.0) return 30;
    if (m < 5.0) return 40;
    if (m < 6.0) return 50;
    return 60;
}

int rangeIndexForCode(int code) {
    if (code < 4) return 7;  // the head reports an unknown range as 5 m
    if (code < 6) return 0;
    if (code < 8) return 1;
    if (code < 10) return 2;
    if (code < 20) return 3;
    if (code < 30) return 4;
    if (code < 40) return 5;
    if (code < 50) return 6;
    if (code < 60) return 7;
    return 8;
}

int clampRangeIndex(int index) {
    return std::clamp(index, 0, kRangeCount - 1);
}

double rangeMetresForIndex(int index) {
    return kRangeMetres[clampRangeIndex(index)];
}

int trainDegreesFor(int t, bool reversed) {
    const int b = t >= 60 ? t - 60 : t + 60;
    int degrees = reversed ? 360 - 3 * b : 3 * b;
    if (degrees >= 360 || degrees < 0) degrees = 0;
    return degrees;
}

int steppedTrainCode(int t, int delta, bool reversed) {
    int next = reversed ? t - delta : t + delta;
    if (next < 0) next = 120;
    if (next > 120) next = 0;
    return next;
}

std::string_view stepSizeName(int stepSize) {
    switch (stepSize) {
        case 0:
            return "None";
        case 1:
            return "Slow";
        case 2:
            return "Medium";
        case 3:
            return "Fast";
        case 4:
            return "Faster";
        case 8:
            return "Fastest";
        default:
            return "";
    }
}

int normalisedStepSize(int stepSize) {
    return stepSize == 5 ? 8 : stepSize;
}

int steppedSpeed(int stepSize, int delta, int sonarType, double rangeMetres) {
    const int v = stepSize + delta;
    if (sonarType == kTypeQ && rangeMetres <= 5.0) {
        if (rangeMetres <= 4.0) return 1;
        return v > 1 ? 2 : 1;
    }
    if (v == 6 || v == 7) return 4;
    if (v >= 5) return 8;
    if (v <= 1) return 1;
    return v;
}

std::string_view scanModeName(int scanMode) {
    switch (scanMode) {
        case kSector:
            return "Sector";
        case kPolar:
            return "Polar";
        case kSideScan:
            return "SideScan";
        default:
            return "";
    }
}

int steppedAbsorption(int code, int delta) {
    const int next = std::clamp(code + delta, 0, 255);
    return next == 253 ? 254 : next;
}

const std::array<PerRangeSetup, kPerRangeRows>& perRangeTable() {
    static const std::array<PerRangeSetup, kPerRangeRows> table = {{
        {165, 60, 1},
        {165, 60, 1},
        {165, 60, 1},
        {165, 60, 1},
        {165, 60, 3},
        {100, 20, 3},
        {100, 20, 5},
        {100, 20, 8},
        {100, 20, 11},
        {100, 20, 13},
        {100, 20, 16},
        {100, 20, 21},
        {100, 20, 27},
        {27, 10, 40},
        {27, 10, 53},
    }};
    return table;
}

}  // namespace sondrel
