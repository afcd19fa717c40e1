// The record reader over a whole data file, as the converter and playback read
// it: record after record into one document, each valid ping through the
// profile pass into XYZ point lines.
//
// Checks: no played byte frames the command; orientation values stay numbers;
// every point line has exactly five tab-separated fields, one line end and no
// "nan" or "inf"; the status panes and the playback title show no control
// character.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "FuzzChecks.h"
#include "display/ProfilePass.h"
#include "recording/RecordFormat.h"
#include "recording/XyzExport.h"

namespace {

using namespace sondrel;

// The lines XyzWriter would write, checked one by one.
class CheckedXyzLines : public ProfileExport {
  public:
    explicit CheckedXyzLines(const CSondrelDoc& doc) : doc_(doc) {}
    void point(double distancePixels, double angleDegrees) override {
        const std::string line = xyzPointLine(
            xyzTimeStamp(doc_), xyzPointFor(distancePixels, angleDegrees, doc_.head.rangeMetres,
                                            doc_.orientation.distanceM));
        std::size_t tabs = 0;
        for (const char c : line) tabs += c == '\t';
        fuzz::check(tabs == 4, "an XYZ line without five fields", line);
        fuzz::check(line.find_first_of("\r\n") == line.size() - 2, "an XYZ line broken in two",
                    line);
        // The stamp is the record's own text; the three numbers follow its tab.
        const std::string_view numbers =
            std::string_view(line).substr(line.find('\t', line.find('\t') + 1));
        fuzz::check(!fuzz::showsNoNumber(numbers), "an XYZ line shows no number", line);
    }
    void endOfPing() override {}

  private:
    const CSondrelDoc& doc_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto doc = std::make_unique<CSondrelDoc>();
    doc->flags.playbackActive = true;
    doc->flags.xyzConversionActive = true;
    doc->display.rollCorrection = size % 2;  // rolls the points on half of the inputs

    CheckedXyzLines lines(*doc);
    ProfilePath path;
    const std::span<const std::uint8_t> file(data, size);
    std::size_t at = 0;
    while (file.size() - at >= kRecordHeaderSize) {
        const std::span<const std::uint8_t> rest = file.subspan(at);
        const std::int64_t recordSize = recordSizeFor(rest.first<kRecordHeaderSize>());
        const ReadStatus status = decodeRecord(*doc, rest);
        if (status == ReadStatus::EndOfFile || status == ReadStatus::Unsizable) break;
        fuzz::checkSendable(doc->head.command, "after a played record");
        if (status == ReadStatus::Valid) {
            doc->link.noNewData = 0;
            runProfilePass(*doc, path, &lines);
        }
        fuzz::checkShownState(*doc);
        at += static_cast<std::size_t>(recordSize);
    }
    // The file's name in the title: any bytes at all.
    doc->files.playbackPath =
        std::string(reinterpret_cast<const char*>(data), std::min<std::size_t>(size, 40));
    fuzz::check(!fuzz::holdsControlCharacter(windowTitle(*doc, TitleOccasion::PlaybackOpened)),
                "the title holds a control character");
    return 0;
}
