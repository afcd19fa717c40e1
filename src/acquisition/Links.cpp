#include "acquisition/Links.h"

#include <chrono>
#include <ctime>

namespace sondrel {

std::int64_t SystemClock::counterFrequency() {
    using Period = std::chrono::steady_clock::period;
    return static_cast<std::int64_t>(Period::den / Period::num);
}

std::int64_t SystemClock::counterValue() {
    return static_cast<std::int64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
}

LocalTime SystemClock::localTime() {
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t seconds = system_clock::to_time_t(now);
    const auto ms = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm tm{};
    localtime_r(&seconds, &tm);
    LocalTime t;
    t.year = tm.tm_year + 1900;
    t.month = tm.tm_mon + 1;
    t.day = tm.tm_mday;
    t.hour = tm.tm_hour;
    t.minute = tm.tm_min;
    t.second = tm.tm_sec;
    t.millisecond = static_cast<int>(ms < 0 ? ms + 1000 : ms);
    return t;
}

}  // namespace sondrel
