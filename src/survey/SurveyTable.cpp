#include "survey/SurveyTable.h"

#include <cmath>

#include "acquisition/SondrelDoc.h"
#include "analysis/GeometrySeries.h"
#include "survey/Chainage.h"

namespace sondrel {

bool recordingHasDistances(CSondrelDoc& doc, const std::string& input) {
    BinaryFile in;
    std::int64_t length = 0;
    ConversionResult result = openDataFile(in, input, length);
    if (!result.ok()) return false;
    const bool wasPlaying = startWindowlessPlay(doc);
    bool found = false;
    walkRecords(doc, in, input, length, result, [&] {
        found = std::isfinite(travelledDistance(doc));
        return !found;
    });
    doc.flags.playbackActive = wasPlaying;
    return found;
}

ConversionResult writeSurveyGeometryCsv(CSondrelDoc& doc, const std::string& input,
                                        const std::string& output, const GeometrySettings& settings,
                                        const SurveyRecord& record,
                                        const ConversionProgress& progress, unsigned threads) {
    doc.files.calibratedSoundVelocity = calibratedVelocity(record);
    const bool estimated = !recordingHasDistances(doc, input);
    ChainagePlacer placer(record.header, record.chainage, estimated);
    return writeGeometryCsv(doc, input, output, settings, progress, threads, [&](GeometryRow& row) {
        // The table's time is the record's time with its milliseconds.
        const std::string_view time = row.time;
        const std::optional<double> seconds =
            recordSeconds(row.date, time.substr(0, 8), time.size() > 8 ? time.substr(8) : "");
        row.chainage = placer.place(row.distance, seconds);
        row.chainageEstimated = estimated;
    });
}

}  // namespace sondrel
