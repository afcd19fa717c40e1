// A scenario file: any text given to sondrel-headsim --scenario.
//
// Checks: the text is either refused with "FILE:LINE: reason", the line one of
// the text's, or read into a pipe the head can survey: at every place the
// crawler can reach, the head is inside the bore and sees a finite echo
// upwards, the truth's figures are finite and its ovality and sediment within
// the pipe, and the crawler stays on the pipe.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzChecks.h"
#include "simulation/Scenario.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace sondrel;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const ScenarioParse parsed = parseScenario(text, "f.scn");
    if (!parsed.scenario) {
        fuzz::check(parsed.error.rfind("f.scn:", 0) == 0, "a refusal names the file", parsed.error);
        const long line = std::strtol(parsed.error.c_str() + 6, nullptr, 10);
        const long lines = static_cast<long>(std::count(text.begin(), text.end(), '\n')) + 1;
        fuzz::check(line >= 1 && line <= lines, "a refusal names a line of the text", parsed.error);
        return 0;
    }
    fuzz::check(parsed.error.empty(), "a scenario read carries no error", parsed.error);
    const Scenario& s = *parsed.scenario;
    for (int i = 0; i <= 64; ++i) {
        const double c = s.length * i / 64.0;
        const SectionSnapshot snapshot(s.sectionAt(c), s.offsetX, s.offsetY);
        const auto up = snapshot.distanceAlong(0.0, 1.0);
        fuzz::check(up && std::isfinite(*up) && *up > 0.0, "the head sees the crown");
        const TruthRow row = truthAt(s, c, 0.1);
        fuzz::check(std::isfinite(row.meanDiameter) && std::isfinite(row.ovalityPercent) &&
                        std::isfinite(row.sedimentAreaPercent),
                    "the truth is finite");
        fuzz::check(row.sedimentDepth < row.nominal && row.sedimentAreaPercent < 100.0,
                    "the sediment stays inside the pipe");
    }
    CrawlerRun run(s);
    for (double t = 0.0; t < 1e6; t = 2.0 * t + 0.37) {
        const double c = run.chainageAt(t);
        fuzz::check(c >= -1e-9 && c <= s.length + 1e-9, "the crawler stays on the pipe");
    }
    return 0;
}
