// The XYZ conversion of a whole data file, through the converter the command
// line and the menu use: the file on disk, the point file written.
//
// Input: one byte of display settings (roll correction, profile minimum
// range), then the data file.
//
// Checks: the conversion ends (a result, never a crash or hang); its counts
// add up: every record read or skipped lies in the file, the written file has
// exactly as many point lines as it reports; each line has five tab-separated
// fields, ends in one CR LF and shows no "nan" or "inf"; only the empty line
// after each record comes between them.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "FuzzChecks.h"
#include "recording/DataFileConverter.h"

namespace {

using namespace sondrel;

// In memory where the system has a memory file system: the conversion under
// test reads and writes real files, and a disk would set the pace.
std::string scratchStem() {
    const char* folder = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    return std::string(folder) + "/sondrel_fuzz_xyz_" + std::to_string(::getpid());
}

const std::string& scratchName(const char* ending) {
    static const std::string input = scratchStem() + ".qzr";
    static const std::string output = scratchStem() + ".xyz";
    return std::string_view(ending) == "qzr" ? input : output;
}

bool writeFile(const std::string& path, const std::uint8_t* data, std::size_t size) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool written = std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && written;
}

std::string readFile(const std::string& path) {
    std::string text;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return text;
    char chunk[65536];
    std::size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, f)) > 0) text.append(chunk, got);
    std::fclose(f);
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const std::string& input = scratchName("qzr");
    const std::string& output = scratchName("xyz");
    if (!writeFile(input, data + 1, size - 1)) fuzz::broken("cannot write the scratch data file");

    CSondrelDoc* doc = &fuzz::freshDocument();
    doc->flags.playbackActive = true;
    doc->display.rollCorrection = data[0] & 1;
    doc->head.profileMinRange = (data[0] >> 1) * 0.01;
    const ConversionResult result = convertDataFile(*doc, input, output);
    const ConversionSummary& s = result.summary;
    fuzz::check(
        s.recordsRead >= 0 && s.recordsSkipped >= 0 && s.pointsWritten >= 0 && s.trailingBytes >= 0,
        "a negative count");
    fuzz::check(s.trailingBytes <= static_cast<std::int64_t>(size - 1),
                "more trailing bytes than the file");
    fuzz::check(!s.stoppedAtUnsizableRecord || s.stopPosition < static_cast<std::int64_t>(size - 1),
                "a stop outside the file");
    if (result.ok()) {
        const std::string text = readFile(output);
        std::int64_t lines = 0;
        std::size_t start = 0;
        while (start < text.size()) {
            const std::size_t end = text.find('\n', start);
            fuzz::check(end != std::string::npos, "the point file ends inside a line");
            const std::string_view line(text.data() + start, end + 1 - start);
            start = end + 1;
            if (line == "\r\n") continue;  // the empty line after each record
            std::size_t tabs = 0;
            for (const char c : line) tabs += c == '\t';
            fuzz::check(tabs == 4, "an XYZ line without five fields", line);
            fuzz::check(line.size() >= 2 && line[line.size() - 2] == '\r' &&
                            line.find('\r') == line.size() - 2,
                        "an XYZ line broken in two", line);
            const std::size_t numbers = line.find('\t', line.find('\t') + 1);
            fuzz::check(!fuzz::showsNoNumber(line.substr(numbers)), "an XYZ line shows no number",
                        line);
            ++lines;
        }
        fuzz::check(lines == s.pointsWritten, "the point count differs from the lines written");
    }
    std::remove(output.c_str());
    return 0;
}
