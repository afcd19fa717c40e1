#include "survey/SurveyFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "common/IniFile.h"
#include "common/NumberText.h"

namespace sondrel {

namespace {

constexpr const char* kVersionSection = "Survey File";
constexpr const char* kRecordingSection = "Recording";
constexpr const char* kHeaderSection = "Survey";
constexpr const char* kChainageSection = "Chainage";
constexpr const char* kCalibrationSection = "Calibration";
constexpr const char* kObservationsSection = "Observations";
constexpr const char* kStartChainage = "Start Chainage";
// A sidecar with more observations than this is no sidecar of ours.
constexpr long long kMostObservations = 100000;
constexpr int kObservationFields = 13;

struct CalibrationKey {
    const char* key;
    double Calibration::*field;
    int decimals;
    double lowest, highest;
};
constexpr CalibrationKey kCalibrationKeys[] = {
    {"Sound Velocity", &Calibration::soundVelocity, 2, 750.0, 2250.0},
    {"Velocity Uncertainty", &Calibration::velocityUncertainty, 3, 0.0, 1000.0},
    {"Velocity Before", &Calibration::velocityBefore, 2, 0.0, 2250.0},
    {"Known Diameter", &Calibration::knownDiameter, 4, 0.0, 50.0},
    {"Measured Diameter", &Calibration::measuredDiameter, 4, 0.0, 1000.0},
    {"From", &Calibration::from, 3, -kMostChainage, kMostChainage},
    {"To", &Calibration::to, 3, -kMostChainage, kMostChainage},
};

// A number as the sidecar writes it, so that what is read is saved again
// unchanged: more decimals than it writes are rounded away.
double asWritten(double value, int decimals) {
    return parseLeadingReal(formatFixed(value, decimals));
}

std::string baseName(const std::string& path) {
    return std::filesystem::path(path).filename().string();
}

std::string number(double v, int decimals) {
    return std::isnan(v) ? std::string() : formatFixed(v, decimals);
}

std::string observationLine(const Observation& o) {
    std::string flags;
    if (o.byOperator) flags += 'o';
    if (o.deleted) flags += 'd';
    std::string line;
    for (const std::string& field :
         {number(o.chainage, 3), o.code, o.characterisation1, o.characterisation2,
          number(o.quantification1, 2), number(o.quantification2, 2),
          o.clockFrom ? std::to_string(o.clockFrom) : std::string(),
          o.clockTo ? std::to_string(o.clockTo) : std::string(), o.continuous,
          std::string(o.joint ? "1" : ""), std::to_string(o.filePosition), flags}) {
        line += field;
        line += ';';
    }
    return line + o.remark;
}

// Letters and digits only, at most `most` of them: a code column's text.
bool codeText(std::string_view text, std::size_t most) {
    if (text.size() > most) return false;
    for (char c : text) {
        if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))) return false;
    }
    return true;
}

std::optional<Observation> parseObservation(std::string_view line) {
    std::string_view fields[kObservationFields];
    for (int i = 0; i < kObservationFields - 1; ++i) {
        const std::size_t end = line.find(';');
        if (end == std::string_view::npos) return std::nullopt;
        fields[i] = line.substr(0, end);
        line.remove_prefix(end + 1);
    }
    fields[kObservationFields - 1] = line;
    Observation o;
    const std::optional<double> chainage =
        parseRealNumber(fields[0], -kMostChainage, kMostChainage);
    if (!chainage || fields[1].size() != 3 || !codeText(fields[1], 3) || !codeText(fields[2], 2) ||
        !codeText(fields[3], 2)) {
        return std::nullopt;
    }
    o.chainage = asWritten(*chainage, 3);
    o.code = fields[1];
    o.characterisation1 = fields[2];
    o.characterisation2 = fields[3];
    for (const auto& [text, target] :
         {std::pair{fields[4], &o.quantification1}, std::pair{fields[5], &o.quantification2}}) {
        if (text.empty()) continue;
        const std::optional<double> q = parseRealNumber(text, -1e6, 1e6);
        if (!q) return std::nullopt;
        *target = asWritten(*q, 2);
    }
    for (const auto& [text, target] :
         {std::pair{fields[6], &o.clockFrom}, std::pair{fields[7], &o.clockTo}}) {
        if (text.empty()) continue;
        const std::optional<long long> h = parseWholeNumber(text, 1, 12);
        if (!h) return std::nullopt;
        *target = static_cast<int>(*h);
    }
    const std::string_view continuous = fields[8];
    if (!continuous.empty() && ((continuous[0] != 'S' && continuous[0] != 'F') ||
                                !parseWholeNumber(continuous.substr(1), 1, kMostObservations))) {
        return std::nullopt;
    }
    o.continuous = continuous;
    if (fields[9] != "" && fields[9] != "1") return std::nullopt;
    o.joint = fields[9] == "1";
    const std::optional<long long> position =
        parseWholeNumber(fields[10], -1, std::numeric_limits<std::int64_t>::max());
    if (!position) return std::nullopt;
    o.filePosition = *position;
    for (char c : fields[11]) {
        if (c == 'o') {
            o.byOperator = true;
        } else if (c == 'd') {
            o.deleted = true;
        } else {
            return std::nullopt;
        }
    }
    // A remark is one line of text, as the header's texts are.
    if (fields[12].size() > 4 * kMaxSurveyTextLength ||
        fields[12].find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos) {
        return std::nullopt;
    }
    o.remark = fields[12];
    return o;
}

SidecarLoad refused(SidecarStatus status, std::string message) {
    SidecarLoad load;
    load.status = status;
    load.message = std::move(message);
    return load;
}

}  // namespace

std::string sidecarPathFor(const std::string& recording) {
    std::filesystem::path p(recording);
    p.replace_extension(".survey");
    return p.string();
}

SidecarLoad parseSidecar(std::string_view text, const std::string& recordingName,
                         std::int64_t recordingSize) {
    IniFile ini;
    ini.parse(text);
    const std::optional<std::string> version = ini.value(kVersionSection, "Version");
    const std::optional<long long> v =
        version ? parseWholeNumber(*version, 1, 1000000) : std::nullopt;
    if (!v) return refused(SidecarStatus::Damaged, "is not a survey file (it has no version)");
    if (*v > kSurveyFileVersion) {
        return refused(SidecarStatus::Newer, "was written by a newer version of the program (" +
                                                 std::to_string(*v) + "); this one reads " +
                                                 std::to_string(kSurveyFileVersion));
    }
    SurveyRecord r;
    r.recordingName = ini.readString(kRecordingSection, "File", "");
    const std::optional<long long> size =
        parseWholeNumber(ini.readString(kRecordingSection, "Size", ""), 0);
    r.recordingSize = size ? *size : -1;
    r.recordingGrowing = ini.readString(kRecordingSection, "Growing", "0") == "1";
    const bool sizeFits = r.recordingGrowing
                              ? r.recordingSize >= 0 && recordingSize >= r.recordingSize
                              : r.recordingSize == recordingSize;
    if (r.recordingName != recordingName || !sizeFits) {
        return refused(SidecarStatus::OtherRecording,
                       "belongs to " +
                           (r.recordingName.empty() ? "no recording" : r.recordingName) + " of " +
                           std::to_string(r.recordingSize) + " bytes, not to " + recordingName +
                           " of " + std::to_string(recordingSize) + " bytes");
    }

    for (const SurveyField& field : surveyFields()) {
        const std::optional<std::string> value = ini.value(kHeaderSection, field.code);
        std::string problem;
        if (value && !r.header.set(field.code, *value, &problem)) {
            return refused(SidecarStatus::Damaged, "[Survey] " + problem);
        }
    }
    if (const std::optional<std::string> start = ini.value(kHeaderSection, kStartChainage)) {
        const std::optional<double> metres = parseRealNumber(*start, -kMostChainage, kMostChainage);
        if (!metres) {
            return refused(SidecarStatus::Damaged, "[Survey] Start Chainage: a number of metres");
        }
        r.header.startChainage = asWritten(*metres, 3);
    }

    if (const std::optional<std::string> speed = ini.value(kChainageSection, "Estimated Speed")) {
        const std::optional<double> s = parseRealNumber(*speed, 0.0, kMaxCrawlerSpeed);
        if (!s) {
            return refused(SidecarStatus::Damaged,
                           "[Chainage] Estimated Speed: a number from 0 to 5 m/s");
        }
        r.chainage.estimatedSpeed = asWritten(*s, 4);
    }
    if (const std::optional<std::string> pass = ini.value(kChainageSection, "Kept Pass")) {
        const std::optional<KeptPass> p = keptPassFromText(*pass);
        if (!p) return refused(SidecarStatus::Damaged, "[Chainage] Kept Pass: last or first");
        r.chainage.keptPass = *p;
    }

    if (ini.readInt(kCalibrationSection, "Applied", 0) == 1) {
        r.calibration.applied = true;
        for (const CalibrationKey& k : kCalibrationKeys) {
            const std::optional<double> value = parseRealNumber(
                ini.readString(kCalibrationSection, k.key, ""), k.lowest, k.highest);
            if (!value) {
                return refused(SidecarStatus::Damaged,
                               std::string("[Calibration] ") + k.key + ": a number from " +
                                   formatFixed(k.lowest, 0) + " to " + formatFixed(k.highest, 0));
            }
            r.calibration.*k.field = asWritten(*value, k.decimals);
        }
    }

    const std::optional<long long> count =
        parseWholeNumber(ini.readString(kObservationsSection, "Count", "0"), 0, kMostObservations);
    if (!count) return refused(SidecarStatus::Damaged, "[Observations] Count: a whole number");
    for (long long i = 1; i <= *count; ++i) {
        const std::optional<std::string> line = ini.value(kObservationsSection, std::to_string(i));
        const std::optional<Observation> o = line ? parseObservation(*line) : std::nullopt;
        if (!o) {
            return refused(SidecarStatus::Damaged,
                           "[Observations] " + std::to_string(i) + ": not an observation");
        }
        r.observations.push_back(*o);
    }
    SidecarLoad load;
    load.status = SidecarStatus::Loaded;
    load.record = std::move(r);
    return load;
}

std::string sidecarText(const SurveyRecord& r) {
    IniFile ini;
    ini.setInt(kVersionSection, "Version", kSurveyFileVersion);
    ini.setValue(kRecordingSection, "File", r.recordingName);
    ini.setInt(kRecordingSection, "Size", r.recordingSize);
    if (r.recordingGrowing) ini.setInt(kRecordingSection, "Growing", 1);
    for (const SurveyField& field : surveyFields()) {
        ini.setValue(kHeaderSection, field.code, r.header.value(field.code));
    }
    ini.setReal(kHeaderSection, kStartChainage, r.header.startChainage, 3);
    ini.setReal(kChainageSection, "Estimated Speed", r.chainage.estimatedSpeed, 4);
    ini.setValue(kChainageSection, "Kept Pass", keptPassText(r.chainage.keptPass));
    ini.setInt(kCalibrationSection, "Applied", r.calibration.applied ? 1 : 0);
    if (r.calibration.applied) {
        for (const CalibrationKey& k : kCalibrationKeys) {
            ini.setReal(kCalibrationSection, k.key, r.calibration.*k.field, k.decimals);
        }
    }
    ini.setInt(kObservationsSection, "Count", static_cast<long long>(r.observations.size()));
    for (std::size_t i = 0; i < r.observations.size(); ++i) {
        ini.setValue(kObservationsSection, std::to_string(i + 1),
                     observationLine(r.observations[i]));
    }
    return ini.text();
}

double calibratedVelocity(const SurveyRecord& record) {
    const Calibration& c = record.calibration;
    return c.applied && c.soundVelocity > 0 ? c.soundVelocity : 0.0;
}

SidecarLoad loadSidecar(const std::string& recording) {
    const std::string path = sidecarPathFor(recording);
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT) return {};
        return refused(SidecarStatus::Damaged, path + ": cannot be read: " + std::strerror(errno));
    }
    std::error_code error;
    const std::uintmax_t recordingSize = std::filesystem::file_size(recording, error);
    if (error) {
        ::close(fd);
        return refused(SidecarStatus::Damaged,
                       path + ": its recording " + recording + ": " + error.message());
    }
    std::string text;
    char buffer[65536];
    bool failed = false;
    while (true) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) failed = true;
        if (n <= 0) break;
        text.append(buffer, static_cast<std::size_t>(n));
        if (text.size() > kMaxIniFileSize) {
            failed = true;
            errno = EFBIG;
            break;
        }
    }
    const int readError = errno;
    ::close(fd);
    if (failed) {
        return refused(SidecarStatus::Damaged,
                       path + ": cannot be read: " + std::strerror(readError));
    }
    SidecarLoad load =
        parseSidecar(text, baseName(recording), static_cast<std::int64_t>(recordingSize));
    if (!load.message.empty()) {
        load.message = path + ": " + load.message +
                       "; the survey was not read from it and the "
                       "file is left as it was";
    }
    return load;
}

std::string saveSidecar(const std::string& recording, SurveyRecord record) {
    const std::string path = sidecarPathFor(recording);
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(recording, error);
    if (error) return path + ": not written: " + recording + ": " + error.message();
    record.recordingName = baseName(recording);
    record.recordingSize = static_cast<std::int64_t>(size);
    const std::string text = sidecarText(record);

    std::string temporary = path + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) return path + ": cannot be written: " + std::strerror(errno);
    const auto fail = [&](int why) {
        ::unlink(temporary.c_str());
        return path + ": cannot be written: " + std::strerror(why) +
               "; the survey file is as it was";
    };
    std::size_t written = 0;
    while (written < text.size()) {
        const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            const int why = n < 0 ? errno : ENOSPC;
            ::close(fd);
            return fail(why);
        }
        written += static_cast<std::size_t>(n);
    }
    // Readable like any document the operator saves.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    if (::fchmod(fd, 0666 & ~mask) != 0 || ::fsync(fd) != 0) {
        const int why = errno;
        ::close(fd);
        return fail(why);
    }
    if (::close(fd) != 0) return fail(errno);
    if (::rename(temporary.c_str(), path.c_str()) != 0) return fail(errno);
    return {};
}

}  // namespace sondrel
