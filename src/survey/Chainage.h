#pragma once
// Where along the pipe each record lies, and which records stand for each
// place. The chainage of a record is the start chainage plus the distance
// read with it (the survey with the flow, AAK A) or minus it (against, AAK B).
// A recording without any distance reading is placed by its time stamps and
// the crawler speed the operator states; every output then says the chainage
// is estimated.
//
// A crawler that stops and backs up passes a place more than once. Of each
// place one pass is kept, the last by default or the first on request: a
// record is kept when its place lies outside the span of every place read
// after it (before it, for the first pass). The span of the places read
// after a record is one interval, since consecutive readings join up, so the
// rule needs only the running least and greatest place. Jitter at a stop
// keeps at most the extremes of the jitter, never a pass twice.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace sondrel {

class SurveyHeader;

enum class KeptPass : unsigned char { Last, First };
std::string_view keptPassText(KeptPass pass);  // "last", "first"
std::optional<KeptPass> keptPassFromText(std::string_view text);

// The operator's chainage choices, kept in the sidecar.
struct ChainageChoices {
    // Metres per second of the crawler; used only when the recording holds
    // no distance reading. 0: not stated (the records then have no chainage).
    double estimatedSpeed = 0.0;
    KeptPass keptPass = KeptPass::Last;
    bool operator==(const ChainageChoices&) const = default;
};

inline constexpr double kMaxCrawlerSpeed = 5.0;  // m/s
// Chainage beyond this, either way, is no place: a damaged reading.
inline constexpr double kMostChainage = 1e6;  // m

// For `places` in record order (NaN: no place), whether each is kept.
std::vector<std::uint8_t> keptRecords(std::span<const double> places, KeptPass pass);

// Seconds since an arbitrary epoch of a record's date ("09-DEC-2026") and time
// ("10:00:00") with its milliseconds (".120"); nullopt when they say nothing.
std::optional<double> recordSeconds(std::string_view date, std::string_view time,
                                    std::string_view milliseconds);

// Places one record after another: from its distance when the recording has
// distances, else from its time and the stated speed. Records are handed in
// file order.
class ChainagePlacer {
  public:
    // `estimated` says the recording holds no distance reading, so places come
    // from time stamps (and need a speed above 0).
    ChainagePlacer(const SurveyHeader& header, const ChainageChoices& choices, bool estimated);

    // NaN when the record has no place.
    double place(double distance, std::optional<double> seconds);
    // Chainage of a distance along the survey (or of an estimated one).
    double chainageOf(double distanceAlong) const;
    bool estimated() const { return estimated_; }

  private:
    double start_;
    double sign_;
    double speed_;
    bool estimated_;
    double firstSeconds_ = 0.0;  // of the first record placed by its time
    bool started_ = false;
};

}  // namespace sondrel
