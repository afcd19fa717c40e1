#pragma once
// The geometry table of a recording with each record's chainage, placed as
// the survey places it (the sidecar's start chainage and direction; time and
// the stated speed when the recording holds no distance).

#include <string>

#include "analysis/GeometryCsv.h"
#include "survey/SurveyFile.h"

namespace sondrel {

class CSondrelDoc;

// Whether any record of `input` carries a distance reading; it stops at the
// first that does.
bool recordingHasDistances(CSondrelDoc& doc, const std::string& input);

ConversionResult writeSurveyGeometryCsv(CSondrelDoc& doc, const std::string& input,
                                        const std::string& output, const GeometrySettings& settings,
                                        const SurveyRecord& record,
                                        const ConversionProgress& progress = {},
                                        unsigned threads = 0);

}  // namespace sondrel
