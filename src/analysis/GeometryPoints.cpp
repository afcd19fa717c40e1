#include "analysis/GeometryPoints.h"

#include "acquisition/SondrelDoc.h"

namespace sondrel {

GeometryPointCollector::GeometryPointCollector(const CSondrelDoc& doc) : doc_(doc) {
    filling_.reserve(kProfileSampleCount);
    complete_.reserve(kProfileSampleCount);
}

void GeometryPointCollector::point(double distancePixels, double angleDegrees) {
    if (fresh_) {
        filling_.clear();
        // Once a ping: its range and where it was taken.
        rangeMetres_ = doc_.headOnShow().rangeMetres;
        distanceM_ = doc_.orientationOnShow().distanceM;
        fresh_ = false;
    }
    const XyzPoint p =
        xyzPointFor(distancePixels, axes_.axesFor(angleDegrees), rangeMetres_, distanceM_);
    filling_.push_back({p.x, p.y});
}

void GeometryPointCollector::endOfPing() {
    if (fresh_) filling_.clear();  // a ping without points
    complete_.swap(filling_);
    fresh_ = true;
}

}  // namespace sondrel
