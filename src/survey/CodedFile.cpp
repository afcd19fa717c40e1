#include "survey/CodedFile.h"

#include <cmath>
#include <filesystem>

#include "common/IniFile.h"
#include "recording/BinaryFile.h"
#include "survey/Survey.h"

namespace sondrel {

namespace {

// A text as a field of a line whose fields `separator` parts: quoted, the
// quote doubled, when it holds the separator, the quote or a line break.
std::string field(std::string_view text, char separator) {
    if (text.find_first_of(std::string{separator, kCodedQuote, '\r', '\n'}) ==
        std::string_view::npos) {
        return std::string(text);
    }
    std::string quoted(1, kCodedQuote);
    for (char c : text) {
        if (c == '\r' || c == '\n') {
            quoted += ' ';
            continue;
        }
        if (c == kCodedQuote) quoted += kCodedQuote;
        quoted += c;
    }
    return quoted + kCodedQuote;
}

std::string numberOrEmpty(double v, int decimals) {
    return std::isnan(v) ? std::string() : formatFixed(v, decimals);
}

std::string hourOrEmpty(int hour) {
    return hour > 0 ? std::to_string(hour) : std::string();
}

bool writeWhole(BinaryFile& out, const std::string& text) {
    return out.write(text.data(), text.size());
}

// Writes `text` to `path`; empty on success, else why, with the file removed.
std::string writeFile(const std::string& path, const std::string& text) {
    BinaryFile out;
    if (!out.create(path)) return path + ": cannot create: " + out.errorText();
    bool ok = writeWhole(out, text);
    std::string reason = ok ? std::string() : out.errorText();
    const bool reachable = !ok || out.stillAtItsName();
    if (!out.close() && ok) {
        ok = false;
        reason = out.errorText();
    }
    if (ok && !reachable) {
        ok = false;
        reason = "the file or its folder was removed while it was written";
    }
    if (ok) return {};
    std::string message = path + ": write failed: " + reason;
    switch (removePartialFile(path)) {
        case PartialFile::Removed:
            message += "; the incomplete file was removed";
            break;
        case PartialFile::Kept:
            message += "; the incomplete file could not be removed";
            break;
        case PartialFile::NoFile:
            break;
    }
    return message;
}

}  // namespace

std::string latin1(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (c < 0x80) {
            out += static_cast<char>(c);
            ++i;
            continue;
        }
        int length = (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 0;
        bool whole = length > 0 && i + static_cast<std::size_t>(length) <= utf8.size();
        unsigned code = length == 2 ? c & 0x1F : length == 3 ? c & 0x0F : c & 0x07;
        for (int k = 1; whole && k < length; ++k) {
            const auto next = static_cast<unsigned char>(utf8[i + static_cast<std::size_t>(k)]);
            whole = (next & 0xC0) == 0x80;
            code = (code << 6) | (next & 0x3F);
        }
        // Overlong forms are no characters either.
        if (whole && length == 2 && code < 0x80) whole = false;
        out += whole && code <= 0xFF ? static_cast<char>(code) : '?';
        i += whole ? static_cast<std::size_t>(length) : 1;
    }
    return out;
}

std::string observationsCsvPathFor(const std::string& codedFile) {
    std::filesystem::path p(codedFile);
    const std::string stem = p.stem().string();
    return (p.parent_path() / (stem + "-observations.csv")).string();
}

std::string codedFileText(const Survey& survey) {
    const std::string sep(1, kCodedSeparator);
    std::string t;
    t += "#A1=ISO-8859-1\r\n#A2=en\r\n#A3=" + sep +
         "\r\n#A4=.\r\n#A5=" + std::string(1, kCodedQuote) +
         "\r\n#A6=" + std::string(kCodedFileNormYear) + "\r\n";
    const SurveyHeader& header = survey.record.header;
    std::string codes, values;
    for (const SurveyField& f : surveyFields()) {
        if (!header.filled(f.code)) continue;
        if (!codes.empty()) {
            codes += sep;
            values += sep;
        }
        codes += f.code;
        values += field(latin1(header.value(f.code)), kCodedSeparator);
    }
    if (!codes.empty()) t += "#B01=" + codes + "\r\n" + values + "\r\n";
    t += "#C=" + std::string(kObservationColumns) + "\r\n";
    for (const Observation& o : survey.observations) {
        if (o.deleted) continue;
        const std::string columns[] = {formatFixed(o.chainage, 2),
                                       o.code,
                                       o.characterisation1,
                                       o.characterisation2,
                                       numberOrEmpty(o.quantification1, 0),
                                       numberOrEmpty(o.quantification2, 0),
                                       latin1(o.remark),
                                       hourOrEmpty(o.clockFrom),
                                       hourOrEmpty(o.clockTo),
                                       o.continuous,
                                       o.joint ? "A" : ""};
        for (std::size_t i = 0; i < std::size(columns); ++i) {
            if (i > 0) t += sep;
            t += field(columns[i], kCodedSeparator);
        }
        t += "\r\n";
    }
    t += "#Z\r\n";
    return t;
}

std::string observationsCsvText(const Survey& survey) {
    std::string t =
        "chainage_m,chainage_estimated,code,characterisation_1,characterisation_2,"
        "quantification_1,quantification_2,remark,clock_from,clock_to,continuous,joint,"
        "file_position,by_operator\r\n";
    for (const Observation& o : survey.observations) {
        if (o.deleted) continue;
        const std::string columns[] = {formatFixed(o.chainage, 3),
                                       survey.chainageEstimated ? "1" : "0",
                                       o.code,
                                       o.characterisation1,
                                       o.characterisation2,
                                       numberOrEmpty(o.quantification1, 1),
                                       numberOrEmpty(o.quantification2, 1),
                                       o.remark,
                                       hourOrEmpty(o.clockFrom),
                                       hourOrEmpty(o.clockTo),
                                       o.continuous,
                                       o.joint ? "1" : "0",
                                       o.filePosition >= 0 ? std::to_string(o.filePosition) : "",
                                       o.byOperator ? "1" : "0"};
        for (std::size_t i = 0; i < std::size(columns); ++i) {
            if (i > 0) t += ',';
            t += field(columns[i], ',');
        }
        t += "\r\n";
    }
    return t;
}

std::string writeCodedFile(const Survey& survey, const std::string& codedFile) {
    const std::string csv = observationsCsvPathFor(codedFile);
    if (std::string failed = writeFile(codedFile, codedFileText(survey)); !failed.empty()) {
        return failed;
    }
    if (std::string failed = writeFile(csv, observationsCsvText(survey)); !failed.empty()) {
        // Both or neither.
        removePartialFile(codedFile);
        return failed;
    }
    return {};
}

}  // namespace sondrel
