#pragma once
// The wall map and the tube of a whole file at once, through the same slices
// as its cloud, on a thread of the caller's choosing: a window builds them
// beside its work and shows the progress.

#include <string>

#include "pipeview/PipeSlice.h"
#include "pipeview/TubeModel.h"
#include "pipeview/WallMap.h"

namespace sondrel {

class JobProgress;

// What to fill; either may be null.
struct PipeViews {
    WallMap* map = nullptr;
    TubeModel* tube = nullptr;
};

// Appends every slice of `input` to the views. `progress` (may be null) hears
// of the records read and can cancel; the views then hold what was read.
ConversionResult buildPipeViews(CSondrelDoc& doc, const std::string& input,
                                const SliceSettings& settings, const ChainageSource& chainage,
                                PipeViews views, JobProgress* progress = nullptr);

}  // namespace sondrel
