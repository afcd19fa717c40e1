#include "app/JobProgress.h"

#include <algorithm>
#include <cmath>

namespace sondrel {

namespace {

// Before this the pace says little: the first records are read while the
// file is still coming into the cache.
constexpr double kSettledSeconds = 1.0;

}  // namespace

double jobSecondsLeft(std::int64_t done, std::int64_t total, double elapsedSeconds) {
    if (done <= 0 || total <= 0 || !(elapsedSeconds >= kSettledSeconds)) return -1.0;
    const double left = static_cast<double>(std::max<std::int64_t>(total - done, 0));
    return elapsedSeconds * left / static_cast<double>(done);
}

std::string jobProgressText(std::int64_t items, std::string_view itemsName, std::int64_t done,
                            std::int64_t total, double elapsedSeconds) {
    std::string text = std::to_string(items) + " " + std::string(itemsName) + " done";
    const double left = jobSecondsLeft(done, total, elapsedSeconds);
    if (left < 0) return text + ", estimating the time left";
    // Whole seconds up to a minute and a half, then whole minutes.
    const auto seconds = static_cast<long long>(std::ceil(left));
    if (seconds < 90) return text + ", about " + std::to_string(std::max(seconds, 1LL)) + " s left";
    return text + ", about " + std::to_string((seconds + 30) / 60) + " min left";
}

}  // namespace sondrel
