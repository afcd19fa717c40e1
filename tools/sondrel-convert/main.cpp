// sondrel-convert: converts sonar data files (.qzr) to XYZ point lists (.xyz)
// without a window, through the same record reader, profile pass and export
// as the desktop program.

#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "ConvertOptions.h"
#include "acquisition/SondrelDoc.h"
#include "analysis/GeometryCsv.h"
#include "analysis/GeometrySettings.h"
#include "pipeview/PointCloud.h"
#include "pipeview/SurveyChainage.h"
#include "recording/DataFileConverter.h"
#include "recording/Player.h"
#include "recording/SettingsFile.h"
#include "recording/SettingsLocation.h"
#include "recording/XyzExport.h"
#include "survey/Survey.h"
#include "survey/SurveyFile.h"
#include "survey/SurveyTable.h"

namespace {

using namespace sondrel;

enum ExitStatus {
    kExitOk = 0,
    kExitFailed = 1,  // an input could not be read or an output not written
    kExitUsage = 2,
    kExitPartial = 3,  // a file was converted only up to a record of unknown size
};

// Draws "[#####.....]  42%" on the terminal, only when the percentage changes.
class ProgressBar {
  public:
    ProgressBar(bool enabled, std::string label) : enabled_(enabled), label_(std::move(label)) {
        if (label_.size() > 32) label_ = "..." + label_.substr(label_.size() - 29);
    }
    void update(std::int64_t done, std::int64_t total) {
        if (!enabled_ || total <= 0) return;
        const int percent = static_cast<int>(done * 100 / total);
        if (percent == shown_) return;
        shown_ = percent;
        constexpr int kWidth = 40;
        char bar[kWidth + 1];
        const int filled = percent * kWidth / 100;
        for (int i = 0; i < kWidth; ++i) bar[i] = i < filled ? '#' : '.';
        bar[kWidth] = '\0';
        std::fprintf(stderr, "\r%-32s [%s] %3d%%", label_.c_str(), bar, percent);
        std::fflush(stderr);
    }
    void finish() {
        if (enabled_ && shown_ >= 0) std::fputc('\n', stderr);
    }

  private:
    bool enabled_;
    std::string label_;
    int shown_ = -1;
};

// What a conversion or a geometry table says of itself: its counts, and why it
// stopped short if it did. `rows` names what was written; `rest` what the part
// after an unsizable record missed.
int reportResult(const std::string& input, const std::string& output,
                 const ConversionResult& result, const char* rows, const char* rest) {
    const ConversionSummary& s = result.summary;
    if (!result.ok()) std::fprintf(stderr, "sondrel-convert: %s\n", result.message.c_str());
    if (result.ok() || s.recordsRead + s.recordsSkipped > 0) {
        std::printf("%s -> %s: %lld records read, %lld records skipped, %lld %s written\n",
                    input.c_str(), output.c_str(), static_cast<long long>(s.recordsRead),
                    static_cast<long long>(s.recordsSkipped),
                    static_cast<long long>(s.pointsWritten), rows);
    }
    if (!result.ok()) return kExitFailed;
    if (s.trailingBytes > 3) {
        std::fprintf(stderr,
                     "sondrel-convert: %s: the last %lld bytes are not a whole record and were "
                     "ignored\n",
                     input.c_str(), static_cast<long long>(s.trailingBytes));
    }
    if (s.stoppedAtUnsizableRecord) {
        std::fprintf(stderr,
                     "sondrel-convert: %s: stopped at byte %lld: a record of unknown size; the "
                     "rest of the file was not %s\n",
                     input.c_str(), static_cast<long long>(s.stopPosition), rest);
        return kExitPartial;
    }
    return kExitOk;
}

// A fresh document per file, as if the program had just opened it for
// playback: the head settings come from the records, so the settings file is
// read with playback on and its head settings are skipped. Null when the name
// is not a data file's.
std::unique_ptr<CSondrelDoc> documentFor(const std::string& input, const std::string& settings) {
    if (!hasDataFileEnding(input)) {
        std::fprintf(stderr,
                     "sondrel-convert: %s: not a sonar data file (the name must end in .qzr)\n",
                     input.c_str());
        return nullptr;
    }
    auto doc = std::make_unique<CSondrelDoc>();
    doc->flags.playbackActive = true;
    loadSettings(*doc, settings);
    return doc;
}

int convertOne(const std::string& input, const std::string& output, const std::string& settings,
               bool showProgress) {
    const auto doc = documentFor(input, settings);
    if (!doc) return kExitFailed;
    ProgressBar bar(showProgress, input);
    const ConversionResult result =
        convertDataFile(*doc, input, output,
                        [&bar](std::int64_t done, std::int64_t total) { bar.update(done, total); });
    bar.finish();
    return reportResult(input, output, result, "points", "converted");
}

int geometryOne(const std::string& input, const std::string& output, const std::string& settings,
                bool showProgress) {
    const auto doc = documentFor(input, settings);
    if (!doc) return kExitFailed;
    // The chainage comes from the survey file when there is one; one that
    // cannot be trusted stops the table rather than place it wrongly.
    const SidecarLoad sidecar = loadSidecar(input);
    if (!sidecar.ok()) {
        std::fprintf(stderr, "sondrel-convert: %s\n", sidecar.message.c_str());
        return kExitFailed;
    }
    ProgressBar bar(showProgress, input);
    const ConversionResult result = writeSurveyGeometryCsv(
        *doc, input, output, loadGeometrySettings(settings), sidecar.record,
        [&bar](std::int64_t done, std::int64_t total) { bar.update(done, total); });
    bar.finish();
    return reportResult(input, output, result, "rows", "measured");
}

int cloudOne(const std::string& input, const std::string& output, const std::string& settings,
             bool showProgress) {
    const auto doc = documentFor(input, settings);
    if (!doc) return kExitFailed;
    // Placed as the survey places its records (start chainage, direction,
    // the pass kept where the crawler went over a stretch again), so that the
    // cloud lies where the wall map and the coded file say; a survey file that
    // cannot be trusted stops the cloud rather than place it wrongly.
    SidecarLoad sidecar;
    const SurveyInputs survey = surveyInputsFor(input, settings, &sidecar);
    if (!sidecar.ok()) {
        std::fprintf(stderr, "sondrel-convert: %s\n", sidecar.message.c_str());
        return kExitFailed;
    }
    const std::shared_ptr<const ChainageSource> chainage = placedBySurvey(*doc, survey);
    ProgressBar bar(showProgress, input);
    const ConversionResult result = exportPointCloud(
        *doc, input, output, {.nominalDiameter = survey.geometry.nominalDiameter}, *chainage,
        [&bar](std::int64_t done, std::int64_t total) { bar.update(done, total); });
    bar.finish();
    return reportResult(input, output, result, "points", "written to the cloud");
}

}  // namespace

int main(int argc, char** argv) {
    // An output that reaches the system's file size limit must fail its write,
    // which is reported and the partial file removed, rather than end the
    // program without a word.
    std::signal(SIGXFSZ, SIG_IGN);
    const convert::ParseResult parsed =
        convert::parseOptions(std::vector<std::string>(argv + 1, argv + argc));
    const convert::Options& options = parsed.options;
    if (options.help) {
        std::fputs(convert::usageText().c_str(), stdout);
        return kExitOk;
    }
    if (options.version) {
        std::printf("sondrel-convert %s\n", SONDREL_VERSION);
        return kExitOk;
    }
    if (!parsed.error.empty()) {
        std::fprintf(stderr, "sondrel-convert: %s\n%s", parsed.error.c_str(),
                     parsed.withUsage ? convert::usageText().c_str() : "");
        return kExitUsage;
    }

    const std::string settingsPath = settingsPathFor(argc, argv);
    // A settings file named on the command line must be there; the default one
    // may be missing (every setting then takes its default).
    if (options.explicitSettings && ::access(settingsPath.c_str(), R_OK) != 0) {
        std::fprintf(stderr, "sondrel-convert: settings file %s: %s\n", settingsPath.c_str(),
                     std::strerror(errno));
        return kExitFailed;
    }

    const bool showProgress = !options.quiet && ::isatty(STDERR_FILENO);
    if (!options.cloud.empty()) {
        return cloudOne(options.inputs.front(), options.cloud, settingsPath, showProgress);
    }
    if (!options.geometry.empty()) {
        return geometryOne(options.inputs.front(), options.geometry, settingsPath, showProgress);
    }
    int status = kExitOk;
    for (const std::string& input : options.inputs) {
        const std::string output = options.output.empty() ? xyzPathFor(input) : options.output;
        const int one = convertOne(input, output, settingsPath, showProgress);
        if (one == kExitFailed || (one == kExitPartial && status == kExitOk)) status = one;
    }
    return status;
}
