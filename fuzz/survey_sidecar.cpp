// The survey file beside a recording: any text read as NAME.survey.
//
// Checks: what is refused says why and carries nothing; what is read is
// written back into a text that reads as the same survey, and that text is
// stable from one save to the next (an edit never drifts); the coded file
// made of it has one line per observation, none broken by a line end.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzChecks.h"
#include "survey/CodedFile.h"
#include "survey/Survey.h"
#include "survey/SurveyFile.h"

using namespace sondrel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const SidecarLoad load = parseSidecar(text, "run.qzr", 1000);
    if (load.status != SidecarStatus::Loaded) {
        fuzz::check(!load.message.empty(), "a refused survey file says why");
        fuzz::check(load.record == SurveyRecord{}, "a refused survey file carries nothing");
        return 0;
    }
    fuzz::check(load.record.header.problems().empty(), "a survey file read holds legal values",
                load.record.header.problems());
    const std::string saved = sidecarText(load.record);
    const SidecarLoad again = parseSidecar(saved, "run.qzr", 1000);
    fuzz::check(again.status == SidecarStatus::Loaded, "a saved survey file reads back",
                again.message);
    fuzz::check(again.record == load.record, "a survey file reads back as it was saved");
    fuzz::check(sidecarText(again.record) == saved, "a survey file does not drift");

    Survey survey;
    survey.record = load.record;
    survey.observations = load.record.observations;
    const std::string coded = codedFileText(survey);
    const auto delivered = std::count_if(survey.observations.begin(), survey.observations.end(),
                                         [](const Observation& o) { return !o.deleted; });
    const auto lines = std::count(coded.begin(), coded.end(), '\n');
    const auto header =
        survey.record.header.empty() || coded.find("#B01=") == std::string::npos ? 0 : 2;
    fuzz::check(lines == 6 + header + 1 + delivered + 1,
                "the coded file holds one line per observation");
    fuzz::check(std::count(coded.begin(), coded.end(), '\r') == lines,
                "every line of the coded file ends in CR LF");
    return 0;
}
