// sondrel-report: the pipe report of a sonar data file as a PDF, without a
// window: the same gathering and the same pages as "Pipe Report..." of the
// desktop program.

#include <QGuiApplication>

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "ReportOptions.h"
#include "acquisition/SondrelDoc.h"
#include "analysis/qt/GeometryReportPdf.h"
#include "pipeview/SurveyChainage.h"
#include "pipeview/qt/WallMapReport.h"
#include "recording/Player.h"
#include "recording/SettingsFile.h"
#include "recording/SettingsLocation.h"
#include "survey/CodedFile.h"
#include "survey/Survey.h"
#include "survey/SurveyFile.h"
#include "survey/SurveySettings.h"
#include "survey/qt/SurveyReportPages.h"

namespace {

using namespace sondrel;

enum ExitStatus { kExitOk = 0, kExitFailed = 1, kExitUsage = 2 };

// The survey as a coded file and its observations table.
int writeCoded(const std::string& input, const std::string& coded, const Survey& survey) {
    if (!survey.result.ok())
        std::fprintf(stderr, "sondrel-report: %s\n", survey.result.message.c_str());
    if (survey.pings.empty()) return kExitFailed;
    if (const std::string failed = writeCodedFile(survey, coded); !failed.empty()) {
        std::fprintf(stderr, "sondrel-report: %s\n", failed.c_str());
        return kExitFailed;
    }
    const SurveySummary& m = survey.summary;
    const auto shown = std::count_if(survey.observations.begin(), survey.observations.end(),
                                     [](const Observation& o) { return !o.deleted; });
    std::printf("%s -> %s, %s: %lld observations over %.2f m%s, %s\n", input.c_str(), coded.c_str(),
                observationsCsvPathFor(coded).c_str(), static_cast<long long>(shown),
                m.lengthSurveyed, survey.chainageEstimated ? " (chainage estimated)" : "",
                verdictText(m.verdict));
    return survey.result.ok() ? kExitOk : kExitFailed;
}

}  // namespace

int main(int argc, char** argv) {
    // An output that reaches the system's file size limit must fail its write,
    // which is reported and the partial file removed, rather than end the
    // program without a word.
    std::signal(SIGXFSZ, SIG_IGN);
    const report::ParseResult parsed =
        report::parseOptions(std::vector<std::string>(argv + 1, argv + argc));
    const report::Options& options = parsed.options;
    if (!parsed.error.empty()) {
        std::fprintf(stderr, "sondrel-report: %s\n%s", parsed.error.c_str(),
                     report::usageText().c_str());
        return kExitUsage;
    }
    if (options.help) {
        std::fputs(report::usageText().c_str(), stdout);
        return kExitOk;
    }
    if (options.version) {
        std::printf("sondrel-report %s\n", SONDREL_VERSION);
        return kExitOk;
    }
    const std::string& input = options.input;
    const std::string& output = options.output;
    const std::string settingsPath = settingsPathFor(argc, argv);
    if (options.explicitSettings && ::access(settingsPath.c_str(), R_OK) != 0) {
        std::fprintf(stderr, "sondrel-report: settings file %s: %s\n", settingsPath.c_str(),
                     std::strerror(errno));
        return kExitFailed;
    }
    if (!hasDataFileEnding(input)) {
        std::fprintf(stderr,
                     "sondrel-report: %s: not a sonar data file (the name must end in .qzr)\n",
                     input.c_str());
        return kExitFailed;
    }

    // One survey for the coded file and the report: its header (or that it
    // has none), verdict and tables head the report, and the charts lie along
    // its chainage. A survey file that cannot be read stops the coded file,
    // which would carry its header, but not a report alone.
    SidecarLoad sidecar;
    const SurveyInputs in = surveyInputsFor(input, settingsPath, &sidecar);
    if (!sidecar.ok()) {
        if (!options.coded.empty()) {
            std::fprintf(stderr, "sondrel-report: %s\n", sidecar.message.c_str());
            return kExitFailed;
        }
        std::fprintf(stderr, "sondrel-report: %s; the survey is made without it\n",
                     sidecar.message.c_str());
    } else if (sidecar.status == SidecarStatus::Missing && !options.coded.empty()) {
        std::printf("%s: no survey file (%s): the header is empty\n", input.c_str(),
                    sidecarPathFor(input).c_str());
    }
    auto doc = std::make_unique<CSondrelDoc>();
    doc->flags.playbackActive = true;
    loadSettings(*doc, settingsPath);
    const Survey survey = analyseSurvey(*doc, in);
    if (!options.coded.empty()) {
        const int coded = writeCoded(input, options.coded, survey);
        if (coded != kExitOk || output.empty()) return coded;
    }

    // Fonts and the PDF painter want a GUI application; no display is needed.
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication app(argc, argv);

    // The wall map's pages follow the survey's, placed by its chainage.
    std::optional<SurveyReportPages> pages;
    if (!survey.pings.empty()) pages.emplace(survey);
    const PipeReportOutcome outcome = writeReportWithWallMap(*doc, input, output, in.geometry,
                                                             &survey, pages ? &*pages : nullptr);
    if (!outcome.message.empty())
        std::fprintf(stderr, "sondrel-report: %s\n", outcome.message.c_str());
    if (!outcome.written()) return kExitFailed;
    std::printf("%s -> %s: %lld records, %lld measured, %lld places beyond the alarm levels\n",
                input.c_str(), output.c_str(), static_cast<long long>(outcome.records),
                static_cast<long long>(outcome.measured),
                static_cast<long long>(outcome.placesBeyondLimit));
    return outcome.status == PipeReportOutcome::Status::Written ? kExitOk : kExitFailed;
}
