#include "pipeview/PipeViews.h"

#include "common/JobProgress.h"

namespace sondrel {

ConversionResult buildPipeViews(CSondrelDoc& doc, const std::string& input,
                                const SliceSettings& settings, const ChainageSource& chainage,
                                PipeViews views, JobProgress* progress) {
    // Records are counted as they are read, which the progress follows; the
    // views have them a batch later.
    std::int64_t records = 0;
    return walkSlices(
        doc, input, settings, chainage,
        [&](const PipeSlice& slice) {
            if (views.map) views.map->append(slice);
            if (views.tube) views.tube->append(slice);
            return true;
        },
        [&](std::int64_t done, std::int64_t total) {
            if (progress) progress->report(done, total, records);
        },
        [&] {
            ++records;
            return progress && progress->cancelled();
        });
}

}  // namespace sondrel
