#include "survey/Chainage.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <limits>

#include "survey/SurveyHeader.h"

namespace sondrel {

namespace {

constexpr double kNoPlace = std::numeric_limits<double>::quiet_NaN();

// Days from 1970-01-01 of a civil date (proleptic Gregorian).
long long daysFromCivil(int y, unsigned m, unsigned d) {
    y -= m <= 2 ? 1 : 0;
    const int era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097LL + static_cast<long long>(doe) - 719468;
}

// The number in `text` of exactly `count` digits from `at`; -1 otherwise.
int fixedDigits(std::string_view text, std::size_t at, std::size_t count) {
    if (text.size() < at + count) return -1;
    int n = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (!std::isdigit(static_cast<unsigned char>(text[i]))) return -1;
        n = n * 10 + (text[i] - '0');
    }
    return n;
}

int monthOf(std::string_view name) {
    constexpr std::array<std::string_view, 12> kMonths = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                                          "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
    for (std::size_t i = 0; i < kMonths.size(); ++i) {
        bool same = name.size() == 3;
        for (std::size_t k = 0; same && k < 3; ++k) {
            same = std::toupper(static_cast<unsigned char>(name[k])) == kMonths[i][k];
        }
        if (same) return static_cast<int>(i) + 1;
    }
    return 0;
}

}  // namespace

std::string_view keptPassText(KeptPass pass) {
    return pass == KeptPass::First ? "first" : "last";
}

std::optional<KeptPass> keptPassFromText(std::string_view text) {
    if (text == "last") return KeptPass::Last;
    if (text == "first") return KeptPass::First;
    return std::nullopt;
}

std::vector<std::uint8_t> keptRecords(std::span<const double> places, KeptPass pass) {
    std::vector<std::uint8_t> kept(places.size(), 0);
    double least = 0.0, greatest = 0.0;
    bool any = false;
    const auto visit = [&](std::size_t i) {
        const double p = places[i];
        if (std::isnan(p)) return;
        if (!any || p < least || p > greatest) kept[i] = 1;
        least = any ? std::min(least, p) : p;
        greatest = any ? std::max(greatest, p) : p;
        any = true;
    };
    if (pass == KeptPass::Last) {
        for (std::size_t i = places.size(); i-- > 0;) visit(i);
    } else {
        for (std::size_t i = 0; i < places.size(); ++i) visit(i);
    }
    return kept;
}

std::optional<double> recordSeconds(std::string_view date, std::string_view time,
                                    std::string_view milliseconds) {
    // "DD-MMM-YYYY"
    const int day = fixedDigits(date, 0, 2);
    const int month = date.size() >= 6 ? monthOf(date.substr(3, 3)) : 0;
    const int year = fixedDigits(date, 7, 4);
    // "HH:MM:SS"
    const int hours = fixedDigits(time, 0, 2);
    const int minutes = fixedDigits(time, 3, 2);
    const int seconds = fixedDigits(time, 6, 2);
    if (day < 1 || day > 31 || month == 0 || year < 0 || hours < 0 || hours > 23 || minutes < 0 ||
        minutes > 59 || seconds < 0 || seconds > 60) {
        return std::nullopt;
    }
    double s = static_cast<double>(
                   daysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day))) *
                   86400.0 +
               hours * 3600.0 + minutes * 60.0 + seconds;
    // ".120": the fraction, when it is one.
    if (milliseconds.size() >= 2 && milliseconds[0] == '.') {
        double scale = 0.1;
        for (std::size_t i = 1; i < milliseconds.size(); ++i) {
            const char c = milliseconds[i];
            if (!std::isdigit(static_cast<unsigned char>(c))) break;
            s += (c - '0') * scale;
            scale /= 10;
        }
    }
    return s;
}

ChainagePlacer::ChainagePlacer(const SurveyHeader& header, const ChainageChoices& choices,
                               bool estimated)
    : start_(header.startChainage),
      sign_(header.againstFlow() ? -1.0 : 1.0),
      speed_(choices.estimatedSpeed),
      estimated_(estimated) {}

double ChainagePlacer::chainageOf(double distanceAlong) const {
    return start_ + sign_ * distanceAlong;
}

double ChainagePlacer::place(double distance, std::optional<double> seconds) {
    double along = distance;
    if (estimated_) {
        if (!(speed_ > 0.0) || !seconds) return kNoPlace;
        const double now = *seconds;
        if (!started_) {
            firstSeconds_ = now;
            started_ = true;
        }
        along = speed_ * (now - firstSeconds_);
    }
    // A damaged record's reading far beyond any pipe is no place at all.
    const double chainage = chainageOf(along);
    return std::abs(chainage) <= kMostChainage ? chainage : kNoPlace;
}

}  // namespace sondrel
