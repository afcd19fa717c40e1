#include "common/JobProgress.h"

#include <cmath>
#include <filesystem>

namespace sondrel {

namespace {

// Before this, the pace of the first steps (files opening, the file coming
// into the cache) says little about the rest.
constexpr double kSettlingSeconds = 1.0;

}  // namespace

std::string jobHeadline(std::string_view doing, const std::string& input,
                        const std::string& output) {
    return std::string(doing) + " " + std::filesystem::path(input).filename().string() + " to\n" +
           output;
}

double secondsLeft(std::int64_t done, std::int64_t total, double elapsedSeconds) {
    if (done <= 0 || total <= 0 || !(elapsedSeconds >= kSettlingSeconds)) return -1.0;
    if (done >= total) return 0.0;
    return elapsedSeconds * static_cast<double>(total - done) / static_cast<double>(done);
}

std::string timeLeftText(double seconds) {
    const std::string label = "Time left: ";
    if (!(seconds >= 0.0)) return label + "estimating...";
    if (seconds < 1.0) return label + "less than a second";
    // Rounded up: "about 1 s" must not be shown for a second and a half.
    const auto whole = static_cast<long long>(std::ceil(seconds));
    if (whole < 60) return label + "about " + std::to_string(whole) + " s";
    const long long minutes = whole / 60, rest = whole % 60;
    std::string text = label + "about " + std::to_string(minutes) + " min";
    if (rest != 0) text += " " + std::to_string(rest) + " s";
    return text;
}

std::string itemsDoneText(std::string_view label, const JobProgress& progress) {
    const std::int64_t items = progress.items();
    const std::int64_t done = progress.done(), total = progress.total();
    std::string text = std::string(label) + ": " + groupedNumber(items);
    if (done > 0 && total > done) {
        const auto estimate = static_cast<std::int64_t>(
            static_cast<double>(items) * static_cast<double>(total) / static_cast<double>(done));
        text += " of about " + groupedNumber(estimate);
    }
    return text;
}

std::string groupedNumber(std::int64_t n) {
    const bool negative = n < 0;
    const auto magnitude = static_cast<unsigned long long>(n);
    const std::string digits = std::to_string(negative ? 0ULL - magnitude : magnitude);
    const std::size_t first = digits.size() % 3 == 0 ? 3 : digits.size() % 3;
    std::string out = digits.substr(0, first);
    for (std::size_t i = first; i < digits.size(); i += 3) out += "," + digits.substr(i, 3);
    return negative ? "-" + out : out;
}

}  // namespace sondrel
